// Building and reading whole payload records.
#ifndef PCK_RECORD_CODEC_H
#define PCK_RECORD_CODEC_H

#include <cstdint>
#include <string>
#include <vector>

namespace pck {

struct DecodedRecord {
  std::int32_t streamLength = 0;
  std::int32_t timeStamp = 0;
  std::vector<std::uint8_t> content;
};

// Header and stream together.
std::vector<std::uint8_t> BuildRecord(const std::vector<std::uint8_t>& stream, std::int32_t timeStamp);

// Checks every format rule of record and decodes it. Returns an empty string on success, else what
// is wrong, in words.
std::string DecodeRecord(const std::vector<std::uint8_t>& record, DecodedRecord& decoded);

}  // namespace pck

#endif
