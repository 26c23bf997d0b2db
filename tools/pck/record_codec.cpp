#include "record_codec.h"

#include "payload_record.h"
#include "stream_decoder.h"
#include "stream_encoder.h"

namespace pck {

std::vector<std::uint8_t> BuildRecord(const std::vector<std::uint8_t>& stream, std::int32_t timeStamp) {
  std::vector<std::uint8_t> record(PayloadHeaderSize + stream.size());
  WriteLittleEndian32(record.data(), static_cast<std::int32_t>(stream.size()));
  WriteLittleEndian32(record.data() + 4, timeStamp);
  std::copy(stream.begin(), stream.end(), record.begin() + PayloadHeaderSize);
  return record;
}

std::string DecodeRecord(const std::vector<std::uint8_t>& record, DecodedRecord& decoded) {
  PayloadRecordFields fields;
  switch (ReadPayloadRecord(record.data(), static_cast<std::uint32_t>(record.size()), &fields)) {
    case RecordTooShort:
      return "the record has " + std::to_string(record.size()) + " bytes, fewer than its 8-byte header";
    case RecordStreamBeyondEnd:
      return "the header promises a stream of " + std::to_string(fields.streamLength) + " bytes but only " +
             std::to_string(record.size() - PayloadHeaderSize) + " follow it";
    default:
      break;
  }
  decoded.streamLength = fields.streamLength;
  decoded.timeStamp = fields.timeStamp;
  if (fields.streamLength < 0) return "the stream length is negative (" + std::to_string(fields.streamLength) + ")";
  if (static_cast<std::size_t>(fields.streamLength) != record.size() - PayloadHeaderSize)
    return "the record has " + std::to_string(record.size() - PayloadHeaderSize - fields.streamLength) +
           " bytes after its stream";
  decoded.content.assign(MaxDecodedSize, 0);
  std::int32_t produced = DecodePayloadStream(decoded.content.data(), static_cast<std::int32_t>(MaxDecodedSize),
                                              fields.stream, fields.streamLength);
  if (produced < 0) {
    decoded.content.clear();
    return std::string("the stream is malformed: ") + DescribeDecodeFault(produced);
  }
  decoded.content.resize(static_cast<std::size_t>(produced));
  return "";
}

}  // namespace pck
