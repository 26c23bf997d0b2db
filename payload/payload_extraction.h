// Writing one carried payload to a file.
#ifndef QUORLEN_PAYLOAD_EXTRACTION_H
#define QUORLEN_PAYLOAD_EXTRACTION_H

#include <stdint.h>

enum ExtractResult {
  ExtractNoResource = -1,  // missing, malformed or undecodable payload; the user has been told
  ExtractDone = 0,
  ExtractCannotOpen = 1,   // the target cannot be written; it is unchanged
  ExtractShortWrite = 2    // the write failed (a full disk among the causes); the target is unchanged
};

enum { DecodeBufferSize = 4000000 };

// Holds the decoded payload; bytes beyond the last decoded count reach no file.
extern unsigned char DecodeBuffer[DecodeBufferSize];

// Decodes the payload resourceName in full, then writes it beside targetPath and puts it in place
// only once it is complete, with its stamp as last-access and last-write time.
// targetPath is a NUL-terminated path of at most 259 bytes; it is only read.
int ExtractPayload(const char* targetPath, const char* resourceName);

#endif
