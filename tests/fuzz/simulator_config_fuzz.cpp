// Simulator configurations from anywhere: loaded, or refused with a message
// that names what is wrong.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "sim/simulator_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessary::fuzz::Require;
  const auto path = tessary::fuzz::WriteScratch("simulator.ini", data, size);
  std::string error;
  const auto config = tessary::sim::LoadSimulatorConfig(path, error);
  if (!config) Require(!error.empty(), "a refused config says why");
  return 0;
}
