// The packer: streams that decode back at every level and keep the format's rules, and a
// command line that refuses what it cannot do without leaving files behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstring>
#include <fstream>
#include <map>
#include <iterator>
#include <random>
#include <sstream>

#include "pck_commands.h"
#include "payload_record.h"
#include "record_codec.h"
#include "stream_decoder.h"
#include "stream_encoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::map<std::string, Bytes> Inputs() {
  std::map<std::string, Bytes> inputs;
  inputs["empty"] = {};
  inputs["one byte"] = {0x42};
  inputs["zeros"] = Bytes(200000, 0);
  std::mt19937 random(7);
  Bytes noise(50000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  inputs["noise"] = noise;
  Bytes text;
  const char* words[] = {"霧の港 ", "ようこそ、", "@name 案内人\n", "「……」\n", "#scene harbor\n", "宿へ向かう "};
  for (int i = 0; i < 20000; ++i) {
    const char* w = words[random() % 6];
    text.insert(text.end(), w, w + std::strlen(w));
  }
  inputs["text"] = text;
  Bytes structured;
  for (std::uint32_t i = 0; i < 120000; ++i)
    structured.push_back(static_cast<std::uint8_t>((i % 7 == 0) ? random() : (i / 64) ^ (i % 5)));
  inputs["structured"] = structured;
  Bytes runs;
  for (int i = 0; i < 40; ++i) runs.insert(runs.end(), 70000 + i, static_cast<std::uint8_t>(i));
  inputs["runs longer than a reference"] = runs;
  return inputs;
}

// Walks a stream token by token and checks the rules that decoding alone does not show.
void ExpectCanonical(const Bytes& stream) {
  std::size_t at = 0;
  std::uint32_t flags = 0;
  int left = 0;
  std::size_t produced = 0;
  while (at < stream.size()) {
    if (left == 0) {
      flags = stream[at++];
      left = 8;
    }
    bool literal = flags & 1;
    flags >>= 1;
    --left;
    if (at == stream.size()) {
      FAIL() << "the stream ends with a flag byte";
    }
    if (literal) {
      ++at;
      ++produced;
      continue;
    }
    std::uint32_t t = stream[at], length, distance, size;
    if (t >= 0xC0) { size = 2; length = ((t >> 2) & 15) + 4; distance = (t & 3) << 8 | stream[at + 1]; }
    else if (t & 0x80) { length = ((t >> 5) & 1) + 2; distance = t & 31; size = distance ? 1 : 2; if (!distance) distance = stream[at + 1]; }
    else if (t == 0x7F) { size = 5; length = (stream[at + 1] | stream[at + 2] << 8) + 2; distance = stream[at + 3] | stream[at + 4] << 8; }
    else { size = 3; length = t + 4; distance = stream[at + 1] | stream[at + 2] << 8; }
    std::uint32_t fewest = length <= 3 ? (distance <= 31 ? 1 : distance <= 255 ? 2 : 5)
                                       : (length <= 19 && distance <= 1023) ? 2 : length <= 130 ? 3 : 5;
    ASSERT_EQ(size, fewest) << "length " << length << " distance " << distance;
    ASSERT_GE(distance, 1u);
    ASSERT_LE(distance, produced);
    at += size;
    produced += length;
  }
  EXPECT_EQ(flags & ((1u << left) - 1), 0u) << "flag bits after the last token are set";
}

TEST(Encoder, EveryLevelRoundTripsCanonically) {
  for (const auto& [name, input] : Inputs()) {
    for (int level = pck::FastestLevel; level <= pck::BestLevel; ++level) {
      Bytes stream = pck::EncodeStream(input, level);
      Bytes output(input.size() + 1);
      std::int32_t produced = DecodePayloadStream(output.data(), static_cast<std::int32_t>(output.size()),
                                                  stream.data(), static_cast<std::int32_t>(stream.size()));
      ASSERT_EQ(produced, static_cast<std::int32_t>(input.size())) << name << " level " << level;
      output.resize(input.size());
      ASSERT_EQ(output, input) << name << " level " << level;
      ExpectCanonical(stream);
    }
  }
}

TEST(Encoder, BestLevelIsNoLargerThanGreedy) {
  for (const auto& [name, input] : Inputs()) {
    EXPECT_LE(pck::EncodeStream(input, 9).size(), pck::EncodeStream(input, 1).size()) << name;
  }
}

TEST(Encoder, BaselineKeepsItsReach) {
  Bytes input = Inputs()["text"];
  Bytes stream = pck::EncodeGreedyBaseline(input, 3088);
  Bytes output(input.size());
  ASSERT_EQ(DecodePayloadStream(output.data(), static_cast<std::int32_t>(output.size()), stream.data(),
                                static_cast<std::int32_t>(stream.size())),
            static_cast<std::int32_t>(input.size()));
  EXPECT_EQ(output, input);
}

class PckCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pck-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { EXPECT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0); }

  int Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    int code = pck::RunPck(args, out, err);
    out_ = out.str();
    err_ = err.str();
    return code;
  }
  std::string P(const std::string& name) { return dir_ + "/" + name; }
  void Write(const std::string& name, const Bytes& bytes) {
    std::ofstream(P(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  Bytes Read(const std::string& name) {
    std::ifstream file(P(name), std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& name) { return access(P(name).c_str(), F_OK) == 0; }

  std::string dir_, out_, err_;
};

TEST_F(PckCommand, PacksUnpacksAndDescribes) {
  Bytes input = Inputs()["text"];
  Write("MAIN.MES", input);
  ASSERT_EQ(Run({"pack", P("MAIN.MES"), P("MAIN.PCK"), "--stamp", "1225530773"}), 0) << err_;
  Bytes record = Read("MAIN.PCK");
  EXPECT_EQ(ReadLittleEndian32(record.data()), static_cast<std::int32_t>(record.size() - 8));
  EXPECT_EQ(ReadLittleEndian32(record.data() + 4), 1225530773);
  ASSERT_EQ(Run({"unpack", P("MAIN.PCK"), P("out")}), 0) << err_;
  EXPECT_EQ(Read("out"), input);
  ASSERT_EQ(Run({"info", P("MAIN.PCK")}), 0) << err_;
  EXPECT_NE(out_.find("stream length:  " + std::to_string(record.size() - 8) + " bytes"), std::string::npos) << out_;
  EXPECT_NE(out_.find("1225530773 (2008-11-01 09:12:53 UTC)"), std::string::npos) << out_;
  EXPECT_NE(out_.find("decoded length: " + std::to_string(input.size()) + " bytes"), std::string::npos) << out_;
}

TEST_F(PckCommand, StampDefaultsToTheInputsLastWriteTime) {
  Write("game", {1, 2, 3});
  struct timespec times[2] = {{1000000000, 0}, {1225762634, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, P("game").c_str(), times, 0), 0);
  ASSERT_EQ(Run({"pack", P("game"), P("game.pck"), "-1"}), 0) << err_;
  EXPECT_EQ(ReadLittleEndian32(Read("game.pck").data() + 4), 1225762634);
}

struct BadRecord {
  const char* name;
  Bytes record;
  const char* says;
};

TEST_F(PckCommand, RefusesMalformedRecordsAndLeavesNoOutput) {
  const BadRecord cases[] = {
      {"short header", {1, 0, 0}, "fewer than its 8-byte header"},
      {"stream beyond the record", {5, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x41}, "promises a stream of 5 bytes"},
      {"bytes after the stream", {2, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x41, 0x99}, "after its stream"},
      {"negative stream length", {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, "negative"},
      {"truncated token", {3, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x41, 0x7F}, "past the end"},
      {"zero distance", {4, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x41, 0x80, 0x00}, "distance 0"},
  };
  for (const BadRecord& c : cases) {
    Write("bad.pck", c.record);
    EXPECT_EQ(Run({"unpack", P("bad.pck"), P("out")}), 1) << c.name;
    EXPECT_NE(err_.find(c.says), std::string::npos) << c.name << ": " << err_;
    EXPECT_FALSE(Exists("out")) << c.name;
    EXPECT_EQ(Run({"info", P("bad.pck")}), 1) << c.name;
  }
}

TEST_F(PckCommand, RefusesBadCommandLinesAndInputs) {
  Write("big", Bytes(pck::MaxDecodedSize + 1, 0));
  Write("small", {1});
  EXPECT_EQ(Run({"pack", P("big"), P("big.pck")}), 1);
  EXPECT_NE(err_.find("at most 4000000"), std::string::npos) << err_;
  EXPECT_FALSE(Exists("big.pck"));
  EXPECT_EQ(Run({"pack", P("missing"), P("x.pck")}), 1);
  EXPECT_NE(err_.find("cannot open"), std::string::npos) << err_;
  EXPECT_EQ(Run({"pack", P("small"), P("x.pck"), "--stamp", "tomorrow"}), 1);
  EXPECT_EQ(Run({"pack", P("small"), P("x.pck"), "--stamp", "2147483648"}), 1);
  EXPECT_EQ(Run({"pack", P("small")}), 1);
  EXPECT_EQ(Run({"pack", P("small"), P("x.pck"), "--fast"}), 1);
  EXPECT_FALSE(Exists("x.pck"));
  EXPECT_EQ(Run({"pack", P("small"), P("no/such/dir/x.pck")}), 1);
  EXPECT_EQ(Run({"frobnicate"}), 2);
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.find("usage: pck pack INPUT OUTPUT"), std::string::npos);
}

TEST_F(PckCommand, PacksTheLargestInputTheUpdaterHolds) {
  Bytes input(pck::MaxDecodedSize);
  for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<std::uint8_t>((i >> 10) * 31 + i % 3);
  Write("max", input);
  ASSERT_EQ(Run({"pack", P("max"), P("max.pck"), "--stamp", "0", "-1"}), 0) << err_;
  ASSERT_EQ(Run({"unpack", P("max.pck"), P("max.out")}), 0) << err_;
  EXPECT_EQ(Read("max.out"), input);
}

}  // namespace
