#ifndef QUORLEN_TEXT_FORMAT_H
#define QUORLEN_TEXT_FORMAT_H

#include <stddef.h>

// Writes format into destination (capacity bytes, at least 1) with every "%s" replaced by argument,
// cutting the result short rather than running past capacity; always NUL-terminates.
// Returns 1 when the whole text fitted.
int FormatText(char* destination, size_t capacity, const char* format, const char* argument);

// Writes directory followed by suffix into destination (capacity bytes). Returns 0 and leaves
// destination untouched when the whole path with its NUL does not fit.
int JoinPath(char* destination, size_t capacity, const char* directory, const char* suffix);

#endif
