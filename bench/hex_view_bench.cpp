// How the hex view keeps up with a 64 MiB buffer: a full redraw, scrolling
// through it, a keystroke with its checksum, and the byte sum itself.
#include "buffer/data_buffer.h"
#include "buffer/hex_view.h"
#include "catalogue/chip_record.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <random>

namespace tessary {
namespace {

constexpr std::uint32_t kBufferSize = 64u << 20;

struct LargeBuffer {
  Ram_File_Info_Struct ram;
  Prj_Info_Struct chip;
  HexView view{ram, chip};

  LargeBuffer() {
    if (ResetBuffer(ram, kBufferSize) != BufferStatus::Ok) std::abort();
    std::mt19937 random(1);
    for (auto& byte : ram.Data) byte = static_cast<std::uint8_t>(random());
    view.SetScrollMaximum(ram.DataLen);
    view.AlignView();
    view.RedrawHexView();
  }
};

LargeBuffer& Shared() {
  static LargeBuffer buffer;  // built once: filling 64 MiB is not what is measured
  return buffer;
}

void BM_RedrawHexView(benchmark::State& state) {
  LargeBuffer& b = Shared();
  b.ram.ViewTop = kBufferSize / 2;
  for (auto _ : state) {
    b.view.AlignView();
    b.view.RedrawHexView();
    benchmark::DoNotOptimize(b.view.HexText().data());
  }
}
BENCHMARK(BM_RedrawHexView);

// Dragging the thumb: every scroll event lands somewhere new.
void BM_ScrollRandom(benchmark::State& state) {
  LargeBuffer& b = Shared();
  std::mt19937 random(2);
  std::uniform_int_distribution<std::uint32_t> position(0, kBufferSize);
  for (auto _ : state) {
    b.view.Scroll(position(random));
    benchmark::DoNotOptimize(b.view.HexText().data());
  }
}
BENCHMARK(BM_ScrollRandom);

// Holding the arrow of the scroll bar: one row at a time from top to bottom.
void BM_ScrollByRow(benchmark::State& state) {
  LargeBuffer& b = Shared();
  std::uint32_t position = 0;
  for (auto _ : state) {
    b.view.Scroll(position);
    position = position + kBytesPerRow >= kBufferSize ? 0 : position + kBytesPerRow;
    benchmark::DoNotOptimize(b.view.HexText().data());
  }
}
BENCHMARK(BM_ScrollByRow);

// A keystroke in the hex pane, checksum panel text included.
void BM_KeyEdit(benchmark::State& state) {
  LargeBuffer& b = Shared();
  b.view.Scroll(kBufferSize / 2);
  b.view.Click(0);
  std::uint32_t key = 0x30;
  for (auto _ : state) {
    if (!b.view.Selection()) b.view.Click(0);
    benchmark::DoNotOptimize(b.view.KeyDown(key));
    key = key == 0x39 ? 0x41 : key == 0x46 ? 0x30 : key + 1;
  }
}
BENCHMARK(BM_KeyEdit);

void BM_ByteSumWholeBuffer(benchmark::State& state) {
  LargeBuffer& b = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(ByteSum(0, b.ram.Data));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBufferSize);
}
BENCHMARK(BM_ByteSumWholeBuffer)->Unit(benchmark::kMillisecond);

void BM_ResetBufferAndView(benchmark::State& state) {
  Ram_File_Info_Struct ram;
  Prj_Info_Struct chip;
  HexView view{ram, chip};
  for (auto _ : state) {
    if (ResetBufferAndView(view, kBufferSize).status != BufferStatus::Ok) {
      state.SkipWithError("allocation failed");
      break;
    }
  }
}
BENCHMARK(BM_ResetBufferAndView)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessary
