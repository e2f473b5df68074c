// Data-point reads through a small computing script in each interpolation mode, beside plain
// C++ answering the same query from an in-memory grid in the same run. The script's read code
// computes z = 2x + 3y from the position it is handed; the C++ twin reads the same surface from
// a float grid (one sample, or four corners combined bilinearly). "heap_allocs" counts calls of
// the global operator new per read once warm, which should stay 0 for the machine's own work.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "heap_allocations.hpp"
#include "program/assembler.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"

namespace {

// A 0..2 degree grid at 0.5 degrees, described so that the machine can gather points itself.
const std::string kGridSource = R"(
.property gridtype "latlon"
.property boundsmode "latlonbounding"
.property datum "nad83"
.var t1 double
.routine init main
.attribute datapoint datapoint single read dp_read
.attribute top_lat var double read a_top
.attribute bottom_lat var double read a_zero
.attribute left_lon var double read a_zero
.attribute right_lon var double read a_top
.attribute xres var double read a_res
.attribute yres var double read a_res
main:
    stop
dp_read:
    cast_double register
    load p_x
    multiply 2
    store t1
    load p_y
    multiply 3
    add t1
    store p_return
    stop
a_top:
    cast_double register
    cast_double p_return
    load 2
    store p_return
    stop
a_zero:
    cast_double register
    cast_double p_return
    load 0
    store p_return
    stop
a_res:
    cast_double register
    cast_double p_return
    load 0.5
    store p_return
    stop
)";

constexpr double kRes = 0.5;
constexpr int kNodes = 5;  // 0, 0.5, ..., 2 each way

// Query positions strictly inside the grid, so every mode gathers whole cells.
double queryX(std::int64_t n) {
  return 0.55 + double(n % 97) * 0.0093;
}
double queryY(std::int64_t n) {
  return 0.6 + double(n % 89) * 0.0091;
}

void BM_DataPointRead(benchmark::State& state) {
  const auto mode = tg::TG_M_INTERPOLATIONMODES(state.range(0));
  tg::TessaglyphProgram program = tg::assembleProgram(kGridSource, "bench_grid.tgs");
  std::shared_ptr<tg::TessaglyphMachine> machine;
  program.prepareMachine(machine);
  machine->setErrorEventEnabled(false);  // a failing benchmark must say so
  machine->setCurrentDatum("NAD83");
  machine->setInterpolationMode(mode);
  for (int i = 0; i < 4; ++i)
    machine->datapoint_read(queryX(i), queryY(i));  // warm up caches and pools

  std::int64_t n = 0;
  const std::size_t allocationsBefore = heapAllocations();
  for (auto _ : state) {
    benchmark::DoNotOptimize(machine->datapoint_read(queryX(n), queryY(n)));
    ++n;
  }
  const std::size_t allocations = heapAllocations() - allocationsBefore;
  const float check = machine->datapoint_read(1.2, 0.8);
  const float expected =
      mode == tg::TG_M_IM_CLOSESTPOINT ? 2 * 1.0f + 3 * 1.0f : 2 * 1.2f + 3 * 0.8f;
  if (std::fabs(check - expected) > 1e-3f) state.SkipWithError("wrong value");
  state.counters["heap_allocs"] =
      benchmark::Counter(double(allocations), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DataPointRead)
    ->ArgName("mode")
    ->Arg(tg::TG_M_IM_NONE)
    ->Arg(tg::TG_M_IM_CLOSESTPOINT)
    ->Arg(tg::TG_M_IM_4POINT)
    ->Arg(tg::TG_M_IM_12POINT);

// The C++ twin: the surface sampled into a float grid; mode 0 reads the sample at the nearest
// node below (no interpolation), mode 2 combines the cell's corners bilinearly.
void BM_NativeGridRead(benchmark::State& state) {
  const bool bilinear = state.range(0) == tg::TG_M_IM_4POINT;
  std::vector<float> grid(kNodes * kNodes);
  for (int row = 0; row < kNodes; ++row)
    for (int col = 0; col < kNodes; ++col)
      grid[std::size_t(row * kNodes + col)] = float(2 * col * kRes + 3 * row * kRes);
  std::int64_t n = 0;
  for (auto _ : state) {
    const double x = queryX(n);
    const double y = queryY(n);
    ++n;
    const int col = int(std::floor(x / kRes));
    const int row = int(std::floor(y / kRes));
    const float z00 = grid[std::size_t(row * kNodes + col)];
    float value = z00;
    if (bilinear) {
      const double u = x / kRes - col;
      const double v = y / kRes - row;
      const float z10 = grid[std::size_t(row * kNodes + col + 1)];
      const float z01 = grid[std::size_t((row + 1) * kNodes + col)];
      const float z11 = grid[std::size_t((row + 1) * kNodes + col + 1)];
      value = float((1 - u) * (1 - v) * z00 + u * (1 - v) * z10 + (1 - u) * v * z01 + u * v * z11);
    }
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_NativeGridRead)->ArgName("mode")->Arg(tg::TG_M_IM_NONE)->Arg(tg::TG_M_IM_4POINT);

}  // namespace
