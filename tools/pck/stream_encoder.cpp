#include "stream_encoder.h"

#include <algorithm>
#include <limits>

namespace pck {
namespace {

constexpr std::uint32_t MaxDistance = 65535;
constexpr std::uint32_t MaxLength = 65537;
constexpr std::uint32_t ShortReach = 255;

// Bits a token costs: its bytes plus its flag bit.
constexpr std::uint32_t LiteralBits = 9;

std::uint32_t ReferenceBits(std::uint32_t length, std::uint32_t distance) {
  if (length <= 3) return distance <= 31 ? 9 : distance <= ShortReach ? 17 : 41;
  if (length <= 19 && distance <= 1023) return 17;
  if (length <= 130) return 25;
  return 41;
}

// Collects the bits of tokens into groups of one flag byte and up to eight tokens.
class TokenWriter {
 public:
  explicit TokenWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void Literal(std::uint8_t byte) {
    Flag(true);
    out_.push_back(byte);
  }

  void Reference(std::uint32_t length, std::uint32_t distance) {
    Flag(false);
    if (length <= 3 && distance <= 31) {
      out_.push_back(static_cast<std::uint8_t>(0x80 | (length - 2) << 5 | distance));
    } else if (length <= 3 && distance <= ShortReach) {
      out_.push_back(static_cast<std::uint8_t>(0x80 | (length - 2) << 5));
      out_.push_back(static_cast<std::uint8_t>(distance));
    } else if (length >= 4 && length <= 19 && distance <= 1023) {
      out_.push_back(static_cast<std::uint8_t>(0xC0 | (length - 4) << 2 | distance >> 8));
      out_.push_back(static_cast<std::uint8_t>(distance));
    } else if (length >= 4 && length <= 130) {
      out_.push_back(static_cast<std::uint8_t>(length - 4));
      out_.push_back(static_cast<std::uint8_t>(distance));
      out_.push_back(static_cast<std::uint8_t>(distance >> 8));
    } else {
      out_.push_back(0x7F);
      out_.push_back(static_cast<std::uint8_t>(length - 2));
      out_.push_back(static_cast<std::uint8_t>((length - 2) >> 8));
      out_.push_back(static_cast<std::uint8_t>(distance));
      out_.push_back(static_cast<std::uint8_t>(distance >> 8));
    }
  }

 private:
  void Flag(bool literal) {
    if (bitsUsed_ == 8) {
      flagAt_ = out_.size();
      out_.push_back(0);
      bitsUsed_ = 0;
    }
    if (literal) out_[flagAt_] |= static_cast<std::uint8_t>(1u << bitsUsed_);
    ++bitsUsed_;
  }

  std::vector<std::uint8_t>& out_;
  std::size_t flagAt_ = 0;
  int bitsUsed_ = 8;
};

struct Candidate {
  std::uint32_t length;
  std::uint32_t distance;
};

// Hash chains over the whole reach: one exact chain on two-byte prefixes for the short forms and
// one hashed chain on three-byte prefixes for the rest. Candidates come out nearest first, each
// longer than the one before, so for any length the first candidate reaching it is the cheapest.
class MatchFinder {
 public:
  MatchFinder(const std::vector<std::uint8_t>& data, std::uint32_t depth, std::uint32_t reach)
      : data_(data), depth_(depth), reach_(reach), head2_(1 << 16, None), head3_(1 << HashBits, None),
        prev2_(data.size(), None), prev3_(data.size(), None) {}

  // Adds position to the chains; positions must be inserted in increasing order.
  void Insert(std::uint32_t position) {
    if (position + 2 > data_.size()) return;
    std::uint32_t key2 = Key2(position);
    prev2_[position] = head2_[key2];
    head2_[key2] = position;
    if (position + 3 > data_.size()) return;
    std::uint32_t key3 = Key3(position);
    prev3_[position] = head3_[key3];
    head3_[key3] = position;
  }

