#include "stream_decoder.h"

#include <string.h>

namespace {

// Blocks moved whole when the output area has room for them; the bytes a block moves past the
// end of a run are scratch that later tokens overwrite, and never lie past the capacity.
constexpr long ReferenceBlock = 16;
constexpr long LiteralBlock = 8;
// The longest run CopyShortRun moves.
constexpr uint32_t ShortRunLimit = 16;

// What a reference's first byte t says, for every form but the long one: its length, how many
// more bytes it takes, and its distance as (next two bytes, little-endian, AND mask) + add.
struct TokenShape {
  uint16_t mask;
  uint16_t add;
  uint8_t length;
  uint8_t extra;
};

struct TokenShapeTable {
  TokenShape shape[256];
};

constexpr TokenShape ShapeOf(uint32_t t) {
  if (t >= 0xC0)  // near
    return {0x00FF, static_cast<uint16_t>((t & 3) << 8), static_cast<uint8_t>(((t >> 2) & 15) + 4), 1};
  if (t & 0x80) {  // short, distance inline or in the next byte
    uint8_t length = static_cast<uint8_t>(((t >> 5) & 1) + 2);
    if (t & 31) return {0, static_cast<uint16_t>(t & 31), length, 0};
    return {0x00FF, 0, length, 1};
  }
  return {0xFFFF, 0, static_cast<uint8_t>(t + 4), 2};  // medium (0x7F, the long form, is read apart)
}

constexpr TokenShapeTable BuildTokenShapes() {
  TokenShapeTable table{};
  for (uint32_t t = 0; t < 256; ++t) table.shape[t] = ShapeOf(t);
  return table;
}

constexpr TokenShapeTable TokenShapes = BuildTokenShapes();

// Copies a run of 2 to 16 bytes whose source ends before op with two fixed-size moves that may
// overlap each other but stay inside the run.
inline void CopyShortRun(unsigned char* op, const unsigned char* from, uint32_t length) {
  if (length >= 8) {
    memcpy(op, from, 8);
    memcpy(op + length - 8, from + length - 8, 8);
  } else if (length >= 4) {
    memcpy(op, from, 4);
    memcpy(op + length - 4, from + length - 4, 4);
  } else {
    memcpy(op, from, 2);
    memcpy(op + length - 2, from + length - 2, 2);
  }
}

// Copies length bytes from distance back, with the result of a forward byte-by-byte copy.
// room is how many bytes of the output area lie from op on (at least length).
inline void CopyReference(unsigned char* op, uint32_t distance, uint32_t length, long room) {
  const unsigned char* from = op - distance;
  if (distance >= ReferenceBlock && length <= ReferenceBlock && room >= ReferenceBlock) {
    memcpy(op, from, ReferenceBlock);
    return;
  }
  if (distance >= length) {
    if (length <= ShortRunLimit)
      CopyShortRun(op, from, length);
    else
      memcpy(op, from, length);
    return;
  }
  if (distance == 1) {
    memset(op, from[0], length);
    return;
  }
  if (length <= ShortRunLimit) {
    for (uint32_t i = 0; i < length; ++i) op[i] = from[i];
    return;
  }
  // Each block reads only bytes written before it, and the pattern repeats every distance bytes.
  uint32_t step = distance;
  while (length > 0) {
    uint32_t chunk = length < step ? length : step;
    memcpy(op, op - step, chunk);
    op += chunk;
    length -= chunk;
    step += step;
  }
}

}  // namespace

int32_t DecodePayloadStream(unsigned char* output, int32_t outputCapacity, const unsigned char* stream,
                            int32_t streamLength) {
  if (streamLength <= 0) return 0;
  const unsigned char* ip = stream;
  const unsigned char* const ipEnd = stream + streamLength;
  unsigned char* op = output;
  unsigned char* const opEnd = output + (outputCapacity > 0 ? outputCapacity : 0);

  while (ip < ipEnd) {
    // One group: a flag byte, then up to eight tokens while stream bytes remain.
    uint32_t flags = *ip++;
    if (ip == ipEnd && (flags & 1)) return DecodeTruncated;  // a literal announced, no byte left
    uint32_t token = 0;
    while (token < 8 && ip < ipEnd) {
      if (flags & 1) {
        // Consecutive literals go as one block; flags holds no set bit beyond this group.
        uint32_t run = static_cast<uint32_t>(__builtin_ctz(~flags));
        if (run > static_cast<uint32_t>(ipEnd - ip)) run = static_cast<uint32_t>(ipEnd - ip);
        if (run > static_cast<uint32_t>(opEnd - op)) return DecodeOverflow;
        if (opEnd - op >= LiteralBlock && ipEnd - ip >= LiteralBlock)
          memcpy(op, ip, LiteralBlock);
        else if (run >= 2)
          CopyShortRun(op, ip, run);
        else
          *op = *ip;
        ip += run;
        op += run;
        flags >>= run;
        token += run;
        if (token == 8 || ip == ipEnd) break;  // a run of literals is always followed by a reference
      }

      const uint32_t t = *ip++;
      const long available = ipEnd - ip;
      uint32_t length;
      uint32_t distance;
      if (t == 0x7F) {
        if (available < 4) return DecodeTruncated;
        length = (ip[0] | static_cast<uint32_t>(ip[1]) << 8) + 2;
        distance = ip[2] | static_cast<uint32_t>(ip[3]) << 8;
        ip += 4;
      } else {
        const TokenShape shape = TokenShapes.shape[t];
        if (available < shape.extra) return DecodeTruncated;
        uint32_t next = available >= 2 ? (ip[0] | static_cast<uint32_t>(ip[1]) << 8) : available == 1 ? ip[0] : 0;
        length = shape.length;
        distance = (next & shape.mask) + shape.add;
        ip += shape.extra;
      }

      if (distance == 0 || distance > static_cast<uint32_t>(op - output)) return DecodeBadDistance;
      if (length > static_cast<uint32_t>(opEnd - op)) return DecodeOverflow;
      CopyReference(op, distance, length, opEnd - op);
      op += length;
      flags >>= 1;
      ++token;
    }
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
