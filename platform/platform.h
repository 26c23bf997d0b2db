// The operating-system services the updater uses, one function each.
// Every provider (win32/, host/, or a test's scripted one) implements all of them.
// Paths and texts are byte strings in the system's ANSI code page (932 for the updater's own texts),
// with backslashes as separators.
#ifndef QUORLEN_PLATFORM_H
#define QUORLEN_PLATFORM_H

#include <stdint.h>

typedef void* PlatformKey;
typedef intptr_t PlatformFile;

enum MessageStyle : unsigned {
  MessageStyleOk = 0x00,               // one OK button, no icon
  MessageStyleOkCancelQuestion = 0x21  // OK and Cancel with the question icon; OK is the default
};
enum MessageAnswer { MessageAnswerOk = 1, MessageAnswerCancel = 2 };

enum CreateFileOutcome { CreateFileDone = 0, CreateFileExists = 1, CreateFileFailed = 2 };

// Opens keyPath under the current user's root for reading. Returns 0 when opened.
int PlatformOpenUserKey(const char* keyPath, PlatformKey* key);
// Reads the raw data of valueName into data (capacity bytes of room), whatever the value's type.
// Returns 0 on success; any other result when the value is absent, unreadable or needs more room.
int PlatformQueryValue(PlatformKey key, const char* valueName, unsigned char* data, uint32_t capacity);
void PlatformCloseKey(PlatformKey key);

// Returns 1 when anything (a directory too) exists at path, else 0.
int PlatformPathExists(const char* path);
// Returns 1 when byte opens a double-byte character of the ANSI code page.
int PlatformIsLeadByte(unsigned char byte);

// Finds the named payload record among the program's own resources.
// Returns 1 and the record's read-only address and size, or 0 when it is missing.
int PlatformFindPayload(const char* name, const unsigned char** record, uint32_t* size);

// Shows a message box with no owner; returns the answer once it is dismissed
// (anything but MessageAnswerOk when it could not be shown).
int PlatformShowMessage(const char* text, const char* caption, unsigned style);

// Returns 1 when path may be replaced by a new file: absent, or a plain file that is neither
// read-only, hidden nor system, nor held open by anyone who refuses to share writing.
int PlatformTargetAcceptsWrite(const char* path);
// Creates path as a new, empty file for writing; never opens an existing file or follows a link.
int PlatformCreateNewFile(const char* path, PlatformFile* file);
// Writes count bytes in one request. Returns the count reported written when at least 1,
// -1 on an error or when nothing was written, and 0 at once for a count of 0.
int32_t PlatformWriteFile(PlatformFile file, const unsigned char* bytes, int32_t count);
// Flushes and closes. Returns 1 when the file's contents are known to be complete.
int PlatformCloseFile(PlatformFile file);
// Puts the closed file source in place of target (absent or not). Returns 1 when done;
// on failure target is as it was.
int PlatformReplaceFile(const char* source, const char* target);
void PlatformDeleteFile(const char* path);
// Sets last-access and last-write time to stamp (seconds since 1970-01-01 00:00:00 UTC), exactly;
// the creation time stays. A negative stamp or any failure leaves the times as they are.
void PlatformSetFileTimes(const char* path, int32_t stamp);
// Creates one directory level. Returns 1 when created.
int PlatformCreateDirectory(const char* path);

#endif
