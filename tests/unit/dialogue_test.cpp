// Whole runs over the scripted provider: which boxes appear, with which exact bytes, caption and
// style, and what the run leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "extraction_texts.h"
#include "payload_extraction.h"
#include "platform.h"
#include "program_entry.h"
#include "scripted_platform.h"
#include "test_support.h"
#include "texts.h"
#include "updater_state.h"

namespace {

const std::string Caption = "QUORLEN 1.01";
const std::string GameDir = "C:\\Games\\Ostrevane";
const std::string ExePath = GameDir + "\\QUORLEN.exe";
const std::string ScriptPath = GameDir + "\\AdvData\\MES\\MAIN.MES";
const std::string NewExe = "new game program";
const std::string NewScript = "new script";

// An installed game with its old executable, both payloads carried, and OK as the answer.
void InstallGame() {
  ResetScriptedRun();
  World.dataDir = AsBytes(GameDir + std::string(1, '\0'));
  World.directories = {"C:", "C:\\Games", GameDir};
  World.files[ExePath] = AsBytes("old game program");
  World.payloads["QUORLEN.PCK"] = PackRecord(NewExe, 1225762634);
  World.payloads["MAIN.PCK"] = PackRecord(NewScript, 1225530773);
  World.answers = {MessageAnswerOk};
}

int RunUpdater(const char* commandLine = "") {
  char line[64];
  std::strncpy(line, commandLine, sizeof line - 1);
  line[sizeof line - 1] = 0;
  return WinMain(nullptr, nullptr, line, 10);
}

ShownBox Box(const std::string& text, unsigned style = MessageStyleOk) { return {text, Caption, style}; }
ShownBox ConfirmBox() { return Box(cp932::Confirm, MessageStyleOkCancelQuestion); }

void ExpectBoxes(const std::vector<ShownBox>& expected) {
  ASSERT_EQ(World.boxes.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(World.boxes[i].text, expected[i].text) << "box " << i;
    EXPECT_EQ(World.boxes[i].caption, expected[i].caption) << "box " << i;
    EXPECT_EQ(World.boxes[i].style, expected[i].style) << "box " << i;
  }
}

TEST(Texts, AreTheExactCodePage932Bytes) {
  EXPECT_EQ(std::string(UpdaterCaption), Caption);
  EXPECT_EQ(std::string(NotInstalledText), cp932::NotInstalled);
  EXPECT_EQ(std::string(ExecutableNotFoundText), cp932::ExecutableNotFound);
  EXPECT_EQ(std::string(ConfirmUpdateText), cp932::Confirm);
  EXPECT_EQ(std::string(UpdateFinishedText), cp932::Finished);
  EXPECT_EQ(std::string(CannotWriteFormat), "%s" + cp932::CannotWriteTail);
  EXPECT_EQ(std::string(DiskFullText), cp932::DiskFull);
  EXPECT_EQ(std::string(ResourceNotFoundText), cp932::ResourceNotFound);
}

struct RunCase {
  const char* name;
  std::function<void()> arrange;
  std::vector<ShownBox> boxes;
  std::string exeAfter;  // the executable's contents after the run ("" = absent)
  bool scriptWritten;
};
void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class WholeRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(WholeRun, ShowsTheBoxesAndLeavesTheFiles) {
  const RunCase& run = GetParam();
  InstallGame();
  run.arrange();
  Bytes exeBefore = World.files.count(ExePath) ? World.files[ExePath] : Bytes();
  EXPECT_EQ(RunUpdater(), 0);
  ExpectBoxes(run.boxes);
  if (run.exeAfter.empty())
    EXPECT_EQ(World.files.count(ExePath), 0u);
  else
    EXPECT_EQ(World.files[ExePath], AsBytes(run.exeAfter));
  EXPECT_EQ(World.files.count(ScriptPath) == 1, run.scriptWritten);
  for (const auto& file : World.files) EXPECT_EQ(file.first.find("~QL"), std::string::npos) << file.first;
}


INSTANTIATE_TEST_SUITE_P(
    Dialogue, WholeRun,
    ::testing::Values(
        RunCase{"NoKey", [] { World.keyExists = false; }, {Box(cp932::NotInstalled)}, "old game program", false},
        RunCase{"NoValue", [] { World.dataDir.reset(); }, {Box(cp932::NotInstalled)}, "old game program", false},
        RunCase{"EmptyValue", [] { World.dataDir = Bytes{0}; }, {Box(cp932::NotInstalled)}, "old game program", false},
        RunCase{"ZeroLengthValue", [] { World.dataDir = Bytes{}; }, {Box(cp932::NotInstalled)}, "old game program",
            false},
        RunCase{"ExecutableMissing", [] { World.files.erase(ExePath); }, {Box(cp932::ExecutableNotFound)}, "", false},
        RunCase{"Cancel", [] { World.answers = {MessageAnswerCancel}; }, {ConfirmBox()}, "old game program", false},
        RunCase{"BoxCouldNotBeShown", [] { World.answers = {0}; }, {ConfirmBox()}, "old game program", false},
        RunCase{"Update", [] {}, {ConfirmBox(), Box(cp932::Finished)}, NewExe, true},
        RunCase{"UpdateIntoExistingScriptDirectories",
            [] { World.directories.insert({GameDir + "\\AdvData", GameDir + "\\AdvData\\MES"}); },
            {ConfirmBox(), Box(cp932::Finished)}, NewExe, true},
        RunCase{"FileNamedAdvData", [] { World.files[GameDir + "\\AdvData"] = AsBytes("x"); },
            {ConfirmBox(), Box(ScriptPath + cp932::CannotWriteTail)}, NewExe, false},
        RunCase{"ReadOnlyExecutable", [] { World.readOnly.insert(ExePath); },
            {ConfirmBox(), Box(ExePath + cp932::CannotWriteTail)}, "old game program", false},
        RunCase{"DiskFull", [] { World.forcedWriteResult = 3; }, {ConfirmBox(), Box(cp932::DiskFull)},
            "old game program", false},
        RunCase{"WriteError", [] { World.forcedWriteResult = -1; }, {ConfirmBox(), Box(cp932::DiskFull)},
            "old game program", false},
        RunCase{"MissingScriptPayload", [] { World.payloads.erase("MAIN.PCK"); },
            {ConfirmBox(), {cp932::ResourceNotFound, "MAIN.PCK", MessageStyleOk}}, NewExe, false},
        RunCase{"MissingExecutablePayload", [] { World.payloads.erase("QUORLEN.PCK"); },
            {ConfirmBox(), {cp932::ResourceNotFound, "QUORLEN.PCK", MessageStyleOk}}, "old game program", false},
        RunCase{"StreamBeyondTheRecord",
            [] {
              Bytes& record = World.payloads["QUORLEN.PCK"];
              record.pop_back();
            },
            {ConfirmBox(), {cp932::ResourceNotFound, "QUORLEN.PCK", MessageStyleOk}}, "old game program", false},
        RunCase{"UndecodableStream", [] { World.payloads["MAIN.PCK"] = RawRecord(2, 0, {0x00, 0x81}); },
            {ConfirmBox(), {cp932::ResourceNotFound, "MAIN.PCK", MessageStyleOk}}, NewExe, false}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(WholeRunDetails, CommandLineChangesNothing) {
  InstallGame();
  RunUpdater();
  ScriptedWorld plain = World;
  InstallGame();
  EXPECT_EQ(RunUpdater("/S --force C:\\other"), 0);
  ExpectBoxes(plain.boxes);
  EXPECT_EQ(World.files, plain.files);
  EXPECT_EQ(World.calls, plain.calls);
}

TEST(WholeRunDetails, WritesWithTheStampsAndNothingBeforeTheAnswer) {
  InstallGame();
  World.answers = {MessageAnswerCancel};
  RunUpdater();
  for (const std::string& call : World.calls) {
    EXPECT_NE(call.rfind("create", 0), 0u) << call;
    EXPECT_NE(call.rfind("mkdir", 0), 0u) << call;
  }
  InstallGame();
  RunUpdater();
  EXPECT_EQ(World.stamps[ExePath], 1225762634);
  EXPECT_EQ(World.stamps[ScriptPath], 1225530773);
  EXPECT_EQ(World.files[ScriptPath], AsBytes(NewScript));
}

TEST(WholeRunDetails, ReadsTheRegistryOnceAndClosesTheKey) {
  InstallGame();
  RunUpdater();
  std::vector<std::string> registry;
  for (const std::string& call : World.calls)
    if (call.find("key") != std::string::npos || call.rfind("query", 0) == 0) registry.push_back(call);
  EXPECT_EQ(registry, (std::vector<std::string>{"open key Software\\Tavrel\\QUORLEN", "query DataDir", "close key"}));
}

}  // namespace