  // Fills candidates for position (already inserted) with lengths up to limit.
  void Find(std::uint32_t position, std::uint32_t limit, std::vector<Candidate>& candidates) const {
    candidates.clear();
    std::uint32_t available = static_cast<std::uint32_t>(data_.size()) - position;
    limit = std::min({limit, available, MaxLength});
    if (limit < 2) return;
    std::uint32_t best = 1;
    std::uint32_t shortReach = std::min(reach_, ShortReach);
    std::uint32_t steps = depth_;
    for (std::uint32_t at = prev2_[position]; at != None && steps > 0; at = prev2_[at], --steps) {
      std::uint32_t distance = position - at;
      if (distance > shortReach) break;
      if (Consider(position, at, distance, limit, best, candidates)) return;
    }
    if (limit < 3) return;
    steps = depth_;
    for (std::uint32_t at = prev3_[position]; at != None && steps > 0; at = prev3_[at], --steps) {
      std::uint32_t distance = position - at;
      if (distance > reach_) break;
      if (distance <= shortReach) continue;
      if (Consider(position, at, distance, limit, best, candidates)) return;
    }
  }

 private:
  static constexpr std::uint32_t None = std::numeric_limits<std::uint32_t>::max();
  static constexpr int HashBits = 17;

  std::uint32_t Key2(std::uint32_t p) const { return data_[p] | data_[p + 1] << 8; }
  std::uint32_t Key3(std::uint32_t p) const {
    std::uint32_t v = data_[p] | data_[p + 1] << 8 | data_[p + 2] << 16;
    return (v * 2654435761u) >> (32 - HashBits);
  }

  // Records the match at 'at' when it is longer than any nearer one; returns true once limit is reached.
  bool Consider(std::uint32_t position, std::uint32_t at, std::uint32_t distance, std::uint32_t limit,
                std::uint32_t& best, std::vector<Candidate>& candidates) const {
    const std::uint8_t* a = data_.data() + position;
    const std::uint8_t* b = data_.data() + at;
    if (b[best] != a[best]) return false;
    std::uint32_t length = 0;
    while (length < limit && a[length] == b[length]) ++length;
    if (length <= best) return false;
    best = length;
    candidates.push_back({length, distance});
    return length == limit;
  }

