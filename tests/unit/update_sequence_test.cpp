// The update sequence over the scripted provider: order of effects, the stop at the first failure,
// and the limits that the fixed path buffers set.
#include <gtest/gtest.h>

#include <cstring>

#include "install_lookup.h"
#include "payload_extraction.h"
#include "platform.h"
#include "program_entry.h"
#include "scripted_platform.h"
#include "test_support.h"
#include "update_sequence.h"
#include "updater_state.h"

namespace {

// A game installed in dir (parents made up as directories), both payloads carried.
void Install(const std::string& dir) {
  ResetScriptedRun();
  for (std::size_t at = dir.find('\\'); at != std::string::npos; at = dir.find('\\', at + 1))
    World.directories.insert(dir.substr(0, at));
  World.directories.insert(dir);
  World.files[dir + "\\QUORLEN.exe"] = AsBytes("old");
  World.payloads["QUORLEN.PCK"] = PackRecord(std::string("exe"), 100);
  World.payloads["MAIN.PCK"] = PackRecord(std::string("script"), 200);
  World.dataDir = AsBytes(dir + std::string(1, '\0'));
  World.answers = {MessageAnswerOk};
}

std::vector<std::string> Effects() {
  std::vector<std::string> effects;
  for (const std::string& call : World.calls)
    if (call.rfind("exists", 0) != 0 && call.rfind("box", 0) != 0 && call.find("key") == std::string::npos &&
        call.rfind("query", 0) != 0)
      effects.push_back(call);
  return effects;
}

int Apply(const std::string& dir) {
  std::strcpy(InstallDir, dir.c_str());
  return ApplyUpdate();
}

TEST(UpdateSequence, WritesTheExecutableThenTheScriptInOrder) {
  Install("D:\\Ost");
  EXPECT_EQ(Apply("D:\\Ost"), ExtractDone);
  EXPECT_EQ(Effects(), (std::vector<std::string>{
                           "create D:\\Ost\\~QL00000", "write 3", "close D:\\Ost\\~QL00000",
                           "replace D:\\Ost\\~QL00000 -> D:\\Ost\\QUORLEN.exe", "times D:\\Ost\\QUORLEN.exe",
                           "mkdir D:\\Ost\\AdvData", "mkdir D:\\Ost\\AdvData\\MES",
                           "create D:\\Ost\\AdvData\\MES\\~QL00000", "write 6",
                           "close D:\\Ost\\AdvData\\MES\\~QL00000",
                           "replace D:\\Ost\\AdvData\\MES\\~QL00000 -> D:\\Ost\\AdvData\\MES\\MAIN.MES",
                           "times D:\\Ost\\AdvData\\MES\\MAIN.MES"}));
  EXPECT_STREQ(TargetPath, "D:\\Ost\\AdvData\\MES\\MAIN.MES");
}

TEST(UpdateSequence, DriveRootGivesPathsAtTheTopOfTheDrive) {
  Install("C:");
  World.dataDir = AsBytes(std::string("C:\\") + '\0');
  EXPECT_EQ(RunUpdaterForTest(), 0);
  EXPECT_EQ(World.files.at("C:\\QUORLEN.exe"), AsBytes("exe"));
  EXPECT_EQ(World.files.at("C:\\AdvData\\MES\\MAIN.MES"), AsBytes("script"));
  EXPECT_TRUE(World.directories.count("C:\\AdvData"));
}

TEST(UpdateSequence, AFailedExecutableStopsBeforeAnyDirectory) {
  Install("D:\\Ost");
  World.readOnly.insert("D:\\Ost\\QUORLEN.exe");
  EXPECT_EQ(Apply("D:\\Ost"), ExtractCannotOpen);
  EXPECT_TRUE(Effects().empty());
  EXPECT_STREQ(TargetPath, "D:\\Ost\\QUORLEN.exe");
}

TEST(UpdateSequence, AFailedScriptKeepsTheNewExecutable) {
  Install("D:\\Ost");
  World.files["D:\\Ost\\AdvData"] = AsBytes("a file, not a directory");
  EXPECT_EQ(Apply("D:\\Ost"), ExtractCannotOpen);
  EXPECT_EQ(World.files.at("D:\\Ost\\QUORLEN.exe"), AsBytes("exe"));
  EXPECT_STREQ(TargetPath, "D:\\Ost\\AdvData\\MES\\MAIN.MES");
  EXPECT_EQ(World.files.at("D:\\Ost\\AdvData"), AsBytes("a file, not a directory"));
}

TEST(UpdateSequence, WriteFaultsKeepTheOldTargetAndLeaveNoTemporary) {
  for (std::int32_t reported : {-1, 1, 2}) {
    Install("D:\\Ost");
    World.forcedWriteResult = reported;
    EXPECT_EQ(Apply("D:\\Ost"), ExtractShortWrite) << reported;
    EXPECT_EQ(World.files.at("D:\\Ost\\QUORLEN.exe"), AsBytes("old"));
    EXPECT_EQ(World.files.size(), 1u) << "a temporary file survived";
    EXPECT_TRUE(World.stamps.empty());
    EXPECT_EQ(World.directories.count("D:\\Ost\\AdvData"), 0u);
  }
}

// A directory of the given length below "D:\".
std::string DirectoryOfLength(std::size_t length) {
  std::string dir = "D:\\";
  while (dir.size() < length) dir += dir.size() % 40 == 39 ? '\\' : 'd';
  if (dir.back() == '\\') dir.back() = 'd';
  return dir;
}

struct Limit {
  std::size_t dirLength;
  bool exeFound;
  bool updated;
};
void PrintTo(const Limit& c, std::ostream* os) { *os << "directory of " << c.dirLength << " bytes"; }

class PathLimits : public ::testing::TestWithParam<Limit> {};

TEST_P(PathLimits, ArePlacedAtTheBufferSizes) {
  const Limit& limit = GetParam();
  std::string dir = DirectoryOfLength(limit.dirLength);
  ASSERT_EQ(dir.size(), limit.dirLength);
  Install(dir);
  RunUpdaterForTest();
  ASSERT_GE(World.boxes.size(), 1u);
  if (!limit.exeFound) {
    EXPECT_EQ(World.boxes.size(), 1u);
    EXPECT_EQ(World.boxes[0].text, cp932::ExecutableNotFound);
    return;
  }
  ASSERT_EQ(World.boxes.size(), 2u);
  if (limit.updated) {
    EXPECT_EQ(World.boxes[1].text, cp932::Finished);
    EXPECT_EQ(World.files.at(dir + "\\AdvData\\MES\\MAIN.MES"), AsBytes("script"));
    return;
  }
  // Refused before anything is written or created, naming a visibly shortened path.
  EXPECT_TRUE(Effects().empty());
  EXPECT_EQ(World.files.at(dir + "\\QUORLEN.exe"), AsBytes("old"));
  std::string shown = World.boxes[1].text;
  ASSERT_GT(shown.size(), cp932::CannotWriteTail.size());
  std::string path = shown.substr(0, shown.size() - cp932::CannotWriteTail.size());
  EXPECT_EQ(shown.substr(path.size()), cp932::CannotWriteTail);
  EXPECT_LE(path.size(), 259u);
  EXPECT_NE(path.find("...\\AdvData\\MES\\MAIN.MES"), std::string::npos) << path;
  EXPECT_EQ(path.rfind(dir.substr(0, 100), 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, PathLimits,
                         ::testing::Values(Limit{211, true, true}, Limit{238, true, true},
                                           Limit{239, true, false}, Limit{247, true, false},
                                           Limit{248, false, false}, Limit{259, false, false}));

TEST(CannotWriteBox, ShowsA232BytePathWhole) {
  std::string dir = DirectoryOfLength(211);
  Install(dir);
  World.files[dir + "\\AdvData"] = AsBytes("file");
  RunUpdaterForTest();
  std::string path = dir + "\\AdvData\\MES\\MAIN.MES";
  ASSERT_EQ(path.size(), 232u);
  ASSERT_EQ(World.boxes.size(), 2u);
  EXPECT_EQ(World.boxes[1].text, path + cp932::CannotWriteTail);
  EXPECT_EQ(World.boxes[1].text.size(), 255u);
}

TEST(CannotWriteBox, ShowsTheLongestPathWhole) {
  std::string dir = DirectoryOfLength(238);
  Install(dir);
  World.files[dir + "\\AdvData"] = AsBytes("file");
  RunUpdaterForTest();
  ASSERT_EQ(World.boxes.size(), 2u);
  EXPECT_EQ(World.boxes[1].text, dir + "\\AdvData\\MES\\MAIN.MES" + cp932::CannotWriteTail);
}

TEST(CannotWriteBox, ShortensWithoutSplittingADoubleByteCharacter) {
  // 0x95 0x5C is one character whose second byte is a backslash.
  std::string dir = "D:\\";
  while (dir.size() < 244) dir += "\x95\x5C";
  Install(dir);
  RunUpdaterForTest();
  ASSERT_EQ(World.boxes.size(), 2u);
  std::string shown = World.boxes[1].text;
  std::size_t mark = shown.find("...");
  ASSERT_NE(mark, std::string::npos);
  EXPECT_EQ((mark - 3) % 2, 0u) << "the cut fell inside a double-byte character";
}

}  // namespace
