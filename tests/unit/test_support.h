// Helpers shared by the unit tests.
#ifndef QUORLEN_TEST_SUPPORT_H
#define QUORLEN_TEST_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

// Bytes written as hexadecimal pairs separated by spaces: "82 AA 83 43".
std::string HexBytes(const char* hex);

std::vector<std::uint8_t> AsBytes(const std::string& text);

// A payload record of content with the given stamp, packed by the packer.
std::vector<std::uint8_t> PackRecord(const std::vector<std::uint8_t>& content, std::int32_t stamp);
std::vector<std::uint8_t> PackRecord(const std::string& content, std::int32_t stamp);

// A record with the given header fields and raw stream bytes.
std::vector<std::uint8_t> RawRecord(std::int32_t streamLength, std::int32_t stamp,
                                    const std::vector<std::uint8_t>& stream);

// A well-formed stream that decodes to total bytes (at least 1): one literal, then long
// references at distance 1.
std::vector<std::uint8_t> StreamDecodingTo(std::uint32_t total);

// The exact code page 932 bytes of every text the updater shows.
namespace cp932 {
extern const std::string NotInstalled;
extern const std::string ExecutableNotFound;
extern const std::string Confirm;
extern const std::string Finished;
extern const std::string CannotWriteTail;  // follows the path
extern const std::string DiskFull;
extern const std::string ResourceNotFound;
}  // namespace cp932

#endif
