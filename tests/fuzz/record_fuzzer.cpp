// Property: whatever bytes a carried payload record holds, extraction either writes exactly what
// the stream decodes to, at most 4,000,000 bytes, or refuses it before any file is created.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "cp932.h"
#include "payload_extraction.h"
#include "payload_record.h"
#include "platform.h"
#include "stream_decoder.h"

namespace {
const unsigned char* Record;
uint32_t RecordSize;
bool FileCreated;
int32_t WrittenCount;
}  // namespace

int PlatformOpenUserKey(const char*, PlatformKey*) { return 2; }
int PlatformQueryValue(PlatformKey, const char*, unsigned char*, uint32_t) { return 2; }
void PlatformCloseKey(PlatformKey) {}
int PlatformPathExists(const char*) { return 1; }
int PlatformIsLeadByte(unsigned char byte) { return IsCp932LeadByte(byte); }
int PlatformFindPayload(const char*, const unsigned char** record, uint32_t* size) {
  *record = Record;
  *size = RecordSize;
  return 1;
}
int PlatformShowMessage(const char*, const char*, unsigned) { return MessageAnswerOk; }
int PlatformTargetAcceptsWrite(const char*) { return 1; }
int PlatformCreateNewFile(const char*, PlatformFile* file) {
  FileCreated = true;
  *file = 1;
  return CreateFileDone;
}
int32_t PlatformWriteFile(PlatformFile, const unsigned char*, int32_t count) {
  WrittenCount = count;
  return count;
}
int PlatformCloseFile(PlatformFile) { return 1; }
int PlatformReplaceFile(const char*, const char*) { return 1; }
void PlatformDeleteFile(const char*) {}
void PlatformSetFileTimes(const char*, int32_t) {}
int PlatformCreateDirectory(const char*) { return 1; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  unsigned char* record = static_cast<unsigned char*>(malloc(size ? size : 1));
  memcpy(record, data, size);
  Record = record;
  RecordSize = static_cast<uint32_t>(size);
  FileCreated = false;
  WrittenCount = -1;
  int result = ExtractPayload("C:\\Game\\QUORLEN.exe", "QUORLEN.PCK");
  if (result == ExtractNoResource) {
    if (FileCreated) abort();
  } else if (result != ExtractDone || !FileCreated || WrittenCount < 0 || WrittenCount > DecodeBufferSize) {
    abort();
  } else {
    // The count written is what the stream decodes to.
    int32_t streamLength = ReadLittleEndian32(record);
    static unsigned char check[DecodeBufferSize];
    int32_t expected = DecodePayloadStream(check, DecodeBufferSize, record + PayloadHeaderSize, streamLength);
    if (expected != WrittenCount || memcmp(check, DecodeBuffer, static_cast<size_t>(expected)) != 0) abort();
  }
  free(record);
  return 0;
}
