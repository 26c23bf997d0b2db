// Finding the installation through the host registry tree and real folders.
#include <unistd.h>

#include <cstring>
#include <functional>

#include "host_fixture.h"
#include "install_lookup.h"
#include "updater_state.h"

namespace {

struct LookupCase {
  const char* name;
  // Makes the registry and folders; returns the expected directory after the lookup ("" = not installed).
  std::function<std::string(class LookupTest&)> arrange;
  int readResult;
  bool found;
};
void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.name; }

class LookupTest : public HostFixture, public ::testing::WithParamInterface<LookupCase> {
 public:
  std::string Game() { return Path("game"); }
  void MakeGame(const std::string& relative = "game") {
    ASSERT_EQ(mkdir(Path(relative).c_str(), 0755), 0);
    WriteFile(relative + "/QUORLEN.exe", "old");
  }
  using HostFixture::CreateKeyOnly;
  using HostFixture::SetDataDir;
};

std::string WithNul(const std::string& text) { return text + std::string(1, '\0'); }

TEST_P(LookupTest, GivesTheInstallationDirectory) {
  const LookupCase& c = GetParam();
  std::string expectedDir = c.arrange(*this);
  EXPECT_EQ(ReadInstallDir(), c.readResult);
  if (expectedDir.empty()) {
    EXPECT_EQ(InstallDir[0], 0);
    return;
  }
  ASSERT_NE(InstallDir[0], 0);
  EXPECT_EQ(LocateGameExecutable(TargetPath, InstallDir), c.found ? 1 : 0);
  EXPECT_EQ(std::string(InstallDir), expectedDir);
  if (expectedDir.size() <= 247) {
    EXPECT_EQ(std::string(TargetPath), expectedDir + "\\QUORLEN.exe");
  } else {
    EXPECT_STREQ(TargetPath, "");
  }
}

std::string TextOfLength(LookupTest& t, std::size_t length) {
  std::string text = t.Game();
  text += "/";
  while (text.size() < length) text += 'x';
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Registry, LookupTest,
    ::testing::Values(
        LookupCase{"MissingKey", [](LookupTest&) { return std::string(); }, 0, false},
        LookupCase{"MissingValue", [](LookupTest& t) { t.CreateKeyOnly(); return std::string(); }, 1, false},
        LookupCase{"EmptyValue", [](LookupTest& t) { t.SetDataDir(WithNul("")); return std::string(); }, 1, false},
        LookupCase{"ValueWithNoBytes", [](LookupTest& t) { t.SetDataDir(""); return std::string(); }, 1, false},
        LookupCase{"PlainDirectory",
                   [](LookupTest& t) { t.MakeGame(); t.SetDataDir(WithNul(t.Game())); return t.Game(); }, 1, true},
        LookupCase{"NoTerminatingNul",
                   [](LookupTest& t) { t.MakeGame(); t.SetDataDir(t.Game()); return t.Game(); }, 1, true},
        LookupCase{"OneTrailingBackslash",
                   [](LookupTest& t) { t.MakeGame(); t.SetDataDir(WithNul(t.Game() + "\\")); return t.Game(); }, 1,
                   true},
        LookupCase{"TwoTrailingBackslashes",
                   [](LookupTest& t) {
                     t.MakeGame();
                     t.SetDataDir(WithNul(t.Game() + "\\\\"));
                     return t.Game() + "\\";
                   },
                   1, true},
        LookupCase{"TrailingForwardSlashStays",
                   [](LookupTest& t) { t.MakeGame(); t.SetDataDir(WithNul(t.Game() + "/")); return t.Game() + "/"; },
                   1, true},
        LookupCase{"DoubleByteNameEndingIn5C",
                   [](LookupTest& t) {
                     t.MakeGame("g\x95\x5C");  // a kanji whose second byte is 0x5C
                     std::string dir = t.Path("g\x95\x5C");
                     t.SetDataDir(WithNul(dir));
                     return dir;
                   },
                   1, true},
        LookupCase{"DirectoryNamedLikeTheExecutable",
                   [](LookupTest& t) {
                     mkdir(t.Game().c_str(), 0755);
                     mkdir((t.Game() + "/QUORLEN.exe").c_str(), 0755);
                     t.SetDataDir(WithNul(t.Game()));
                     return t.Game();
                   },
                   1, true},
        LookupCase{"ExecutableMissing",
                   [](LookupTest& t) {
                     mkdir(t.Game().c_str(), 0755);
                     t.SetDataDir(WithNul(t.Game()));
                     return t.Game();
                   },
                   1, false},
        LookupCase{"ExpandableTextTakenLiterally",
                   [](LookupTest& t) { t.SetDataDir(WithNul("%HOME%\\game")); return std::string("%HOME%\\game"); },
                   1, false},
        LookupCase{"LongestDirectoryThatFits",
                   [](LookupTest& t) { std::string d = TextOfLength(t, 247); t.SetDataDir(WithNul(d)); return d; }, 1,
                   false},
        LookupCase{"DirectoryTooLongForTheExecutable",
                   [](LookupTest& t) { std::string d = TextOfLength(t, 248); t.SetDataDir(WithNul(d)); return d; }, 1,
                   false},
        LookupCase{"Value259BytesAndNul",
                   [](LookupTest& t) { std::string d = TextOfLength(t, 259); t.SetDataDir(WithNul(d)); return d; }, 1,
                   false},
        LookupCase{"Value260BytesWithoutNul",
                   [](LookupTest& t) { t.SetDataDir(TextOfLength(t, 260)); return std::string(); }, 1, false},
        LookupCase{"Value260BytesAndNul",
                   [](LookupTest& t) { t.SetDataDir(WithNul(TextOfLength(t, 260))); return std::string(); }, 1,
                   false}),
    [](const ::testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

TEST_F(LookupTest, DriveRootLosesItsBackslash) {
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(root_.c_str()), 0);
  MakeGame("C:");
  SetDataDir(WithNul("C:\\"));
  ReadInstallDir();
  EXPECT_EQ(LocateGameExecutable(TargetPath, InstallDir), 1);
  EXPECT_STREQ(InstallDir, "C:");
  EXPECT_STREQ(TargetPath, "C:\\QUORLEN.exe");
  ASSERT_EQ(chdir(previous), 0);
}

}  // namespace
