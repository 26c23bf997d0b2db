// A tiny stand-in for the game program: it shows which version it is. Started with --version it
// prints the version instead and exits with 100 for 1.00 or 101 for 1.01.
#include <string.h>
#include <windows.h>

#ifndef DEMO_GAME_VERSION
#error "DEMO_GAME_VERSION must be given, as \"1.00\" or \"1.01\""
#endif

static const char VersionText[] = "Ostrevane Ver" DEMO_GAME_VERSION;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  int code = (DEMO_GAME_VERSION[0] - '0') * 100 + (DEMO_GAME_VERSION[2] - '0') * 10 +
             (DEMO_GAME_VERSION[3] - '0');
  if (strstr(commandLine, "--version")) {
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), VersionText, sizeof VersionText - 1, &written, nullptr);
    return code;
  }
  MessageBoxA(nullptr, VersionText, "Ostrevane", MB_OK);
  return 0;
}
