// Hostile registry values and payload records over the scripted provider: none overruns a buffer
// (the sanitizer build checks), each gives its outcome, and nothing is written outside the
// installation directory.
#include <gtest/gtest.h>

#include <cstring>

#include "cp932.h"
#include "payload_extraction.h"
#include "platform.h"
#include "scripted_platform.h"
#include "test_support.h"
#include "updater_state.h"

namespace {

enum class Outcome { NotInstalled, ExecutableNotFound, Refused, Updated };

const char* Name(Outcome outcome) {
  switch (outcome) {
    case Outcome::NotInstalled: return "not installed";
    case Outcome::ExecutableNotFound: return "executable not found";
    case Outcome::Refused: return "refused before writing";
    default: return "updated";
  }
}

// What the updater is to make of a value: the directory it names, and the outcome for it.
struct Expectation {
  std::string directory;
  Outcome outcome;
};

Expectation Expect(const Bytes& value) {
  if (value.size() > 260) return {"", Outcome::NotInstalled};
  Bytes buffer(260, 0);
  std::copy(value.begin(), value.end(), buffer.begin());
  auto nul = std::find(buffer.begin(), buffer.end(), 0);
  if (nul == buffer.end()) return {"", Outcome::NotInstalled};
  std::string dir(buffer.begin(), nul);
  if (dir.empty()) return {"", Outcome::NotInstalled};
  bool lastIsBackslash = false;
  bool endsInLoneLeadByte = false;
  for (std::size_t i = 0; i < dir.size(); i += IsCp932LeadByte(dir[i]) && i + 1 < dir.size() ? 2 : 1) {
    lastIsBackslash = dir[i] == '\\' && i == dir.size() - 1;
    endsInLoneLeadByte = IsCp932LeadByte(dir[i]) && i == dir.size() - 1;
  }
  if (lastIsBackslash) dir.pop_back();
  if (dir.size() > 247) return {dir, Outcome::ExecutableNotFound};
  // A lone lead byte takes the appended separator as its second byte: the paths then name files
  // of the parent directory, and writing there is refused.
  if (dir.size() > 238 || endsInLoneLeadByte) return {dir, Outcome::Refused};
  return {dir, Outcome::Updated};
}

// A value of length bytes: "D:\" and filler, ending as asked, with or without a NUL.
Bytes Value(std::size_t length, const std::string& ending, bool nul) {
  std::string text = "D:\\";
  std::size_t textLength = nul ? length - 1 : length;
  if (length == 0) return {};
  if (textLength < text.size() + ending.size()) return AsBytes(std::string(textLength, 'x') + (nul ? std::string(1, '\0') : ""));
  while (text.size() + ending.size() < textLength) text += text.size() % 50 == 49 ? '\\' : 'g';
  if (text.back() == '\\') text.back() = 'g';
  text += ending;
  Bytes bytes = AsBytes(text);
  if (nul) bytes.push_back(0);
  return bytes;
}

void RunWithValue(const Bytes& value, const std::string& installedDir) {
  ResetScriptedRun();
  World.dataDir = value;
  World.directories.insert("D:");
  if (!installedDir.empty()) {
    World.directories.insert(installedDir);
    World.files[installedDir + "\\QUORLEN.exe"] = AsBytes("old");
  }
  World.payloads["QUORLEN.PCK"] = PackRecord(std::string("exe"), 1);
  World.payloads["MAIN.PCK"] = PackRecord(std::string("script"), 2);
  World.answers = {MessageAnswerOk};
  RunUpdaterForTest();
}

Outcome Observed() {
  if (World.boxes.size() == 1) return World.boxes[0].text == cp932::NotInstalled ? Outcome::NotInstalled
                                                                                   : Outcome::ExecutableNotFound;
  if (World.boxes.size() == 2 && World.boxes[1].text == cp932::Finished) return Outcome::Updated;
  return Outcome::Refused;
}

TEST(HostileRegistryValue, EveryLengthAndEndingGivesItsOutcome) {
  const std::size_t lengths[] = {0, 1, 2, 3, 237, 238, 239, 240, 241, 246, 247, 248, 249, 250, 258, 259, 260, 261, 300};
  const std::string endings[] = {"", "\\", "\\\\", "/", "\x95\x5C", "\x95\x5C\\", "\x95"};
  int cases = 0;
  for (std::size_t length : lengths) {
    for (const std::string& ending : endings) {
      for (bool nul : {true, false}) {
        Bytes value = Value(length, ending, nul);
        Expectation expected = Expect(value);
        RunWithValue(value, expected.outcome == Outcome::NotInstalled ? "" : expected.directory);
        ++cases;
        std::string label = "length " + std::to_string(length) + ", ending of " + std::to_string(ending.size()) +
                            " bytes, " + (nul ? "with" : "without") + " NUL";
        ASSERT_EQ(Name(Observed()), std::string(Name(expected.outcome)))
            << label << "; last box: " << (World.boxes.empty() ? "" : World.boxes.back().text);
        for (const auto& file : World.files) {
          bool inside = file.first.rfind(expected.directory + "\\", 0) == 0;
          EXPECT_TRUE(inside) << label << ": wrote " << file.first;
        }
        if (expected.outcome == Outcome::Updated)
          EXPECT_EQ(World.files.at(expected.directory + "\\AdvData\\MES\\MAIN.MES"), AsBytes("script")) << label;
        else
          EXPECT_EQ(World.files.size(), expected.outcome == Outcome::NotInstalled ? 0u : 1u) << label;
      }
    }
  }
  RecordProperty("cases", cases);
}

struct TypedValue {
  const char* name;
  Bytes data;
  std::string directory;  // what the data is taken for ("" = not installed)
};
void PrintTo(const TypedValue& c, std::ostream* os) { *os << c.name; }

class ValueOfAnotherType : public ::testing::TestWithParam<TypedValue> {};

// The value's type is never looked at: its bytes are the directory up to the first NUL.
TEST_P(ValueOfAnotherType, IsTakenAsItsBytes) {
  const TypedValue& c = GetParam();
  RunWithValue(c.data, c.directory);
  if (c.directory.empty()) {
    ASSERT_EQ(World.boxes.size(), 1u);
    EXPECT_EQ(World.boxes[0].text, cp932::NotInstalled);
    return;
  }
  ASSERT_EQ(World.boxes.size(), 2u);
  EXPECT_EQ(World.boxes[1].text, cp932::Finished);
  EXPECT_TRUE(World.files.count(c.directory + "\\QUORLEN.exe"));
}

INSTANTIATE_TEST_SUITE_P(
    Types, ValueOfAnotherType,
    ::testing::Values(TypedValue{"BinaryWithInnerNul", AsBytes(std::string("D:\\bin\0D:\\other", 16)), "D:\\bin"},
                      TypedValue{"Number", Bytes{0x2A, 0, 0, 0}, "*"},
                      TypedValue{"ZeroNumber", Bytes{0, 0, 0, 0}, ""},
                      TypedValue{"ExpandableString", AsBytes(std::string("%ProgramFiles%\\Ost\0", 19)),
                                 "%ProgramFiles%\\Ost"},
                      TypedValue{"MultiString", AsBytes(std::string("D:\\first\0D:\\second\0\0", 20)), "D:\\first"},
                      TypedValue{"BinaryNoise", Bytes(260, 0xFF), ""}),
    [](const ::testing::TestParamInfo<TypedValue>& info) { return std::string(info.param.name); });

struct HostileRecord {
  const char* name;
  Bytes record;
  std::int64_t decodedSize;  // -1: refused
};

Bytes WithLength(std::int32_t streamLength, const Bytes& stream) { return RawRecord(streamLength, 7, stream); }

std::vector<HostileRecord> HostileRecords() {
  const Bytes every = {0x07, 0x41, 0x42, 0x43, 0xA3, 0xC0, 0x01, 0x02, 0x0A, 0x00, 0x7F, 0x00, 0x00, 0x10, 0x00, 0x80, 0x12};
  const Bytes maxStream = StreamDecodingTo(DecodeBufferSize);
  const Bytes overStream = StreamDecodingTo(DecodeBufferSize + 1);
  std::vector<HostileRecord> cases = {
      {"NegativeLength", WithLength(-1, every), 0},
      {"MostNegativeLength", WithLength(INT32_MIN, every), 0},
      {"ZeroLength", WithLength(0, every), 0},
      {"OneByteLength", WithLength(1, {0x00, 0x41}), 0},  // a lone flag byte announcing a reference
      {"OneByteLengthAnnouncingALiteral", WithLength(1, every), -1},
      {"LengthIsSizeMinus8", WithLength(17, every), 20},
      {"LengthOneMore", WithLength(18, every), -1},
      {"LargestLength", WithLength(INT32_MAX, every), -1},
      {"ExactlyTheBuffer", WithLength(static_cast<std::int32_t>(maxStream.size()), maxStream), DecodeBufferSize},
      {"OneByteMoreThanTheBuffer", WithLength(static_cast<std::int32_t>(overStream.size()), overStream), -1},
      {"ZeroDistance", WithLength(4, {0x01, 0x41, 0x80, 0x00}), -1},
      {"DistanceOnePastTheOutput", WithLength(4, {0x03, 0x41, 0x42, 0x83}), -1},
      {"NearDistanceOnePast", WithLength(4, {0x01, 0x41, 0xC0, 0x02}), -1},
      {"MediumDistanceOnePast", WithLength(5, {0x01, 0x41, 0x00, 0x02, 0x00}), -1},
      {"LongDistanceOnePast", WithLength(7, {0x01, 0x41, 0x7F, 0x00, 0x00, 0x02, 0x00}), -1},
      {"HeaderOnlyHalf", Bytes{0x10, 0x00, 0x00}, -1},
  };
  // Every form cut short at every byte it is missing.
  const Bytes forms[] = {{0xC4, 0x01}, {0x80, 0x01}, {0x04, 0x01, 0x00}, {0x7F, 0x02, 0x00, 0x01, 0x00}};
  for (const Bytes& form : forms) {
    for (std::size_t keep = 1; keep < form.size(); ++keep) {
      Bytes stream = {0x01, 0x41};
      for (std::size_t k = 0; k < keep; ++k) stream.push_back(form[k]);
      cases.push_back({"TruncatedForm", WithLength(static_cast<std::int32_t>(stream.size()), stream), -1});
    }
  }
  return cases;
}

TEST(HostileRecord, IsDecodedExactlyOrRefusedBeforeAnyFileIsOpened) {
  int tried = 0;
  for (const HostileRecord& c : HostileRecords()) {
    ResetScriptedRun();
    World.directories.insert("D:");
    World.payloads["QUORLEN.PCK"] = c.record;
    int result = ExtractPayload("D:\\QUORLEN.exe", "QUORLEN.PCK");
    ++tried;
    bool created = false;
    for (const std::string& call : World.calls) created = created || call.rfind("create", 0) == 0;
    if (c.decodedSize < 0) {
      EXPECT_EQ(result, ExtractNoResource) << c.name;
      EXPECT_FALSE(created) << c.name;
      EXPECT_TRUE(World.files.empty()) << c.name;
      ASSERT_EQ(World.boxes.size(), 1u) << c.name;
      EXPECT_EQ(World.boxes[0].caption, "QUORLEN.PCK");
    } else {
      EXPECT_EQ(result, ExtractDone) << c.name;
      ASSERT_TRUE(World.files.count("D:\\QUORLEN.exe")) << c.name;
      EXPECT_EQ(static_cast<std::int64_t>(World.files["D:\\QUORLEN.exe"].size()), c.decodedSize) << c.name;
    }
  }
  RecordProperty("cases", tried);
}

// Faults injected between the checks and the write: the directory vanishes, or a directory takes
// the target's place. The target is never half-written and no temporary file remains.
TEST(InjectedFault, DirectoryRemovedBeforeTheWrite) {
  ResetScriptedRun();
  World.directories = {"D:", "D:\\Ost"};
  World.payloads["QUORLEN.PCK"] = PackRecord(std::string("new"), 1);
  World.beforeCreate = [] { World.directories.erase("D:\\Ost"); };
  EXPECT_EQ(ExtractPayload("D:\\Ost\\QUORLEN.exe", "QUORLEN.PCK"), ExtractCannotOpen);
  EXPECT_TRUE(World.files.empty());
}

TEST(InjectedFault, TargetReplacedByADirectoryBeforeTheSwap) {
  ResetScriptedRun();
  World.directories = {"D:", "D:\\Ost"};
  World.files["D:\\Ost\\QUORLEN.exe"] = AsBytes("old");
  World.payloads["QUORLEN.PCK"] = PackRecord(std::string("new"), 1);
  World.beforeReplace = [] {
    World.files.erase("D:\\Ost\\QUORLEN.exe");
    World.directories.insert("D:\\Ost\\QUORLEN.exe");
  };
  EXPECT_EQ(ExtractPayload("D:\\Ost\\QUORLEN.exe", "QUORLEN.PCK"), ExtractCannotOpen);
  EXPECT_TRUE(World.directories.count("D:\\Ost\\QUORLEN.exe"));
  EXPECT_TRUE(World.files.empty()) << "the temporary file was left behind";
}

}  // namespace
