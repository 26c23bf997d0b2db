// Character-aware helpers for paths in the ANSI code page, where the second byte of a
// double-byte character may be 0x5C and is then no separator.
#ifndef QUORLEN_PATH_TEXT_H
#define QUORLEN_PATH_TEXT_H

#include <stddef.h>

// Returns 1 when the last character of text (length bytes) is a backslash.
int EndsWithBackslash(const char* text, size_t length);
// Returns the offset of the last backslash character in text, or -1 when it has none.
long FindLastBackslash(const char* text, size_t length);
// Returns the largest byte count not above limit that ends text (length bytes) on a character boundary.
size_t WholeCharacterPrefix(const char* text, size_t length, size_t limit);

#endif
