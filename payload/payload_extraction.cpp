#include "payload_extraction.h"

#include <string.h>

#include "extraction_texts.h"
#include "path_text.h"
#include "payload_record.h"
#include "platform.h"
#include "stream_decoder.h"

unsigned char DecodeBuffer[DecodeBufferSize];

enum { PathSize = 260, TemporaryNameTries = 64 };

// Temporary names are no longer than the shortest name the updater writes ("MAIN.MES"), so a
// temporary path fits wherever its target's path does.
static const char TemporaryNamePrefix[] = "~QL";
enum { TemporaryNameDigits = 5 };

// Builds the path of temporary file number serial in targetPath's directory. Returns 0 when it
// does not fit in PathSize bytes.
static int BuildTemporaryPath(char* temporaryPath, const char* targetPath, unsigned serial) {
  size_t targetLength = strlen(targetPath);
  long separator = FindLastBackslash(targetPath, targetLength);
  size_t directoryLength = separator < 0 ? 0 : static_cast<size_t>(separator) + 1;
  size_t nameLength = sizeof TemporaryNamePrefix - 1 + TemporaryNameDigits;
  if (directoryLength + nameLength + 1 > PathSize) return 0;

  memcpy(temporaryPath, targetPath, directoryLength);
  char* name = temporaryPath + directoryLength;
  memcpy(name, TemporaryNamePrefix, sizeof TemporaryNamePrefix - 1);
  for (int digit = TemporaryNameDigits - 1; digit >= 0; --digit) {
    name[sizeof TemporaryNamePrefix - 1 + digit] = "0123456789ABCDEF"[serial & 15];
    serial >>= 4;
  }
  name[nameLength] = 0;
  return 1;
}

// Creates a fresh temporary file beside targetPath, never reusing one that exists.
static int CreateTemporaryBeside(const char* targetPath, char* temporaryPath, PlatformFile* file) {
  for (unsigned serial = 0; serial < TemporaryNameTries; ++serial) {
    if (!BuildTemporaryPath(temporaryPath, targetPath, serial)) return 0;
    int outcome = PlatformCreateNewFile(temporaryPath, file);
    if (outcome == CreateFileDone) return 1;
    if (outcome != CreateFileExists) return 0;
  }
  return 0;
}

// Puts count bytes of DecodeBuffer in place of targetPath without touching the target until the
// new contents are complete. Returns an ExtractResult.
static int ReplaceFileContents(const char* targetPath, int32_t count, int32_t timeStamp) {
  if (!PlatformTargetAcceptsWrite(targetPath)) return ExtractCannotOpen;

  char temporaryPath[PathSize];
  PlatformFile file;
  if (!CreateTemporaryBeside(targetPath, temporaryPath, &file)) return ExtractCannotOpen;

  int32_t written = PlatformWriteFile(file, DecodeBuffer, count);
  int complete = PlatformCloseFile(file);
  if (written != count || !complete) {
    PlatformDeleteFile(temporaryPath);
    return ExtractShortWrite;
  }
  if (!PlatformReplaceFile(temporaryPath, targetPath)) {
    PlatformDeleteFile(temporaryPath);
    return ExtractCannotOpen;
  }
  PlatformSetFileTimes(targetPath, timeStamp);
  return ExtractDone;
}

int ExtractPayload(const char* targetPath, const char* resourceName) {
  const unsigned char* record;
  uint32_t recordSize;
  PayloadRecordFields fields;
  int32_t decoded = -1;
  if (PlatformFindPayload(resourceName, &record, &recordSize) &&
      ReadPayloadRecord(record, recordSize, &fields) == RecordOk)
    decoded = DecodePayloadStream(DecodeBuffer, DecodeBufferSize, fields.stream, fields.streamLength);
  if (decoded < 0) {
    PlatformShowMessage(ResourceNotFoundText, resourceName, MessageStyleOk);
    return ExtractNoResource;
  }
  return ReplaceFileContents(targetPath, decoded, fields.timeStamp);
}
