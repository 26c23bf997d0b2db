// The payload stream: groups of one flag byte (least significant bit first, 1 = literal,
// 0 = reference) and up to eight tokens. A reference's first byte selects its form:
//
//   first byte        bytes  length                   distance
//   0xC0-0xFF near     2     ((t >> 2) & 15) + 4      (t & 3) << 8 | byte 2
//   0x80, 0xA0 short   2     bit 5 + 2                byte 2
//   0x81-0xBF short    1     bit 5 + 2                t & 31
//   0x7F long          5     LE16(bytes 2-3) + 2      LE16(bytes 4-5)
//   0x00-0x7E medium   3     t + 4                    LE16(bytes 2-3)
//
// A reference copies length bytes from distance bytes back, byte by byte forward, so a
// distance shorter than the length repeats the last distance bytes.
#ifndef QUORLEN_STREAM_DECODER_H
#define QUORLEN_STREAM_DECODER_H

#include <stdint.h>

// Results that no byte count can be confused with.
enum DecodeFault {
  DecodeTruncated = -1,     // a token, or a literal's byte, runs past the end of the stream
  DecodeBadDistance = -2,   // a distance of 0, or one reaching before the first output byte
  DecodeOverflow = -3       // the output would not fit in the output area
};

// Expands the stream of streamLength bytes into output, which has room for outputCapacity bytes.
// Never reads outside the stream and never writes outside the output area (bytes past the
// result, up to the capacity, may serve as scratch).
// Returns the number of bytes produced (0 for a streamLength of 0 or less), or a DecodeFault
// when the stream breaks the format; output may then hold a partial result.
int32_t DecodePayloadStream(unsigned char* output, int32_t outputCapacity, const unsigned char* stream,
                            int32_t streamLength);

// A short English phrase for a result of DecodePayloadStream that is a fault.
const char* DescribeDecodeFault(int32_t result);

#endif
