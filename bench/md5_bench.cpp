// MD5 of a firmware image as the update computes it: 1024-byte blocks fed
// one after another into one digest.
#include <benchmark/benchmark.h>

#include <vector>

#include "firmware/md5.h"

namespace {

void FirmwareImageMd5(benchmark::State& state) {
  const std::vector<std::uint8_t> image(1 << 20, 0x5A);
  for (auto _ : state) {
    tessary::Md5 md5;
    for (std::size_t at = 0; at < image.size(); at += 1024) {
      md5.Update(std::span(image).subspan(at, 1024));
    }
    benchmark::DoNotOptimize(md5.Finish());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(image.size()));
}
BENCHMARK(FirmwareImageMd5);

}  // namespace
