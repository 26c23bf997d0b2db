// Real files in a fresh temporary folder, a registry tree inside it, and payload records that
// the test chooses, for tests over the host provider.
#ifndef QUORLEN_HOST_FIXTURE_H
#define QUORLEN_HOST_FIXTURE_H

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class HostFixture : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // Stores data as the raw bytes of the registry value DataDir (creating the key).
  void SetDataDir(const Bytes& data);
  void SetDataDir(const std::string& text) { SetDataDir(Bytes(text.begin(), text.end())); }
  void CreateKeyOnly();

  // The payload records that the program carries from now on.
  void SetPayloads(const std::map<std::string, Bytes>& payloads);

  std::string Path(const std::string& relative) const { return root_ + "/" + relative; }
  void WriteFile(const std::string& relative, const std::string& contents);
  std::string ReadFile(const std::string& relative) const;
  bool Exists(const std::string& relative) const;
  struct stat Stat(const std::string& relative) const;
  // Names in the folder, for checking that no temporary file is left.
  std::vector<std::string> List(const std::string& relative) const;

  std::string root_;
};

#endif
