// The payload record, shared by the updater and the packer.
//
//   offset  size  field
//   0       4     streamLength  signed, little-endian: bytes of stream that follow
//   4       4     timeStamp     signed, little-endian: seconds since 1970-01-01 00:00:00 UTC
//   8       ...   stream        streamLength bytes of payload stream
//
// No magic, no checksum, no decoded size: the stream alone says what it expands to.
#ifndef QUORLEN_PAYLOAD_RECORD_H
#define QUORLEN_PAYLOAD_RECORD_H

#include <stdint.h>

enum { PayloadHeaderSize = 8 };

enum RecordStatus {
  RecordOk = 0,
  RecordTooShort = 1,          // fewer than the 8 header bytes
  RecordStreamBeyondEnd = 2    // streamLength promises more bytes than the record holds
};

struct PayloadRecordFields {
  int32_t streamLength;          // negative means an empty stream
  int32_t timeStamp;
  const unsigned char* stream;
};

inline int32_t ReadLittleEndian32(const unsigned char* bytes) {
  uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                   static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return static_cast<int32_t>(value);
}

inline void WriteLittleEndian32(unsigned char* bytes, int32_t value) {
  uint32_t bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
}

// Reads the header of the record of recordSize bytes at record and checks its declared stream
// length against the bytes present. Returns RecordOk with fields filled, or the fault found.
inline int ReadPayloadRecord(const unsigned char* record, uint32_t recordSize, PayloadRecordFields* fields) {
  if (recordSize < PayloadHeaderSize) return RecordTooShort;
  fields->streamLength = ReadLittleEndian32(record);
  fields->timeStamp = ReadLittleEndian32(record + 4);
  fields->stream = record + PayloadHeaderSize;
  if (fields->streamLength > 0 &&
      static_cast<uint32_t>(fields->streamLength) > recordSize - PayloadHeaderSize)
    return RecordStreamBeyondEnd;
  return RecordOk;
}

#endif
