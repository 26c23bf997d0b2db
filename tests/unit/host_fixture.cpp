#include "host_fixture.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host_payloads.h"
#include "updater_state.h"

const HostPayload* HostPayloadTable = nullptr;
int HostPayloadCount = 0;

namespace {
std::map<std::string, Bytes> CarriedRecords;
std::vector<HostPayload> CarriedTable;
}  // namespace

void HostFixture::SetUp() {
  char pattern[] = "/tmp/quorlen-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  root_ = pattern;
  setenv("QUORLEN_REGISTRY_ROOT", Path("registry").c_str(), 1);
  std::memset(InstallDir, 0, sizeof InstallDir);
  std::memset(TargetPath, 0, sizeof TargetPath);
  SetPayloads({});
}

void HostFixture::TearDown() {
  std::string command = "chmod -R u+w '" + root_ + "' 2>/dev/null; rm -rf '" + root_ + "'";
  EXPECT_EQ(system(command.c_str()), 0);
}

void HostFixture::CreateKeyOnly() {
  std::string command = "mkdir -p '" + Path("registry/HKEY_CURRENT_USER/Software/Tavrel/QUORLEN") + "'";
  ASSERT_EQ(system(command.c_str()), 0);
}

void HostFixture::SetDataDir(const Bytes& data) {
  CreateKeyOnly();
  std::ofstream value(Path("registry/HKEY_CURRENT_USER/Software/Tavrel/QUORLEN/DataDir"), std::ios::binary);
  value.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void HostFixture::SetPayloads(const std::map<std::string, Bytes>& payloads) {
  CarriedRecords = payloads;
  CarriedTable.clear();
  for (const auto& entry : CarriedRecords)
    CarriedTable.push_back({entry.first.c_str(), entry.second.data(), static_cast<std::uint32_t>(entry.second.size())});
  HostPayloadTable = CarriedTable.data();
  HostPayloadCount = static_cast<int>(CarriedTable.size());
}

void HostFixture::WriteFile(const std::string& relative, const std::string& contents) {
  std::ofstream file(Path(relative), std::ios::binary);
  file << contents;
  ASSERT_TRUE(file.good()) << relative;
}

std::string HostFixture::ReadFile(const std::string& relative) const {
  std::ifstream file(Path(relative), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

bool HostFixture::Exists(const std::string& relative) const {
  struct stat info;
  return lstat(Path(relative).c_str(), &info) == 0;
}

struct stat HostFixture::Stat(const std::string& relative) const {
  struct stat info {};
  EXPECT_EQ(stat(Path(relative).c_str(), &info), 0) << relative;
  return info;
}

std::vector<std::string> HostFixture::List(const std::string& relative) const {
  std::vector<std::string> names;
  if (DIR* dir = opendir(Path(relative).c_str())) {
    while (dirent* entry = readdir(dir))
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}
