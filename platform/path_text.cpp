#include "path_text.h"

#include "platform.h"

// Walks the text character by character; a lead byte with nothing after it counts as one character.
static size_t CharacterSize(const char* text, size_t offset, size_t length) {
  if (PlatformIsLeadByte(static_cast<unsigned char>(text[offset])) && offset + 1 < length) return 2;
  return 1;
}

int EndsWithBackslash(const char* text, size_t length) {
  long last = FindLastBackslash(text, length);
  return last >= 0 && static_cast<size_t>(last) == length - 1;
}

long FindLastBackslash(const char* text, size_t length) {
  long last = -1;
  for (size_t offset = 0; offset < length; offset += CharacterSize(text, offset, length)) {
    if (text[offset] == '\\') last = static_cast<long>(offset);
  }
  return last;
}

size_t WholeCharacterPrefix(const char* text, size_t length, size_t limit) {
  size_t offset = 0;
  while (offset < length) {
    size_t next = offset + CharacterSize(text, offset, length);
    if (next > limit) break;
    offset = next;
  }
  return offset;
}