  const std::vector<std::uint8_t>& data_;
  std::uint32_t depth_;
  std::uint32_t reach_;
  std::vector<std::uint32_t> head2_, head3_, prev2_, prev3_;
};

struct LevelSettings {
  std::uint32_t depth;
  std::uint32_t niceLength;  // optimal levels: a match this long is taken without weighing shorter ones
  bool optimal;
};

LevelSettings SettingsFor(int level) {
  static const LevelSettings table[] = {
      {4, 32, false},    {16, 64, false},   {64, 128, false},  {8, 64, true},     {16, 96, true},
      {32, 128, true},   {64, 256, true},   {128, 512, true},  {256, 1024, true},
  };
  level = std::clamp(level, FastestLevel, BestLevel);
  return table[level - 1];
}

constexpr std::size_t ProgressStep = 1 << 16;

void EncodeGreedy(const std::vector<std::uint8_t>& input, MatchFinder& finder, TokenWriter& writer,
                  const ProgressFunction& progress) {
  std::vector<Candidate> candidates;
  std::uint32_t size = static_cast<std::uint32_t>(input.size());
  std::uint32_t position = 0;
  while (position < size) {
    if (progress && position % ProgressStep == 0) progress(position, size);
    finder.Insert(position);
    finder.Find(position, MaxLength, candidates);
    std::int64_t bestGain = 0;
    Candidate chosen{0, 0};
    for (const Candidate& c : candidates) {
      std::int64_t gain = std::int64_t{LiteralBits} * c.length - ReferenceBits(c.length, c.distance);
      if (gain > bestGain) {
        bestGain = gain;
        chosen = c;
      }
    }
    if (chosen.length == 0) {
      writer.Literal(input[position++]);
      continue;
    }
    writer.Reference(chosen.length, chosen.distance);
    for (std::uint32_t end = position + chosen.length; ++position < end;) finder.Insert(position);
  }
}

// Prices in the dynamic programme: bits scaled, plus a tie-break that prefers fewer tokens among
// parses of the same size, since each token costs the decoder a branch.
constexpr std::uint32_t PriceScale = 16;
constexpr std::uint32_t TokenTieBreak = 1;

// Forward dynamic programme: cost[i] is the lowest price that produces the first i bytes.
void EncodeOptimal(const std::vector<std::uint8_t>& input, MatchFinder& finder, const LevelSettings& settings,
                   TokenWriter& writer, const ProgressFunction& progress) {
  constexpr std::uint32_t Infinite = std::numeric_limits<std::uint32_t>::max();
  std::uint32_t size = static_cast<std::uint32_t>(input.size());
  std::vector<std::uint32_t> cost(size + 1, Infinite);
  std::vector<std::uint32_t> stepLength(size + 1, 0);
  std::vector<std::uint32_t> stepDistance(size + 1, 0);
  std::vector<Candidate> candidates;
  cost[0] = 0;

  auto relax = [&](std::uint32_t from, std::uint32_t length, std::uint32_t distance, std::uint32_t bits) {
    std::uint32_t to = from + length;
    std::uint32_t total = cost[from] + bits * PriceScale + TokenTieBreak;
    if (total < cost[to]) {
      cost[to] = total;
      stepLength[to] = length;
      stepDistance[to] = distance;
    }
  };

  // Inside a long match the finder is skipped; its tail is the one candidate.
  std::uint32_t longEnd = 0;
  std::uint32_t longDistance = 0;
  for (std::uint32_t position = 0; position < size; ++position) {
    if (progress && position % ProgressStep == 0) progress(position, size);
    finder.Insert(position);
    relax(position, 1, 0, LiteralBits);
    if (position < longEnd) {
      std::uint32_t length = longEnd - position;
      if (length >= 2) relax(position, length, longDistance, ReferenceBits(length, longDistance));
      continue;
    }
    finder.Find(position, MaxLength, candidates);
    if (candidates.empty()) continue;
    const Candidate& longest = candidates.back();
    if (longest.length >= settings.niceLength) {
      relax(position, longest.length, longest.distance, ReferenceBits(longest.length, longest.distance));
      longEnd = position + longest.length;
      longDistance = longest.distance;
      continue;
    }
    std::uint32_t length = 2;
    for (const Candidate& c : candidates) {
      for (; length <= c.length; ++length) relax(position, length, c.distance, ReferenceBits(length, c.distance));
    }
  }

  std::vector<Candidate> path;
  for (std::uint32_t at = size; at > 0; at -= stepLength[at]) path.push_back({stepLength[at], stepDistance[at]});
  std::uint32_t position = 0;
  for (auto step = path.rbegin(); step != path.rend(); ++step) {
    if (step->distance == 0)
      writer.Literal(input[position]);
    else
      writer.Reference(step->length, step->distance);
    position += step->length;
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeStream(const std::vector<std::uint8_t>& input, int level,
                                       const ProgressFunction& progress) {
  std::vector<std::uint8_t> out;
  out.reserve(input.size() + input.size() / 8 + 16);
  TokenWriter writer(out);
  LevelSettings settings = SettingsFor(level);
  MatchFinder finder(input, settings.depth, MaxDistance);
  if (settings.optimal)
    EncodeOptimal(input, finder, settings, writer, progress);
  else
    EncodeGreedy(input, finder, writer, progress);
  if (progress) progress(input.size(), input.size());
  return out;
}

std::vector<std::uint8_t> EncodeGreedyBaseline(const std::vector<std::uint8_t>& input, std::uint32_t reach) {
  std::vector<std::uint8_t> out;
  TokenWriter writer(out);
  MatchFinder finder(input, 4096, reach);
  std::vector<Candidate> candidates;
  std::uint32_t size = static_cast<std::uint32_t>(input.size());
  for (std::uint32_t position = 0; position < size;) {
    finder.Insert(position);
    finder.Find(position, MaxLength, candidates);
    if (candidates.empty() || candidates.back().length < 2 ||
        ReferenceBits(candidates.back().length, candidates.back().distance) >=
            LiteralBits * candidates.back().length) {
      writer.Literal(input[position++]);
      continue;
    }
    const Candidate& c = candidates.back();
    writer.Reference(c.length, c.distance);
    for (std::uint32_t end = position + c.length; ++position < end;) finder.Insert(position);
  }
  return out;
}

}  // namespace pck
