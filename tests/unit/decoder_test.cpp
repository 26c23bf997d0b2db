// The payload stream decoder: exact output of well-formed streams, refusal of malformed ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "payload_record.h"
#include "stream_decoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Decoded {
  std::int32_t result;
  Bytes output;
};

// Decodes into an area of capacity bytes surrounded by guard bytes that must survive.
Decoded Decode(const Bytes& stream, std::int32_t capacity = 70000) {
  constexpr std::size_t Guard = 64;
  Bytes area(Guard + static_cast<std::size_t>(capacity) + Guard, 0xEE);
  Decoded d;
  d.result = DecodePayloadStream(area.data() + Guard, capacity, stream.data(),
                                 static_cast<std::int32_t>(stream.size()));
  for (std::size_t i = 0; i < Guard; ++i) {
    EXPECT_EQ(area[i], 0xEE) << "wrote before the output area";
    EXPECT_EQ(area[area.size() - 1 - i], 0xEE) << "wrote past the output area";
  }
  if (d.result > 0) d.output.assign(area.begin() + Guard, area.begin() + Guard + d.result);
  return d;
}

Bytes Repeat(std::uint8_t byte, std::size_t count) { return Bytes(count, byte); }

struct GoodStream {
  const char* name;
  Bytes stream;
  Bytes expected;
};
void PrintTo(const GoodStream& c, std::ostream* os) { *os << c.name; }

class WellFormedStream : public ::testing::TestWithParam<GoodStream> {};

TEST_P(WellFormedStream, DecodesExactly) {
  const GoodStream& c = GetParam();
  Decoded d = Decode(c.stream);
  EXPECT_EQ(d.result, static_cast<std::int32_t>(c.expected.size()));
  EXPECT_EQ(d.output, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, WellFormedStream,
    ::testing::Values(
        GoodStream{"Empty", {}, {}},
        GoodStream{"LoneReferenceFlag", {0x00}, {}},
        GoodStream{"OneLiteral", {0x01, 0x41}, {0x41}},
        GoodStream{"FullGroupOfLiterals",
                   {0xFF, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48},
                   {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}},
        GoodStream{"FullGroupThenClosingFlag",
                   {0xFF, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x00},
                   {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}},
        // flags 0000 0111: three literals, then five references
        GoodStream{"EveryForm",
                   {0x07, 0x41, 0x42, 0x43,
                    0xA3,              // short inline: length 3, distance 3
                    0xC0, 0x01,        // near: length 4, distance 1
                    0x02, 0x0A, 0x00,  // medium: length 6, distance 10
                    0x7F, 0x00, 0x00, 0x10, 0x00,  // long: length 2, distance 16
                    0x80, 0x12},       // short extended: length 2, distance 18
                   {0x41, 0x42, 0x43, 0x41, 0x42, 0x43, 0x43, 0x43, 0x43, 0x43,
                    0x41, 0x42, 0x43, 0x41, 0x42, 0x43, 0x41, 0x42, 0x41, 0x42}},
        GoodStream{"OverlappingNearReference", {0x03, 0x41, 0x42, 0xC4, 0x02},
                   {0x41, 0x42, 0x41, 0x42, 0x41, 0x42, 0x41}},
        GoodStream{"LongRunAtDistanceOne", {0x01, 0x5A, 0x7F, 0x0E, 0x00, 0x01, 0x00}, Repeat(0x5A, 17)},
        GoodStream{"LongestShortInline", {0x01, 0x61, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81},
                   Repeat(0x61, 15)},
        // 31 literals 00..1E over four groups, then BF: length 3 from 31 back
        GoodStream{"ShortInlineFieldExtreme",
                   [] {
                     Bytes s;
                     for (int i = 0; i < 32; ++i) {
                       if (i % 8 == 0) s.push_back(i == 24 ? 0x7F : 0xFF);
                       if (i < 31) s.push_back(static_cast<std::uint8_t>(i));
                       else s.push_back(0xBF);
                     }
                     return s;
                   }(),
                   [] {
                     Bytes e;
                     for (int i = 0; i < 31; ++i) e.push_back(static_cast<std::uint8_t>(i));
                     e.insert(e.end(), {0, 1, 2});
                     return e;
                   }()},
        GoodStream{"MediumFieldExtreme", {0x01, 0x33, 0x7E, 0x01, 0x00}, Repeat(0x33, 131)},
        GoodStream{"LongFieldExtreme", {0x01, 0x33, 0x7F, 0xFF, 0xFF, 0x01, 0x00}, Repeat(0x33, 65538)}),
    [](const ::testing::TestParamInfo<GoodStream>& info) { return std::string(info.param.name); });

// Groups tokens under flag bytes: a token is a literal's byte or a reference's bytes.
struct Token {
  bool literal;
  Bytes bytes;
};

Bytes BuildStream(const std::vector<Token>& tokens) {
  Bytes stream;
  std::size_t flagAt = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (i % 8 == 0) {
      flagAt = stream.size();
      stream.push_back(0);
    }
    if (tokens[i].literal) stream[flagAt] |= static_cast<std::uint8_t>(1u << (i % 8));
    stream.insert(stream.end(), tokens[i].bytes.begin(), tokens[i].bytes.end());
  }
  return stream;
}

