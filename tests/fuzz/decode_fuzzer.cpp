// Property: for any stream and any output capacity, the decoder reads only the stream, writes only
// the output area, and returns either a fault or a count no larger than the capacity.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "stream_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first two bytes choose the capacity, so that small areas are tried as often as large ones.
  int32_t capacity = (data[0] | data[1] << 8) % 70000;
  data += 2;
  size -= 2;
  // Exact-size copies, so that AddressSanitizer sees any access past either end.
  uint8_t* stream = static_cast<uint8_t*>(malloc(size ? size : 1));
  memcpy(stream, data, size);
  uint8_t* output = static_cast<uint8_t*>(malloc(capacity ? capacity : 1));
  int32_t result = DecodePayloadStream(output, capacity, stream, static_cast<int32_t>(size));
  if (result > capacity || (result < 0 && result != DecodeTruncated && result != DecodeBadDistance &&
                            result != DecodeOverflow))
    abort();
  // A stream that decodes with some capacity decodes the same with room to spare.
  if (result >= 0) {
    uint8_t* roomy = static_cast<uint8_t*>(malloc(static_cast<size_t>(capacity) + 64));
    if (DecodePayloadStream(roomy, capacity + 64, stream, static_cast<int32_t>(size)) != result ||
        memcmp(roomy, output, static_cast<size_t>(result)) != 0)
      abort();
    free(roomy);
  }
  free(output);
  free(stream);
  return 0;
}
