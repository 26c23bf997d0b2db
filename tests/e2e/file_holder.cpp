// Test helper: opens a file sharing reading only, as a running program holds its own executable,
// says "holding" and waits until it is killed.
#include <stdio.h>
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  printf("holding\n");
  fflush(stdout);
  Sleep(INFINITE);
  return 0;
}