// A near reference reaching the farthest 1,023 bytes back, and medium and long references
// reaching 65,535 back, over output with no short repeats.
TEST(WellFormedStream, ReferencesReachTheirFarthestDistance) {
  std::vector<Token> tokens;
  Bytes expected;
  for (int i = 0; i < 65535; ++i) {
    std::uint8_t byte = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
    tokens.push_back({true, {byte}});
    expected.push_back(byte);
  }
  auto copy = [&](std::size_t distance, std::size_t length) {
    std::size_t from = expected.size() - distance;
    for (std::size_t k = 0; k < length; ++k) expected.push_back(expected[from + k]);
  };
  tokens.push_back({false, {0xFF, 0xFF}});  // near: length 19, distance 1023
  copy(1023, 19);
  tokens.push_back({false, {0x7E, 0xFF, 0xFF}});  // medium: length 130, distance 65535
  copy(65535, 130);
  tokens.push_back({false, {0x7F, 0x00, 0x01, 0xFF, 0xFF}});  // long: length 258, distance 65535
  copy(65535, 258);
  Decoded d = Decode(BuildStream(tokens), 80000);
  ASSERT_EQ(d.result, static_cast<std::int32_t>(expected.size()));
  EXPECT_EQ(d.output, expected);
}

// Overlapping copies at every distance below the length give the forward byte-by-byte result.
TEST(WellFormedStream, OverlappingCopiesRepeatThePattern) {
  for (std::uint32_t distance = 1; distance <= 40; ++distance) {
    std::vector<Token> tokens;
    Bytes expected;
    for (std::uint32_t i = 0; i < distance; ++i) {
      tokens.push_back({true, {static_cast<std::uint8_t>('a' + i % 26 + i / 26)}});
      expected.push_back(tokens.back().bytes[0]);
    }
    const std::uint32_t length = 1000;
    tokens.push_back({false, {0x7F, static_cast<std::uint8_t>((length - 2) & 0xFF),
                              static_cast<std::uint8_t>((length - 2) >> 8), static_cast<std::uint8_t>(distance), 0}});
    for (std::uint32_t k = 0; k < length; ++k) expected.push_back(expected[expected.size() - distance]);
    Decoded d = Decode(BuildStream(tokens), 2000);
    ASSERT_EQ(d.output, expected) << "distance " << distance;
  }
}

TEST(WellFormedStream, NonPositiveLengthReadsAndWritesNothing) {
  const std::uint8_t stream[] = {0x01, 0x41};
  std::uint8_t out[4] = {9, 9, 9, 9};
  for (std::int32_t length : {0, -1, INT32_MIN}) {
    EXPECT_EQ(DecodePayloadStream(out, 4, stream, length), 0);
    EXPECT_EQ(out[0], 9);
  }
  EXPECT_EQ(DecodePayloadStream(out, 4, nullptr, -5), 0);
}

TEST(WellFormedStream, FillsTheCapacityExactly) {
  Decoded d = Decode({0x01, 0x5A, 0x7F, 0x0E, 0x00, 0x01, 0x00}, 17);
  EXPECT_EQ(d.result, 17);
}

struct BadStream {
  const char* name;
  Bytes stream;
  std::int32_t capacity;
  std::int32_t expected;
};
void PrintTo(const BadStream& c, std::ostream* os) { *os << c.name; }

class MalformedStream : public ::testing::TestWithParam<BadStream> {};

