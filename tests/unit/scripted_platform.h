// A provider whose every effect is kept in memory and scripted by the test: box answers,
// files and directories, and writes that fail on purpose.
#ifndef QUORLEN_SCRIPTED_PLATFORM_H
#define QUORLEN_SCRIPTED_PLATFORM_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct ShownBox {
  std::string text;
  std::string caption;
  unsigned style;
};

struct ScriptedWorld {
  bool keyExists = true;
  std::optional<Bytes> dataDir;                   // the registry value's raw bytes
  std::set<std::string> directories;
  std::map<std::string, Bytes> files;
  std::set<std::string> readOnly;                 // files whose attributes refuse writing
  std::map<std::string, std::int32_t> stamps;     // last times set per path
  std::map<std::string, Bytes> payloads;
  std::deque<int> answers;                        // answers to boxes with OK and Cancel
  std::optional<std::int32_t> forcedWriteResult;  // what every write reports
  std::vector<ShownBox> boxes;
  std::vector<std::string> calls;                 // "mkdir P", "create P", "replace A -> B", ...
  std::function<void()> beforeCreate;             // faults injected just before a file is created
  std::function<void()> beforeReplace;            // or just before it takes the target's place
};

extern ScriptedWorld World;

// Clears the world and the updater's buffers for a fresh run.
void ResetScriptedRun();

// Runs WinMain as the start-up would, with an empty command line.
int RunUpdaterForTest();

#endif
