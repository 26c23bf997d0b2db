// The Windows provider: the ANSI forms of the Win32 calls, text passed through unconverted.
#include <windows.h>

#include "platform.h"

int PlatformOpenUserKey(const char* keyPath, PlatformKey* key) {
  HKEY handle;
  LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &handle);
  if (status == ERROR_SUCCESS) *key = handle;
  return static_cast<int>(status);
}

int PlatformQueryValue(PlatformKey key, const char* valueName, unsigned char* data, uint32_t capacity) {
  DWORD type = REG_SZ;
  DWORD size = capacity;
  return static_cast<int>(RegQueryValueExA(static_cast<HKEY>(key), valueName, nullptr, &type, data, &size));
}

void PlatformCloseKey(PlatformKey key) { RegCloseKey(static_cast<HKEY>(key)); }

int PlatformPathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int PlatformIsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) ? 1 : 0; }

int PlatformFindPayload(const char* name, const unsigned char** record, uint32_t* size) {
  HRSRC found = FindResourceA(nullptr, name, "BIN");
  if (!found) return 0;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return 0;
  *record = static_cast<const unsigned char*>(bytes);
  *size = SizeofResource(nullptr, found);
  return 1;
}

int PlatformShowMessage(const char* text, const char* caption, unsigned style) {
  return MessageBoxA(nullptr, text, caption, style);
}

int PlatformTargetAcceptsWrite(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  const DWORD refused = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (attributes & refused) return 0;
  // Opening without truncating tells whether anyone holds the file without sharing writing.
  HANDLE probe = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(probe);
  return 1;
}

int PlatformCreateNewFile(const char* path, PlatformFile* file) {
  HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? CreateFileExists : CreateFileFailed;
  }
  *file = reinterpret_cast<PlatformFile>(handle);
  return CreateFileDone;
}

int32_t PlatformWriteFile(PlatformFile file, const unsigned char* bytes, int32_t count) {
  if (count <= 0) return 0;
  DWORD written = 0;
  BOOL ok = WriteFile(reinterpret_cast<HANDLE>(file), bytes, static_cast<DWORD>(count), &written, nullptr);
  return ok && written > 0 ? static_cast<int32_t>(written) : -1;
}

int PlatformCloseFile(PlatformFile file) {
  HANDLE handle = reinterpret_cast<HANDLE>(file);
  BOOL flushed = FlushFileBuffers(handle);
  BOOL closed = CloseHandle(handle);
  return flushed && closed;
}

int PlatformReplaceFile(const char* source, const char* target) {
  // ReplaceFileA keeps the target's creation time, attributes and security.
  if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES)
    return ReplaceFileA(target, source, nullptr, 0, nullptr, nullptr) ? 1 : 0;
  return MoveFileExA(source, target, MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

void PlatformDeleteFile(const char* path) { DeleteFileA(path); }

void PlatformSetFileTimes(const char* path, int32_t stamp) {
  if (stamp < 0) return;
  // File times count 100-nanosecond intervals since 1601-01-01 UTC.
  const ULONGLONG SecondsFrom1601To1970 = 11644473600ULL;
  ULONGLONG ticks = (static_cast<ULONGLONG>(stamp) + SecondsFrom1601To1970) * 10000000ULL;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  SetFileTime(handle, nullptr, &time, &time);
  CloseHandle(handle);
}

int PlatformCreateDirectory(const char* path) { return CreateDirectoryA(path, nullptr) ? 1 : 0; }
