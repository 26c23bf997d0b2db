// Extracting payloads onto real files: every outcome, what the target holds afterwards, its times,
// and that no temporary file survives.
#include <stdio.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "host_fixture.h"
#include "payload_extraction.h"
#include "test_support.h"

namespace {

constexpr std::int32_t ExeStamp = 1225762634;     // 2008-11-04 01:37:14 UTC
constexpr std::int32_t SummerStamp = 1214900000;  // 2008-07-01, daylight-saving time in the north

class Extraction : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    ASSERT_EQ(mkdir(Path("game").c_str(), 0755), 0);
  }
  // Extracts into game/NAME with a host path using backslash separators for the last piece.
  int Extract(const std::string& name, const std::string& resource = "QUORLEN.PCK") {
    std::string target = Path("game") + "\\" + name;
    testing::internal::CaptureStdout();
    int result = ExtractPayload(target.c_str(), resource.c_str());
    boxes_ = testing::internal::GetCapturedStdout();
    return result;
  }
  void Carry(const std::string& content, std::int32_t stamp = ExeStamp) {
    SetPayloads({{"QUORLEN.PCK", PackRecord(content, stamp)}});
  }
  std::string boxes_;
};

TEST_F(Extraction, CreatesAnAbsentTargetWithTheStamp) {
  Carry("new executable bytes");
  EXPECT_EQ(Extract("QUORLEN.exe"), ExtractDone);
  struct stat written = Stat("game/QUORLEN.exe");  // before reading, which may touch the access time
  EXPECT_EQ(written.st_mtime, ExeStamp);
  EXPECT_EQ(written.st_atime, ExeStamp);
  EXPECT_EQ(ReadFile("game/QUORLEN.exe"), "new executable bytes");
  EXPECT_EQ(List("game"), std::vector<std::string>{"QUORLEN.exe"});
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(Extraction, ReplacesALongerTargetWhole) {
  WriteFile("game/QUORLEN.exe", std::string(5000, 'o'));
  ASSERT_EQ(chmod(Path("game/QUORLEN.exe").c_str(), 0750), 0);
  Carry("short");
  EXPECT_EQ(Extract("QUORLEN.exe"), ExtractDone);
  EXPECT_EQ(ReadFile("game/QUORLEN.exe"), "short");
  EXPECT_EQ(Stat("game/QUORLEN.exe").st_mode & 07777, 0750u) << "the target's permissions are kept";
  EXPECT_EQ(List("game"), std::vector<std::string>{"QUORLEN.exe"});
}

TEST_F(Extraction, TimesAreTheStampInEveryZone) {
  const char* zones[] = {"UTC0", "JST-9", "EST5EDT,M3.2.0,M11.1.0", "GMT0BST,M3.5.0/1,M10.5.0", "AEST-10AEDT,M10.1.0,M4.1.0/3"};
  const char* saved = getenv("TZ");
  std::string previous = saved ? saved : "";
  for (const char* zone : zones) {
    for (std::int32_t stamp : {ExeStamp, SummerStamp}) {
      setenv("TZ", zone, 1);
      tzset();
      Carry("x", stamp);
      EXPECT_EQ(Extract("QUORLEN.exe"), ExtractDone);
      EXPECT_EQ(Stat("game/QUORLEN.exe").st_mtime, stamp) << zone;
      EXPECT_EQ(Stat("game/QUORLEN.exe").st_atime, stamp) << zone;
    }
  }
  if (saved) setenv("TZ", previous.c_str(), 1); else unsetenv("TZ");
  tzset();
}

TEST_F(Extraction, NegativeStampLeavesTheTimesOfTheWriting) {
  Carry("content", -1);
  time_t before = time(nullptr);
  EXPECT_EQ(Extract("QUORLEN.exe"), ExtractDone);
  EXPECT_EQ(ReadFile("game/QUORLEN.exe"), "content");
  EXPECT_GE(Stat("game/QUORLEN.exe").st_mtime, before - 1);
}

TEST_F(Extraction, EmptyStreamEmptiesTheTargetAndSetsItsTimes) {
  WriteFile("game/QUORLEN.exe", "old contents");
  SetPayloads({{"QUORLEN.PCK", RawRecord(0, ExeStamp, {})}});
  EXPECT_EQ(Extract("QUORLEN.exe"), ExtractDone);
  EXPECT_EQ(ReadFile("game/QUORLEN.exe"), "");
  EXPECT_EQ(Stat("game/QUORLEN.exe").st_mtime, ExeStamp);
  SetPayloads({{"QUORLEN.PCK", RawRecord(-7, ExeStamp, {0x01, 0x41})}});
  EXPECT_EQ(Extract("NEW.exe"), ExtractDone);
  EXPECT_EQ(ReadFile("game/NEW.exe"), "");
}

TEST_F(Extraction, ASecondShorterPayloadWritesOnlyItsOwnBytes) {
  Carry(std::string(3000, 'A'));
  EXPECT_EQ(Extract("QUORLEN.exe"), ExtractDone);
  Carry("BB");
  EXPECT_EQ(Extract("MAIN.MES"), ExtractDone);
  EXPECT_EQ(ReadFile("game/MAIN.MES"), "BB");
}

struct Refusal {
  const char* name;
  void (*arrange)(Extraction&);
  std::string target;  // under game/
  int expected;
};
void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

class ExtractionRefusal : public Extraction, public ::testing::WithParamInterface<Refusal> {
 public:
  using Extraction::Carry;
  using Extraction::Path;
  using Extraction::SetPayloads;
  using Extraction::WriteFile;
};

// Each refusal leaves the folder exactly as it was: same names, same bytes.
TEST_P(ExtractionRefusal, LeavesTheTargetUnchanged) {
  const Refusal& r = GetParam();
  Carry("new bytes");
  WriteFile("game/QUORLEN.exe", "old bytes");
  GetParam().arrange(*this);
  std::vector<std::string> before = List("game");
  std::string oldBytes = ReadFile("game/QUORLEN.exe");
  EXPECT_EQ(Extract(r.target), r.expected);
  EXPECT_EQ(List("game"), before);
  EXPECT_EQ(ReadFile("game/QUORLEN.exe"), oldBytes);
  if (r.expected == ExtractNoResource) {
    EXPECT_NE(boxes_.find("リソースが見つかりません"), std::string::npos) << boxes_;
    EXPECT_NE(boxes_.find("QUORLEN.PCK"), std::string::npos) << boxes_;
  } else {
    EXPECT_TRUE(boxes_.empty()) << boxes_;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ExtractionRefusal,
    ::testing::Values(
        Refusal{"ReadOnlyTarget", [](Extraction& e) { chmod(e.Path("game/QUORLEN.exe").c_str(), 0444); },
                "QUORLEN.exe", ExtractCannotOpen},
        Refusal{"DirectoryInPlace", [](Extraction& e) { mkdir(e.Path("game/MAIN.MES").c_str(), 0755); }, "MAIN.MES",
                ExtractCannotOpen},
        Refusal{"MissingDirectory", [](Extraction&) {}, "AdvData\\MES\\MAIN.MES", ExtractCannotOpen},
        Refusal{"MissingResource", [](Extraction& e) { e.SetPayloads({}); }, "QUORLEN.exe", ExtractNoResource},
        Refusal{"StreamBeyondTheRecord",
                [](Extraction& e) { e.SetPayloads({{"QUORLEN.PCK", RawRecord(3, 0, {0x01, 0x41})}}); }, "QUORLEN.exe",
                ExtractNoResource},
        Refusal{"LargestStreamLength",
                [](Extraction& e) { e.SetPayloads({{"QUORLEN.PCK", RawRecord(INT32_MAX, 0, {0x01, 0x41})}}); },
                "QUORLEN.exe", ExtractNoResource},
        Refusal{"HeaderCut", [](Extraction& e) { e.SetPayloads({{"QUORLEN.PCK", Bytes{2, 0, 0, 0, 1}}}); },
                "QUORLEN.exe", ExtractNoResource},
        Refusal{"MalformedStream",
                [](Extraction& e) { e.SetPayloads({{"QUORLEN.PCK", RawRecord(3, 0, {0x01, 0x41, 0xC0})}}); },
                "QUORLEN.exe", ExtractNoResource},
        Refusal{"DecodesBeyondTheBuffer",
                [](Extraction& e) {
                  Bytes stream = StreamDecodingTo(DecodeBufferSize + 1);
                  e.SetPayloads({{"QUORLEN.PCK", RawRecord(static_cast<std::int32_t>(stream.size()), 0, stream)}});
                },
                "QUORLEN.exe", ExtractNoResource}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(Extraction, DecodesExactlyTheBufferSize) {
  Bytes stream = StreamDecodingTo(DecodeBufferSize);
  SetPayloads({{"QUORLEN.PCK", RawRecord(static_cast<std::int32_t>(stream.size()), ExeStamp, stream)}});
  EXPECT_EQ(Extract("QUORLEN.exe"), ExtractDone);
  EXPECT_EQ(Stat("game/QUORLEN.exe").st_size, DecodeBufferSize);
  EXPECT_EQ(ReadFile("game/QUORLEN.exe"), std::string(DecodeBufferSize, 'Z'));
}

TEST_F(Extraction, NeverWritesThroughALinkAtTheTemporaryName) {
  WriteFile("victim", "must stay");
  ASSERT_EQ(symlink(Path("victim").c_str(), Path("game/~QL00000").c_str()), 0);
  Carry("new bytes");
  EXPECT_EQ(Extract("QUORLEN.exe"), ExtractDone);
  EXPECT_EQ(ReadFile("victim"), "must stay");
  EXPECT_EQ(ReadFile("game/QUORLEN.exe"), "new bytes");
  EXPECT_EQ(List("game"), (std::vector<std::string>{"QUORLEN.exe", "~QL00000"}));
}

TEST_F(Extraction, ReplacesALinkAtTheTargetInsteadOfWritingThroughIt) {
  WriteFile("victim", "must stay");
  ASSERT_EQ(symlink(Path("victim").c_str(), Path("game/QUORLEN.exe").c_str()), 0);
  Carry("new bytes");
  EXPECT_EQ(Extract("QUORLEN.exe"), ExtractDone);
  EXPECT_EQ(ReadFile("victim"), "must stay");
  EXPECT_EQ(ReadFile("game/QUORLEN.exe"), "new bytes");
}

// A full disk, on a small tmpfs: needs root to mount.
TEST_F(Extraction, FullDiskKeepsTheOldTarget) {
  std::string disk = Path("disk");
  ASSERT_EQ(mkdir(disk.c_str(), 0755), 0);
  if (geteuid() != 0 || mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  WriteFile("disk/QUORLEN.exe", std::string(20000, 'o'));
  struct stat before = Stat("disk/QUORLEN.exe");
  Bytes big(200000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
  SetPayloads({{"QUORLEN.PCK", PackRecord(big, ExeStamp)}});
  std::string target = disk + "\\QUORLEN.exe";
  int result = ExtractPayload(target.c_str(), "QUORLEN.PCK");
  std::vector<std::string> names = List("disk");
  std::string bytes = ReadFile("disk/QUORLEN.exe");
  struct stat after = Stat("disk/QUORLEN.exe");
  umount(disk.c_str());
  EXPECT_EQ(result, ExtractShortWrite);
  EXPECT_EQ(bytes, std::string(20000, 'o'));
  EXPECT_EQ(after.st_mtime, before.st_mtime);
  EXPECT_EQ(names, std::vector<std::string>{"QUORLEN.exe"});
}

}  // namespace
