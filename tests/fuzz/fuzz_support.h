// Shared by the fuzz targets: a scratch file per process for the parsers
// that read from disk, and a check that stops the run on a broken promise.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tessary::fuzz {

// A folder of this process's own, in memory where the system offers it.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
    std::filesystem::path path = base / ("tessary_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

inline std::filesystem::path WriteScratch(const char* name, const std::uint8_t* data,
                                          std::size_t size) {
  const std::filesystem::path path = ScratchFolder() / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

// A promise of the code under test that the input broke: a finding.
inline void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

}  // namespace tessary::fuzz
