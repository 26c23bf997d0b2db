#include "test_support.h"

#include <algorithm>
#include <cstdlib>

#include "payload_record.h"
#include "record_codec.h"
#include "stream_encoder.h"

std::string HexBytes(const char* hex) {
  std::string bytes;
  char* end = nullptr;
  for (const char* at = hex; *at; at = end) {
    long value = std::strtol(at, &end, 16);
    if (end == at) break;
    bytes.push_back(static_cast<char>(value));
  }
  return bytes;
}

std::vector<std::uint8_t> AsBytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> PackRecord(const std::vector<std::uint8_t>& content, std::int32_t stamp) {
  return pck::BuildRecord(pck::EncodeStream(content, pck::DefaultLevel), stamp);
}

std::vector<std::uint8_t> PackRecord(const std::string& content, std::int32_t stamp) {
  return PackRecord(std::vector<std::uint8_t>(content.begin(), content.end()), stamp);
}

std::vector<std::uint8_t> RawRecord(std::int32_t streamLength, std::int32_t stamp,
                                    const std::vector<std::uint8_t>& stream) {
  std::vector<std::uint8_t> record(PayloadHeaderSize);
  WriteLittleEndian32(record.data(), streamLength);
  WriteLittleEndian32(record.data() + 4, stamp);
  for (std::uint8_t byte : stream) record.push_back(byte);
  return record;
}

std::vector<std::uint8_t> StreamDecodingTo(std::uint32_t total) {
  std::vector<std::uint8_t> stream = {0x01, 0x5A};
  std::uint32_t produced = 1;
  std::size_t tokens = 1;
  while (produced < total) {
    std::uint32_t length = std::min<std::uint32_t>(65537, total - produced);
    if (total - produced - length == 1) length -= 1;  // keep every piece at least 2 long
    if (tokens % 8 == 0) stream.push_back(0x00);
    for (std::uint8_t byte : {std::uint32_t{0x7F}, (length - 2) & 0xFF, (length - 2) >> 8, 1u, 0u})
      stream.push_back(byte);
    produced += length;
    ++tokens;
  }
  return stream;
}

namespace cp932 {
const std::string NotInstalled = HexBytes(
    "4F 73 74 72 65 76 61 6E 65 82 AA 83 43 83 93 83 58 83 67 81 5B 83 8B 82 B3 82 EA 82 C4 82 A2 82 DC 82 B9 82 F1 "
    "81 42");
const std::string ExecutableNotFound =
    HexBytes("51 55 4F 52 4C 45 4E 2E 65 78 65 82 AA 8C A9 82 C2 82 A9 82 E8 82 DC 82 B9 82 F1 81 42");
const std::string Confirm = HexBytes(
    "4F 73 74 72 65 76 61 6E 65 20 56 65 72 31 2E 30 31 0A 82 C9 83 41 83 62 83 76 83 66 81 5B 83 67 82 B5 82 DC 82 "
    "B7 81 42 0A 8F 91 82 AB 8A B7 82 A6 82 C4 82 E6 82 EB 82 B5 82 A2 82 C5 82 B7 82 A9 81 48");
const std::string Finished =
    HexBytes("83 76 83 8D 83 4F 83 89 83 80 82 CC 8D 58 90 56 82 AA 8F 49 97 B9 82 B5 82 DC 82 B5 82 BD 81 42");
const std::string CannotWriteTail = HexBytes("0A 82 C9 8F 91 82 AB 8D 9E 82 DD 82 C5 82 AB 82 DC 82 B9 82 F1 81 42");
const std::string DiskFull = HexBytes(
    "8F 91 82 AB 8D 9E 82 DD 82 C9 8E B8 94 73 82 B5 82 DC 82 B5 82 BD 81 42 0A 83 66 83 42 83 58 83 4E 97 CC 88 E6 "
    "82 AA 95 73 91 AB 82 B5 82 C4 82 A2 82 DC 82 B7 81 42 0A 83 66 83 42 83 58 83 4E 82 CC 8B F3 82 AB 97 CC 88 E6 "
    "82 F0 91 9D 82 E2 82 B5 82 C4 82 A9 82 E7 81 41 82 E0 82 A4 88 EA 93 78 8E C0 8D 73 82 B5 82 C4 82 AD 82 BE 82 "
    "B3 82 A2 81 42");
const std::string ResourceNotFound =
    HexBytes("83 8A 83 5C 81 5B 83 58 82 AA 8C A9 82 C2 82 A9 82 E8 82 DC 82 B9 82 F1");
}  // namespace cp932
