// The payload records linked into the host program.
#ifndef QUORLEN_HOST_PAYLOADS_H
#define QUORLEN_HOST_PAYLOADS_H

#include <stdint.h>

struct HostPayload {
  const char* name;
  const unsigned char* record;
  uint32_t size;
};

// Defined by the build's generated payload file, or by a test that supplies its own records.
extern const HostPayload* HostPayloadTable;
extern int HostPayloadCount;

#endif
