// The host start-up: hands WinMain the command-line text after the program's name.
#include <string.h>

#include "program_entry.h"

int main(int argc, char** argv) {
  static char commandLine[32768];
  size_t used = 0;
  for (int i = 1; i < argc; ++i) {
    size_t length = strlen(argv[i]);
    if (used + length + 2 > sizeof commandLine) break;
    if (used > 0) commandLine[used++] = ' ';
    memcpy(commandLine + used, argv[i], length);
    used += length;
  }
  commandLine[used] = 0;
  return WinMain(nullptr, nullptr, commandLine, 10);
}
