// The offline project's check value: the CRC-32 chained over 1024-byte
// pieces of a 16 MiB data file (the largest the storage takes), next to
// zlib's crc32 over the same bytes in one call. The chain runs the bytes
// through crc32 in one pass and applies the piece boundaries at the end; it
// must keep at least 0.8 of zlib's throughput. Both are measured
// over memory and over the file (read in the same way).
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "project/data_file_check.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileSize = std::size_t{16} << 20;

const std::vector<std::uint8_t>& Data() {
  static const std::vector<std::uint8_t> data = [] {
    std::vector<std::uint8_t> bytes(kFileSize);
    std::uint32_t x = 1;
    for (auto& b : bytes) {
      x = x * 1103515245u + 12345u;
      b = static_cast<std::uint8_t>(x >> 16);
    }
    return bytes;
  }();
  return data;
}

const fs::path& DataFile() {
  static const fs::path path = [] {
    const fs::path file = fs::temp_directory_path() / "tessary-project-crc-bench.bin";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(Data().data()), static_cast<std::streamsize>(Data().size()));
    return file;
  }();
  return path;
}

void BM_ChainedCrc32Memory(benchmark::State& state) {
  const auto& data = Data();
  for (auto _ : state) benchmark::DoNotOptimize(ChainedCrc32(data));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_ChainedCrc32Memory)->Unit(benchmark::kMillisecond);

void BM_ZlibCrc32Memory(benchmark::State& state) {
  const auto& data = Data();
  for (auto _ : state)
    benchmark::DoNotOptimize(crc32(0, data.data(), static_cast<uInt>(data.size())));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_ZlibCrc32Memory)->Unit(benchmark::kMillisecond);

void BM_CheckDataFile(benchmark::State& state) {
  const fs::path& file = DataFile();
  for (auto _ : state) {
    std::string error;
    benchmark::DoNotOptimize(CheckDataFile(file, error));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_CheckDataFile)->Unit(benchmark::kMillisecond);

// The same file read in the same 64 KiB chunks, with one running zlib crc32.
void BM_ZlibCrc32File(benchmark::State& state) {
  const fs::path& file = DataFile();
  std::vector<std::uint8_t> chunk(64 * 1024);
  for (auto _ : state) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rb"), &std::fclose);
    uLong crc = 0;
    for (;;) {
      const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), in.get());
      crc = crc32(crc, chunk.data(), static_cast<uInt>(n));
      if (n < chunk.size()) break;
    }
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_ZlibCrc32File)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessary
