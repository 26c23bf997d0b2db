#include "stream_decoder.h"

#include <string.h>

// Copies length bytes from distance back. Runs that do not overlap their source go in one block;
// overlapping ones go in blocks of growing size, each reading only bytes written before it, which
// gives the same bytes as a forward byte-by-byte copy.
static void CopyReference(unsigned char* op, uint32_t distance, uint32_t length) {
  if (distance >= length) {
    memcpy(op, op - distance, length);
    return;
  }
  if (distance == 1) {
    memset(op, op[-1], length);
    return;
  }
  uint32_t step = distance;
  while (length > 0) {
    uint32_t chunk = length < step ? length : step;
    memcpy(op, op - step, chunk);
    op += chunk;
    length -= chunk;
    step += step;
  }
}

int32_t DecodePayloadStream(unsigned char* output, int32_t outputCapacity, const unsigned char* stream,
                            int32_t streamLength) {
  if (streamLength <= 0) return 0;
  const unsigned char* ip = stream;
  const unsigned char* const ipEnd = stream + streamLength;
  unsigned char* op = output;
  unsigned char* const opEnd = output + (outputCapacity > 0 ? outputCapacity : 0);
  uint32_t flags = 0;

  while (ip < ipEnd) {
    flags >>= 1;
    if ((flags & 0x100) == 0) flags = 0xFF00u | *ip++;

    if (flags & 1) {
      if (ip == ipEnd) return DecodeTruncated;
      if (op == opEnd) return DecodeOverflow;
      *op++ = *ip++;
      continue;
    }
    if (ip == ipEnd) break;  // a closing flag byte that governs no token

    const uint32_t t = *ip++;
    const long available = ipEnd - ip;
    uint32_t length;
    uint32_t distance;
    if (t >= 0xC0) {
      if (available < 1) return DecodeTruncated;
      length = ((t >> 2) & 15) + 4;
      distance = (t & 3) << 8 | ip[0];
      ip += 1;
    } else if (t & 0x80) {
      length = ((t >> 5) & 1) + 2;
      distance = t & 31;
      if (distance == 0) {
        if (available < 1) return DecodeTruncated;
        distance = ip[0];
        ip += 1;
      }
    } else if (t == 0x7F) {
      if (available < 4) return DecodeTruncated;
      length = (ip[0] | static_cast<uint32_t>(ip[1]) << 8) + 2;
      distance = ip[2] | static_cast<uint32_t>(ip[3]) << 8;
      ip += 4;
    } else {
      if (available < 2) return DecodeTruncated;
      length = t + 4;
      distance = ip[0] | static_cast<uint32_t>(ip[1]) << 8;
      ip += 2;
    }

    if (distance == 0 || distance > static_cast<uint32_t>(op - output)) return DecodeBadDistance;
    if (length > static_cast<uint32_t>(opEnd - op)) return DecodeOverflow;
    CopyReference(op, distance, length);
    op += length;
  }
  return static_cast<int32_t>(op - output);
}

const char* DescribeDecodeFault(int32_t result) {
  switch (result) {
    case DecodeTruncated: return "a token runs past the end of the stream";
    case DecodeBadDistance: return "a reference has distance 0 or reaches before the first output byte";
    case DecodeOverflow: return "the stream expands beyond the output's capacity";
    default: return "no fault";
  }
}
