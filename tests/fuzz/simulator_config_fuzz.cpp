// Simulator configurations from anywhere: loaded, or refused with a message
// that names what is wrong.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "sim/simulator_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessary::fuzz::Require;
  // A folder that does not exist: image and storage files named by the
  // input are refused rather than read from wherever the fuzzer runs.
  const std::filesystem::path path = "/nonexistent/tessary-fuzz/simulator.ini";
  std::string error;
  const auto config = tessary::sim::ParseSimulatorConfig(
      path, std::string(reinterpret_cast<const char*>(data), size), error);
  if (!config) Require(!error.empty(), "a refused config says why");
  return 0;
}