TEST_P(MalformedStream, IsRefused) {
  const BadStream& c = GetParam();
  EXPECT_EQ(Decode(c.stream, c.capacity).result, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MalformedStream,
    ::testing::Values(
        BadStream{"LiteralFlagWithoutByte", {0x01}, 16, DecodeTruncated},
        BadStream{"LiteralCutAfterFullGroup",
                  {0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0x01}, 16, DecodeTruncated},
        BadStream{"TruncatedNearReference", {0x01, 0x41, 0xC0}, 16, DecodeTruncated},
        BadStream{"TruncatedShortExtended", {0x01, 0x41, 0x80}, 16, DecodeTruncated},
        BadStream{"TruncatedMediumReference", {0x01, 0x41, 0x00, 0x01}, 16, DecodeTruncated},
        BadStream{"TruncatedLongReference", {0x01, 0x41, 0x7F, 0x01, 0x00, 0x01}, 16, DecodeTruncated},
        BadStream{"LongReferenceWithOnlyItsFirstByte", {0x01, 0x41, 0x7F}, 16, DecodeTruncated},
        BadStream{"ZeroDistanceNear", {0x01, 0x41, 0xC0, 0x00}, 16, DecodeBadDistance},
        BadStream{"ZeroDistanceShortExtended", {0x01, 0x41, 0x80, 0x00}, 16, DecodeBadDistance},
        BadStream{"ZeroDistanceMedium", {0x01, 0x41, 0x00, 0x00, 0x00}, 16, DecodeBadDistance},
        BadStream{"ZeroDistanceLong", {0x01, 0x41, 0x7F, 0x00, 0x00, 0x00, 0x00}, 16, DecodeBadDistance},
        BadStream{"ReferenceAtTheStart", {0x00, 0x81}, 16, DecodeBadDistance},
        BadStream{"DistanceOnePastTheOutput", {0x03, 0x41, 0x42, 0x83}, 16, DecodeBadDistance},
        BadStream{"MediumDistanceOnePastTheOutput", {0x01, 0x41, 0x00, 0x02, 0x00}, 16, DecodeBadDistance},
        BadStream{"LiteralBeyondCapacity", {0x03, 0x41, 0x42}, 1, DecodeOverflow},
        BadStream{"ReferenceBeyondCapacity", {0x01, 0x41, 0x7F, 0x0E, 0x00, 0x01, 0x00}, 16, DecodeOverflow},
        BadStream{"AnythingIntoNoRoom", {0x01, 0x41}, 0, DecodeOverflow}),
    [](const ::testing::TestParamInfo<BadStream>& info) { return std::string(info.param.name); });

TEST(MalformedStream, FaultsAreNeverCounts) {
  for (std::int32_t fault : {DecodeTruncated, DecodeBadDistance, DecodeOverflow}) EXPECT_LT(fault, 0);
}

struct RecordCase {
  const char* name;
  std::int32_t streamLength;
  std::uint32_t recordSize;
  int expected;
};
void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.name; }

class RecordHeader : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordHeader, StreamLengthIsCheckedAgainstTheRecord) {
  const RecordCase& c = GetParam();
  Bytes record(std::max<std::uint32_t>(c.recordSize, 8), 0);
  WriteLittleEndian32(record.data(), c.streamLength);
  WriteLittleEndian32(record.data() + 4, 1225762634);
  PayloadRecordFields fields{};
  EXPECT_EQ(ReadPayloadRecord(record.data(), c.recordSize, &fields), c.expected);
  if (c.expected == RecordOk) {
    EXPECT_EQ(fields.streamLength, c.streamLength);
    EXPECT_EQ(fields.timeStamp, 1225762634);
    EXPECT_EQ(fields.stream, record.data() + 8);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, RecordHeader,
    ::testing::Values(RecordCase{"Negative", -1, 20, RecordOk}, RecordCase{"MostNegative", INT32_MIN, 8, RecordOk},
                      RecordCase{"Zero", 0, 8, RecordOk}, RecordCase{"One", 1, 9, RecordOk},
                      RecordCase{"SizeMinusHeader", 12, 20, RecordOk},
                      RecordCase{"OneMore", 13, 20, RecordStreamBeyondEnd},
                      RecordCase{"Largest", INT32_MAX, 20, RecordStreamBeyondEnd},
                      RecordCase{"HeaderCut", 0, 7, RecordTooShort}, RecordCase{"NoBytes", 0, 0, RecordTooShort}),
    [](const ::testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

TEST(RecordHeader, FieldsAreLittleEndianAndSigned) {
  const std::uint8_t header[] = {0x4B, 0xBC, 0x03, 0x00, 0x4A, 0xA7, 0x0F, 0x49};
  EXPECT_EQ(ReadLittleEndian32(header), 244811);
  EXPECT_EQ(ReadLittleEndian32(header + 4), 1225762634);
  const std::uint8_t negative[] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(ReadLittleEndian32(negative), -1);
}

}  // namespace
