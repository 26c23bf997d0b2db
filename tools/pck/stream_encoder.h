// Encoding payload streams.
#ifndef PCK_STREAM_ENCODER_H
#define PCK_STREAM_ENCODER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace pck {

constexpr int FastestLevel = 1;
constexpr int BestLevel = 9;
constexpr int DefaultLevel = 9;
constexpr std::size_t MaxDecodedSize = 4000000;  // what the updater can hold

// Called now and then with the bytes done so far.
using ProgressFunction = std::function<void(std::size_t done, std::size_t total)>;

// Returns a well-formed stream that decodes to input. Levels 1 to 3 parse greedily; 4 to 9 find
// the cheapest parse over a growing number of match candidates. Every reference takes the form with
// the fewest bytes, and the flag bits after the last token are clear.
std::vector<std::uint8_t> EncodeStream(const std::vector<std::uint8_t>& input, int level,
                                       const ProgressFunction& progress = nullptr);

// A greedy longest-match coder limited to the given reach: the baseline for benchmarks.
std::vector<std::uint8_t> EncodeGreedyBaseline(const std::vector<std::uint8_t>& input, std::uint32_t reach);

}  // namespace pck

#endif
