#include "scripted_platform.h"

#include <cstring>

#include "cp932.h"
#include "payload_extraction.h"
#include "platform.h"
#include "program_entry.h"
#include "updater_state.h"

ScriptedWorld World;

namespace {

std::map<PlatformFile, std::string> OpenFiles;
PlatformFile NextHandle = 100;

std::string ParentOf(const std::string& path) {
  std::size_t at = path.rfind('\\');
  return at == std::string::npos ? std::string() : path.substr(0, at);
}

bool Exists(const std::string& path) { return World.files.count(path) || World.directories.count(path); }

}  // namespace

void ResetScriptedRun() {
  World = ScriptedWorld();
  OpenFiles.clear();
  std::memset(InstallDir, 0, sizeof InstallDir);
  std::memset(TargetPath, 0, sizeof TargetPath);
}

int PlatformOpenUserKey(const char* keyPath, PlatformKey* key) {
  World.calls.push_back(std::string("open key ") + keyPath);
  if (!World.keyExists) return 2;
  *key = &World;
  return 0;
}

int PlatformQueryValue(PlatformKey, const char* valueName, unsigned char* data, uint32_t capacity) {
  World.calls.push_back(std::string("query ") + valueName);
  if (!World.dataDir || std::string(valueName) != "DataDir") return 2;
  if (World.dataDir->size() > capacity) return 234;
  if (!World.dataDir->empty()) std::memcpy(data, World.dataDir->data(), World.dataDir->size());
  return 0;
}

void PlatformCloseKey(PlatformKey) { World.calls.push_back("close key"); }

int PlatformPathExists(const char* path) {
  World.calls.push_back(std::string("exists ") + path);
  return Exists(path);
}

int PlatformIsLeadByte(unsigned char byte) { return IsCp932LeadByte(byte); }

int PlatformFindPayload(const char* name, const unsigned char** record, uint32_t* size) {
  auto found = World.payloads.find(name);
  if (found == World.payloads.end()) return 0;
  *record = found->second.data();
  *size = static_cast<uint32_t>(found->second.size());
  return 1;
}

int PlatformShowMessage(const char* text, const char* caption, unsigned style) {
  World.boxes.push_back({text, caption, style});
  World.calls.push_back(std::string("box ") + caption);
  if (style != MessageStyleOkCancelQuestion) return MessageAnswerOk;
  if (World.answers.empty()) return MessageAnswerCancel;
  int answer = World.answers.front();
  World.answers.pop_front();
  return answer;
}

int PlatformTargetAcceptsWrite(const char* path) {
  return !World.directories.count(path) && !World.readOnly.count(path);
}

int PlatformCreateNewFile(const char* path, PlatformFile* file) {
  World.calls.push_back(std::string("create ") + path);
  if (World.beforeCreate) World.beforeCreate();
  std::string parent = ParentOf(path);
  if (!parent.empty() && !World.directories.count(parent)) return CreateFileFailed;
  if (Exists(path)) return CreateFileExists;
  World.files[path] = {};
  *file = NextHandle++;
  OpenFiles[*file] = path;
  return CreateFileDone;
}

int32_t PlatformWriteFile(PlatformFile file, const unsigned char* bytes, int32_t count) {
  World.calls.push_back("write " + std::to_string(count));
  if (count == 0) return 0;
  std::int32_t reported = World.forcedWriteResult.value_or(count);
  if (reported > 0) World.files[OpenFiles.at(file)].assign(bytes, bytes + reported);
  return reported;
}

int PlatformCloseFile(PlatformFile file) {
  World.calls.push_back("close " + OpenFiles.at(file));
  OpenFiles.erase(file);
  return 1;
}

int PlatformReplaceFile(const char* source, const char* target) {
  World.calls.push_back(std::string("replace ") + source + " -> " + target);
  if (World.beforeReplace) World.beforeReplace();
  if (World.directories.count(target) || !World.directories.count(ParentOf(target))) return 0;
  World.files[target] = World.files.at(source);
  World.files.erase(source);
  return 1;
}

void PlatformDeleteFile(const char* path) {
  World.calls.push_back(std::string("delete ") + path);
  World.files.erase(path);
}

void PlatformSetFileTimes(const char* path, int32_t stamp) {
  World.calls.push_back(std::string("times ") + path);
  if (stamp >= 0 && World.files.count(path)) World.stamps[path] = stamp;
}

int PlatformCreateDirectory(const char* path) {
  World.calls.push_back(std::string("mkdir ") + path);
  if (Exists(path) || !World.directories.count(ParentOf(path))) return 0;
  World.directories.insert(path);
  return 1;
}

int RunUpdaterForTest() {
  char commandLine[] = "";
  return WinMain(nullptr, nullptr, commandLine, 10);
}
