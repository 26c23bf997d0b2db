// Runs a fuzz target over files and folders of inputs, for builds without libFuzzer: the seed
// corpus and any crash file then run as ordinary tests.
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int Replay(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    fprintf(stderr, "replay: cannot read %s\n", path.c_str());
    return -1;
  }
  if (S_ISDIR(info.st_mode)) {
    int count = 0;
    DIR* dir = opendir(path.c_str());
    while (dirent* entry = dir ? readdir(dir) : nullptr) {
      if (entry->d_name[0] == '.') continue;
      int replayed = Replay(path + "/" + entry->d_name);
      if (replayed < 0) return -1;
      count += replayed;
    }
    if (dir) closedir(dir);
    return count;
  }
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 1;
}

int main(int argc, char** argv) {
  int total = 0;
  for (int i = 1; i < argc; ++i) {
    int count = Replay(argv[i]);
    if (count < 0) return 1;
    total += count;
  }
  printf("replayed %d inputs\n", total);
  return total > 0 ? 0 : 1;
}
