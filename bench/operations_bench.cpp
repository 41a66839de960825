// Write then verify of a 16 MiB image on the simulated programmer with no
// device latency, against the waits the protocol itself mandates (20 us per
// block, 10 ms per transaction, the fixed pauses): the mandated time is the
// same run on a virtual clock, where only those waits take time. Also the
// processor time the program spends while it waits for a slow chip erase.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

#include "app/app_context.h"
#include "base/clock.h"
#include "operations/chip_commands.h"
#include "operations/programming.h"
#include "sim/simulated_link.h"

namespace tessary {
namespace {

constexpr std::uint32_t kImage = 16u << 20;

// Writes and verifies the image; the seconds the given clock saw pass.
double WriteVerify(Clock& clock) {
  SilentPanel panel;
  sim::SimulatorConfig config = sim::DefaultSimulatorConfig();
  config.sockets[0]->capacity = kImage;
  sim::SimulatedLink usb(config, clock);
  AppContext ctx(clock, panel, usb);
  if (!ctx.link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId)) return -1;
  ctx.link.MarkLinked();
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  chip.ChipType = ChipTypeId::Flash25;
  chip.ChipSize = kImage;
  chip.PageSize = 256;
  chip.BlockSize = 0x10000;
  ctx.RamFile.Data.resize(kImage);
  std::uint32_t x = 7;
  for (auto& b : ctx.RamFile.Data) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  ctx.RamFile.DataLen = kImage;
  const std::uint64_t start = clock.NowMicroseconds();
  if (WriteChip(ctx.Job(), kChannelCh1) != OperationResult::Ok) return -1;
  if (VerifyChannel(ctx.Job(), kChannelCh1).result != OperationResult::Ok) return -1;
  return static_cast<double>(clock.NowMicroseconds() - start) / 1e6;
}

void WriteVerify16MiB(benchmark::State& state) {
  VirtualClock virtual_clock;
  const double mandated = WriteVerify(virtual_clock);
  double host = 0;
  for (auto _ : state) {
    SystemClock clock;
    host = WriteVerify(clock);
  }
  state.counters["mandated_s"] = mandated;
  state.counters["host_s"] = host;
  state.counters["ratio"] = mandated > 0 ? host / mandated : 0;
}
BENCHMARK(WriteVerify16MiB)->Unit(benchmark::kMillisecond)->Iterations(1);

// A chip erase polls every 2 s and pumps events meanwhile: the processor
// time spent per second of waiting.
void EraseWaitCpu(benchmark::State& state) {
  SystemClock clock;
  SilentPanel panel;
  Waiter waiter(clock, panel);
  double fraction = 0;
  for (auto _ : state) {
    const std::clock_t cpu_start = std::clock();
    const auto wall_start = std::chrono::steady_clock::now();
    waiter.WaitTicks(100000);  // one second of an erase poll's wait
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    fraction = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC / wall;
  }
  state.counters["cpu_fraction"] = fraction;
}
BENCHMARK(EraseWaitCpu)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace tessary
namespace tessary {
namespace {
// The program's and the simulator's own work, with every wait free.
void WriteVerifyProcessing(benchmark::State& state) {
  for (auto _ : state) {
    VirtualClock clock;
    benchmark::DoNotOptimize(WriteVerify(clock));
  }
}
BENCHMARK(WriteVerifyProcessing)->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace
}  // namespace tessary
