// The interpreter's speed: instructions per second on a tight add/compare/branch loop and on a
// data-point style routine, each beside plain C++ doing the same work in the same run. The
// "ips" counter is instructions per second; compare the C++ twin's time for the ratio.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "machine/machine_access.hpp"
#include "program/assembler.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"

namespace {

constexpr std::int32_t kLoopCount = 10000;
// Two set-up instructions, then five per round.
constexpr double kLoopInstructions = 2 + 5.0 * kLoopCount;

std::shared_ptr<tg::TessaglyphMachine> machineFor(const std::string& source) {
  tg::TessaglyphProgram program = tg::assembleProgram(source, "bench.tgs");
  auto machine = std::make_shared<tg::TessaglyphMachine>();
  program.prepareMachine(machine);
  machine->setErrorEventEnabled(false);  // a failing benchmark must say so
  return machine;
}

tg::Integer addressOf(const tg::TessaglyphMachine& machine, const std::string& name) {
  for (tg::Integer a = 0; a < machine.dataMemory(); ++a) {
    if (machine.variableNames(a) == name) return a;
  }
  return -1;
}

const std::string kLoopSource =
    ".var i integer\n"
    ".routine init main\n"
    ".attribute datapoint datapoint integer 2 read main\n"
    "main: loadnopoint mem[0]\n"
    "      store i\n"
    "again: loadnopoint mem[1]\n"
    "      add i\n"
    "      store i\n"
    "      lessthan " +
    std::to_string(kLoopCount) +
    "\n"
    "      branch_true again\n"
    "      stop\n";

void BM_InterpreterTightLoop(benchmark::State& state) {
  auto machine = machineFor(kLoopSource);
  const tg::Integer i = addressOf(*machine, "i");
  for (auto _ : state) {
    machine->runExplicit(0);
    benchmark::DoNotOptimize(tg::MachineAccess::cell(*machine, i)->getLong());
  }
  if (machine->Memory(i) != std::to_string(kLoopCount)) state.SkipWithError("wrong result");
  state.counters["ips"] =
      benchmark::Counter(kLoopInstructions, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_InterpreterTightLoop);

// The same rounds in C++: a 16-bit register made from 1 + i, stored, compared, branched on.
void BM_NativeTightLoop(benchmark::State& state) {
  for (auto _ : state) {
    std::int32_t i = 0;
    bool again = true;
    while (again) {
      std::int16_t reg = 1;
      benchmark::DoNotOptimize(reg);
      reg = std::int16_t(reg + i);
      i = reg;
      benchmark::DoNotOptimize(i);
      again = i < kLoopCount;
    }
  }
  state.counters["ips"] =
      benchmark::Counter(kLoopInstructions, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_NativeTightLoop);

// A data-point read: take the raw sample as a number, scale it, store the value, and replace
// it by the no-data value below the lowest valid elevation.
const std::string kPointSource =
    ".var sample integer\n"
    ".var scale double\n"
    ".var lowest double\n"
    ".var nodata double\n"
    ".routine datapoint_read dp\n"
    ".attribute datapoint datapoint integer 2 read dp\n"
    "dp:   ipart sample\n"
    "      multiply scale\n"
    "      store p_value\n"
    "      lessthan lowest\n"
    "      branch_false done\n"
    "      ipart nodata\n"
    "      store p_value\n"
    "done: stop\n";

struct PointInputs {
  std::int32_t sample(std::int64_t n) const { return std::int32_t(n % 4000) - 500; }
  double scale = 0.25;
  double lowest = -100.0;
  double nodata = -32100.0;
};

void BM_InterpreterDataPoint(benchmark::State& state) {
  auto machine = machineFor(kPointSource);
  const PointInputs in;
  const tg::Integer sample = addressOf(*machine, "sample");
  tg::MachineAccess::cell(*machine, addressOf(*machine, "scale"))->becomeDouble(in.scale);
  tg::MachineAccess::cell(*machine, addressOf(*machine, "lowest"))->becomeDouble(in.lowest);
  tg::MachineAccess::cell(*machine, addressOf(*machine, "nodata"))->becomeDouble(in.nodata);
  const tg::Integer start = machine->routineLocations(tg::TG_M_RAI_DATAPOINT_READ);
  std::int64_t n = 0;
  std::int64_t instructions = 0;
  for (auto _ : state) {
    const std::int32_t raw = in.sample(n++);
    tg::MachineAccess::cell(*machine, sample)->becomeInteger4(raw);
    machine->runExplicit(start);
    benchmark::DoNotOptimize(tg::MachineAccess::cell(*machine, tg::TG_M_PVI_VALUE)->getDouble());
    instructions += raw * in.scale < in.lowest ? 7 : 5;
  }
  state.counters["ips"] = benchmark::Counter(double(instructions), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InterpreterDataPoint);

void BM_NativeDataPoint(benchmark::State& state) {
  const PointInputs in;
  std::int64_t n = 0;
  for (auto _ : state) {
    std::int32_t raw = in.sample(n++);
    benchmark::DoNotOptimize(raw);
    double value = double(raw) * in.scale;
    if (value < in.lowest) value = in.nodata;
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_NativeDataPoint);

}  // namespace
