#include "text_format.h"

#include <string.h>

int FormatText(char* destination, size_t capacity, const char* format, const char* argument) {
  size_t out = 0;
  int whole = 1;
  for (const char* in = format; *in; ++in) {
    const char* piece = in;
    size_t pieceLength = 1;
    if (in[0] == '%' && in[1] == 's') {
      piece = argument;
      pieceLength = strlen(argument);
      ++in;
    }
    size_t room = capacity - 1 - out;
    if (pieceLength > room) {
      pieceLength = room;
      whole = 0;
    }
    memcpy(destination + out, piece, pieceLength);
    out += pieceLength;
  }
  destination[out] = 0;
  return whole;
}

int JoinPath(char* destination, size_t capacity, const char* directory, const char* suffix) {
  size_t directoryLength = strlen(directory);
  size_t suffixLength = strlen(suffix);
  if (directoryLength + suffixLength + 1 > capacity) return 0;
  memmove(destination, directory, directoryLength);
  memcpy(destination + directoryLength, suffix, suffixLength + 1);
  return 1;
}
