// Prints, for each file and for the whole corpus: packed sizes at every level of pck beside a
// greedy coder limited to a 3,088-byte reach, LZ4's high-compression coder and zlib; encode
// speeds; and decode speeds of the updater's decoder beside LZ4, zlib and memcpy.
#include <lz4.h>
#include <lz4hc.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "stream_decoder.h"
#include "stream_encoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr int Levels = pck::BestLevel;

struct Figures {
  double size = 0;
  double packed[Levels + 1] = {};   // index 0: baseline
  double encodeSeconds[Levels + 1] = {};
  double lz4Size = 0, lz4Seconds = 0, zlibSize = 0, zlibSeconds = 0;
  double decodeSeconds = 0, lz4DecodeSeconds = 0, zlibDecodeSeconds = 0, memcpySeconds = 0;

  void Add(const Figures& f) {
    size += f.size;
    for (int i = 0; i <= Levels; ++i) packed[i] += f.packed[i], encodeSeconds[i] += f.encodeSeconds[i];
    lz4Size += f.lz4Size, lz4Seconds += f.lz4Seconds, zlibSize += f.zlibSize, zlibSeconds += f.zlibSeconds;
    decodeSeconds += f.decodeSeconds, lz4DecodeSeconds += f.lz4DecodeSeconds;
    zlibDecodeSeconds += f.zlibDecodeSeconds, memcpySeconds += f.memcpySeconds;
  }
};

template <typename Work>
double Seconds(Work work) {
  auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The fastest of repeated runs of work, over at least half a second: the figure least disturbed
// by whatever else the machine is doing.
template <typename Work>
double SecondsPerRun(Work work) {
  int runs = 0;
  double total = 0, fastest = 1e30;
  while (total < 0.5 || runs < 5) {
    double seconds = Seconds(work);
    fastest = std::min(fastest, seconds);
    total += seconds;
    ++runs;
  }
  return fastest;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "pck_bench: %s\n", what.c_str());
  std::exit(1);
}

Figures Measure(const Bytes& input, const std::string& name) {
  Figures f;
  f.size = static_cast<double>(input.size());
  Bytes best;
  for (int level = 0; level <= Levels; ++level) {
    Bytes stream;
    f.encodeSeconds[level] = Seconds([&] {
      stream = level == 0 ? pck::EncodeGreedyBaseline(input, 3088) : pck::EncodeStream(input, level);
    });
    f.packed[level] = static_cast<double>(stream.size());
    if (level == pck::DefaultLevel) best = stream;
  }

  Bytes output(input.size() + 64);
  f.decodeSeconds = SecondsPerRun([&] {
    if (DecodePayloadStream(output.data(), static_cast<std::int32_t>(output.size()), best.data(),
                            static_cast<std::int32_t>(best.size())) != static_cast<std::int32_t>(input.size()))
      Fail(name + ": the stream does not decode");
  });
  if (std::memcmp(output.data(), input.data(), input.size()) != 0) Fail(name + ": decoded bytes differ");

  Bytes lz4(LZ4_compressBound(static_cast<int>(input.size())));
  int lz4Size = 0;
  f.lz4Seconds = Seconds([&] {
    lz4Size = LZ4_compress_HC(reinterpret_cast<const char*>(input.data()), reinterpret_cast<char*>(lz4.data()),
                              static_cast<int>(input.size()), static_cast<int>(lz4.size()), LZ4HC_CLEVEL_MAX);
  });
  f.lz4Size = lz4Size;
  f.lz4DecodeSeconds = SecondsPerRun([&] {
    if (LZ4_decompress_safe(reinterpret_cast<const char*>(lz4.data()), reinterpret_cast<char*>(output.data()),
                            lz4Size, static_cast<int>(output.size())) != static_cast<int>(input.size()))
      Fail(name + ": LZ4 does not decode");
  });

  uLongf zlibSize = compressBound(static_cast<uLong>(input.size()));
  Bytes zlib(zlibSize);
  f.zlibSeconds = Seconds([&] { compress2(zlib.data(), &zlibSize, input.data(), input.size(), 9); });
  f.zlibSize = static_cast<double>(zlibSize);
  f.zlibDecodeSeconds = SecondsPerRun([&] {
    uLongf length = static_cast<uLongf>(output.size());
    if (uncompress(output.data(), &length, zlib.data(), zlibSize) != Z_OK || length != input.size())
      Fail(name + ": zlib does not decode");
  });

  f.memcpySeconds = SecondsPerRun([&] { std::memcpy(output.data(), input.data(), input.size()); });
  return f;
}

double Speed(double bytes, double seconds) { return seconds > 0 ? bytes / seconds / 1e6 : 0; }

void Print(const std::string& name, const Figures& f) {
  std::printf("\n%s: %.0f bytes\n", name.c_str(), f.size);
  std::printf("  %-26s %12s %8s %12s\n", "coder", "packed", "ratio", "encode MB/s");
  auto row = [&](const std::string& coder, double packed, double seconds) {
    std::printf("  %-26s %12.0f %8.4f %12.2f\n", coder.c_str(), packed, packed / f.size, Speed(f.size, seconds));
  };
  row("greedy, 3,088-byte reach", f.packed[0], f.encodeSeconds[0]);
  for (int level = 1; level <= Levels; ++level)
    row("pck -" + std::to_string(level) + (level == pck::DefaultLevel ? " (default)" : ""), f.packed[level],
        f.encodeSeconds[level]);
  row("LZ4 HC level 12", f.lz4Size, f.lz4Seconds);
  row("zlib level 9", f.zlibSize, f.zlibSeconds);
  std::printf("  decode MB/s: updater %.0f, LZ4 safe %.0f, zlib inflate %.0f, memcpy %.0f\n",
              Speed(f.size, f.decodeSeconds), Speed(f.size, f.lz4DecodeSeconds), Speed(f.size, f.zlibDecodeSeconds),
              Speed(f.size, f.memcpySeconds));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pck_bench FILE...\n");
    return 2;
  }
  Figures total;
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    if (!file) Fail(std::string("cannot open ") + argv[i]);
    Bytes input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (input.size() > pck::MaxDecodedSize) Fail(std::string(argv[i]) + " is larger than the updater holds");
    Figures f = Measure(input, argv[i]);
    Print(argv[i], f);
    total.Add(f);
  }
  Print("corpus (" + std::to_string(argc - 1) + " files)", total);
  std::printf("\nbest level / LZ4 HC 12: %.4f (bound 0.95)\n", total.packed[pck::BestLevel] / total.lz4Size);
  std::printf("best level / greedy 3,088: %.4f (bound 0.82)\n", total.packed[pck::BestLevel] / total.packed[0]);
  std::printf("default level encode: %.2f MB/s (bound 2)\n",
              Speed(total.size, total.encodeSeconds[pck::DefaultLevel]));
  std::printf("decoder / LZ4 safe decoder: %.3f (bound 0.25)\n", total.lz4DecodeSeconds / total.decodeSeconds);
  return 0;
}
