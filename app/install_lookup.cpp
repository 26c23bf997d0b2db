#include "install_lookup.h"

#include <string.h>

#include "path_text.h"
#include "platform.h"
#include "text_format.h"
#include "updater_state.h"

static const char GameRegistryKey[] = "Software\\Tavrel\\QUORLEN";
static const char InstallDirValue[] = "DataDir";
static const char GameExecutableSuffix[] = "\\QUORLEN.exe";

int ReadInstallDir() {
  PlatformKey key;
  if (PlatformOpenUserKey(GameRegistryKey, &key) != 0) {
    InstallDir[0] = 0;
    return 0;
  }
  unsigned char* data = reinterpret_cast<unsigned char*>(InstallDir);
  if (PlatformQueryValue(key, InstallDirValue, data, InstallDirSize) != 0 ||
      memchr(InstallDir, 0, InstallDirSize) == nullptr)
    InstallDir[0] = 0;
  PlatformCloseKey(key);
  return 1;
}

int LocateGameExecutable(char* destination, char* installDir) {
  size_t length = strlen(installDir);
  if (EndsWithBackslash(installDir, length)) installDir[length - 1] = 0;
  if (!JoinPath(destination, TargetPathSize, installDir, GameExecutableSuffix)) {
    destination[0] = 0;
    return 0;
  }
  return PlatformPathExists(destination) ? 1 : 0;
}
