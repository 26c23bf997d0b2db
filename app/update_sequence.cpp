#include "update_sequence.h"

#include <string.h>

#include "path_text.h"
#include "payload_extraction.h"
#include "platform.h"
#include "text_format.h"
#include "updater_state.h"

enum { ScriptNameSize = 20, ScratchSize = 80 };

// The scripts to write, in order; each name has at most 19 bytes.
static const char ScriptPayloadTable[][ScriptNameSize] = {"MAIN"};

static const char GameExecutableSuffix[] = "\\QUORLEN.exe";
static const char GameExecutablePayload[] = "QUORLEN.PCK";
static const char DataDirectorySuffix[] = "\\AdvData";
static const char ScriptDirectorySuffix[] = "\\MES";
static const char ScriptFileFormat[] = "\\%s.MES";
static const char ScriptPayloadFormat[] = "%s.PCK";
static const char ShorteningMark[] = "...";

// The script's path after InstallDir: "\AdvData\MES\NAME.MES".
static void BuildScriptSuffix(char* suffix, size_t capacity, const char* name) {
  char fileName[ScratchSize];
  FormatText(fileName, sizeof fileName, ScriptFileFormat, name);
  JoinPath(suffix, capacity, DataDirectorySuffix, ScriptDirectorySuffix);
  JoinPath(suffix, capacity, suffix, fileName);
}

// Puts in TargetPath as much of InstallDir as fits in whole characters, a mark, then suffix whole.
static void ShowShortenedPath(const char* suffix) {
  size_t suffixLength = strlen(suffix);
  size_t markLength = sizeof ShorteningMark - 1;
  size_t headRoom = TargetPathSize - 1 - markLength - suffixLength;
  size_t head = WholeCharacterPrefix(InstallDir, strlen(InstallDir), headRoom);
  memcpy(TargetPath, InstallDir, head);
  memcpy(TargetPath + head, ShorteningMark, markLength);
  memcpy(TargetPath + head + markLength, suffix, suffixLength + 1);
}

// Returns 1 when every payload's path fits in TargetPath; otherwise leaves the shortened form of
// the first one that does not in TargetPath and returns 0.
static int AllPayloadPathsFit() {
  char suffix[ScratchSize + sizeof DataDirectorySuffix + sizeof ScriptDirectorySuffix];
  char trial[TargetPathSize];
  if (!JoinPath(trial, sizeof trial, InstallDir, GameExecutableSuffix)) {
    ShowShortenedPath(GameExecutableSuffix);
    return 0;
  }
  for (const char* name : ScriptPayloadTable) {
    BuildScriptSuffix(suffix, sizeof suffix, name);
    if (!JoinPath(trial, sizeof trial, InstallDir, suffix)) {
      ShowShortenedPath(suffix);
      return 0;
    }
  }
  return 1;
}

int ApplyUpdate() {
  if (!AllPayloadPathsFit()) return ExtractCannotOpen;

  JoinPath(TargetPath, TargetPathSize, InstallDir, GameExecutableSuffix);
  int result = ExtractPayload(TargetPath, GameExecutablePayload);
  if (result != ExtractDone) return result;

  char scratch[ScratchSize];
  for (const char* name : ScriptPayloadTable) {
    JoinPath(TargetPath, TargetPathSize, InstallDir, DataDirectorySuffix);
    PlatformCreateDirectory(TargetPath);
    JoinPath(TargetPath, TargetPathSize, TargetPath, ScriptDirectorySuffix);
    PlatformCreateDirectory(TargetPath);
    FormatText(scratch, sizeof scratch, ScriptFileFormat, name);
    JoinPath(TargetPath, TargetPathSize, TargetPath, scratch);
    FormatText(scratch, sizeof scratch, ScriptPayloadFormat, name);
    result = ExtractPayload(TargetPath, scratch);
    if (result != ExtractDone) return result;
  }
  return ExtractDone;
}
