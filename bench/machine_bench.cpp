// The machine's hot paths as the interpreter will drive them: cells fetched by address and the
// evaluation stack's push and pop, which must allocate nothing once the stack is warm.
#include <benchmark/benchmark.h>

#include "machine/machine_access.hpp"
#include "tessaglyph/machine.hpp"

namespace {

// A PUSHM/POPM pair of eight cells, the shape of an interpolation routine handing back its
// points.
void BM_StackPushPopEight(benchmark::State& state) {
  tg::TessaglyphMachine machine;
  const auto pool = tg::DatumPool::statistics();
  for (auto _ : state) {
    for (tg::Integer a = 3; a < 11; ++a)
      tg::MachineAccess::push(machine, tg::MachineAccess::cell(machine, a));
    for (tg::Integer a = 10; a >= 3; --a)
      tg::MachineAccess::cell(machine, a) = tg::MachineAccess::pop(machine);
  }
  state.counters["cellAllocations"] =
      double(tg::DatumPool::statistics().cellAllocations - pool.cellAllocations);
}
BENCHMARK(BM_StackPushPopEight);

// Sixty cells deep and back: the stack grows twice and is cut down twice per round, on storage
// it keeps.
void BM_StackGrowAndShrink(benchmark::State& state) {
  tg::TessaglyphMachine machine;
  const tg::DatumRef cell = tg::makeDouble(1.5);
  for (auto _ : state) {
    for (int i = 0; i < 60; ++i)
      tg::MachineAccess::push(machine, cell);
    for (int i = 0; i < 60; ++i)
      benchmark::DoNotOptimize(tg::MachineAccess::pop(machine));
  }
}
BENCHMARK(BM_StackGrowAndShrink);

}  // namespace
