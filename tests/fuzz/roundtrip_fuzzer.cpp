// Property: every stream the packer writes, at every level, decodes back to its input exactly.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "stream_decoder.h"
#include "stream_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  int level = 1 + data[0] % 9;
  std::vector<uint8_t> input(data + 1, data + size);
  std::vector<uint8_t> stream = pck::EncodeStream(input, level);
  std::vector<uint8_t> output(input.size());
  int32_t produced = DecodePayloadStream(output.data(), static_cast<int32_t>(output.size()), stream.data(),
                                         static_cast<int32_t>(stream.size()));
  if (produced != static_cast<int32_t>(input.size()) || output != input) abort();
  return 0;
}
