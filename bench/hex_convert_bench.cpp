// Intel HEX conversion speed on the file of a 16 MiB image, next to GNU
// objcopy converting the same file (when objcopy is installed), and the CAP
// copy for scale. The HEX file is made by objcopy when it is there, so both
// read exactly the same text; otherwise it is written here the same way. The
// image sits at 0x08000000, as in a microcontroller's flash: objcopy then
// writes extended linear address records only (below 1 MiB it would use
// segment records, which the converter does not apply).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "buffer/cap_file.h"
#include "buffer/intel_hex.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kImageSize = std::size_t{16} << 20;

bool HaveObjcopy() { return std::system("objcopy --version >/dev/null 2>&1") == 0; }

std::vector<std::uint8_t> ImageBytes() {
  std::vector<std::uint8_t> bytes(kImageSize);
  std::uint32_t x = 1;
  for (auto& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  return bytes;
}

constexpr std::uint32_t kImageAddress = 0x08000000;

// 16-byte records with an ELA record per 64 KiB, CR LF: what objcopy writes.
std::string HexText(const std::vector<std::uint8_t>& image) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string text;
  text.reserve(image.size() * 45 / 16 + 4096);
  const auto record = [&](std::uint8_t type, std::uint16_t address, const std::uint8_t* data,
                          std::size_t count) {
    std::uint8_t sum = 0;
    text += ':';
    const auto put = [&](std::uint8_t b) {
      text += kDigits[b >> 4];
      text += kDigits[b & 15];
      sum = static_cast<std::uint8_t>(sum + b);
    };
    put(static_cast<std::uint8_t>(count));
    put(static_cast<std::uint8_t>(address >> 8));
    put(static_cast<std::uint8_t>(address));
    put(type);
    for (std::size_t i = 0; i < count; ++i) put(data[i]);
    put(static_cast<std::uint8_t>(-sum));
    text += "\r\n";
  };
  for (std::size_t offset = 0; offset < image.size(); offset += 16) {
    if (offset % 0x10000 == 0) {
      const std::size_t address = kImageAddress + offset;
      const std::uint8_t upper[2] = {static_cast<std::uint8_t>(address >> 24),
                                     static_cast<std::uint8_t>(address >> 16)};
      record(4, 0, upper, 2);
    }
    record(0, static_cast<std::uint16_t>(offset), image.data() + offset, 16);
  }
  record(1, 0, nullptr, 0);
  return text;
}

// The working folder with image.bin, image.hex and image.cap, made on first
// use and removed when the program ends.
class Files {
 public:
  Files() : dir_(fs::temp_directory_path() / "tessary_hex_bench") {
    fs::create_directories(dir_);
    const auto image = ImageBytes();
    std::ofstream(dir_ / "image.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    const std::string command = "objcopy -I binary -O ihex --change-addresses 0x08000000 '" +
                                (dir_ / "image.bin").string() + "' '" +
                                (dir_ / "image.hex").string() + "'";
    if (!HaveObjcopy() || std::system(command.c_str()) != 0) {
      const std::string text = HexText(image);
      std::ofstream(dir_ / "image.hex", std::ios::binary)
          .write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    std::ofstream cap(dir_ / "image.cap", std::ios::binary);
    const std::string header(kCapHeaderSize, '\0');
    cap.write(header.data(), static_cast<std::streamsize>(header.size()));
    cap.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
  }
  ~Files() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  Files(const Files&) = delete;
  Files& operator=(const Files&) = delete;

  [[nodiscard]] const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
};

const fs::path& Workspace() {
  static const Files files;
  return files.dir();
}

bool SameContents(const fs::path& a, const fs::path& b) {
  std::ifstream in_a(a, std::ios::binary);
  std::ifstream in_b(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(in_a), {}, std::istreambuf_iterator<char>(in_b),
                    {});
}

void ConvertHexFile16MiB(benchmark::State& state) {
  const fs::path source = Workspace() / "image.hex";
  const fs::path image = Workspace() / "hex.bin";
  for (auto _ : state) {
    const ConversionResult result = ConvertHexFile(source, image);
    if (!result.ok || result.bytes_written != kImageSize) {
      state.SkipWithError(("conversion failed: " + result.error).c_str());
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(fs::file_size(source)));
  state.counters["hex_bytes"] = static_cast<double>(fs::file_size(source));
  if (!SameContents(image, Workspace() / "image.bin")) {
    state.SkipWithError("the image differs from the original bytes");
  }
}
BENCHMARK(ConvertHexFile16MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void ConvertHexText16MiB(benchmark::State& state) {
  std::ifstream in(Workspace() / "image.hex", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::uint8_t> image;
  for (auto _ : state) {
    const ConversionResult result = ConvertHexText(text, image);
    benchmark::DoNotOptimize(image.data());
    if (!result.ok) {
      state.SkipWithError(result.error.c_str());
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}
BENCHMARK(ConvertHexText16MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The yardstick: the same file through `objcopy -I ihex -O binary`.
void ObjcopyIhexToBinary16MiB(benchmark::State& state) {
  if (!HaveObjcopy()) {
    state.SkipWithError("objcopy is not installed");
    return;
  }
  const std::string command = "objcopy -I ihex -O binary '" + (Workspace() / "image.hex").string() +
                              "' '" + (Workspace() / "objcopy.bin").string() + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("objcopy failed");
      break;
    }
  }
  if (!SameContents(Workspace() / "objcopy.bin", Workspace() / "image.bin")) {
    state.SkipWithError("objcopy's image differs from the original bytes");
  }
}
BENCHMARK(ObjcopyIhexToBinary16MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void ConvertCapFile16MiB(benchmark::State& state) {
  const fs::path source = Workspace() / "image.cap";
  for (auto _ : state) {
    const ConversionResult result = ConvertCapFile(source, Workspace() / "cap.bin");
    if (!result.ok) {
      state.SkipWithError(result.error.c_str());
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kImageSize));
}
BENCHMARK(ConvertCapFile16MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tessary
