// The file instructions' speed: a script that walks a grid file of two-byte values with READ,
// the way a data-point routine reads one cell after another, beside plain pread doing the same
// reads. "reads" is values read per second.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "program/assembler.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"

namespace {

constexpr std::int32_t kValues = 4096;

// A temporary grid file of kValues two-byte values 0, 1, 2, ..., removed at the end.
class GridFile {
 public:
  GridFile() {
    std::string pattern = "/tmp/tessaglyph-bench-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_fd = mkstemp(name.data());
    m_path = name.data();
    std::vector<std::int16_t> values(kValues);
    for (std::int32_t i = 0; i < kValues; ++i)
      values[std::size_t(i)] = std::int16_t(i);
    const auto bytes = ssize_t(values.size() * sizeof(std::int16_t));
    m_good = m_fd >= 0 && ::pwrite(m_fd, values.data(), std::size_t(bytes), 0) == bytes;
  }
  ~GridFile() {
    if (m_fd >= 0) ::close(m_fd);
    ::unlink(m_path.c_str());
  }
  GridFile(const GridFile&) = delete;
  GridFile& operator=(const GridFile&) = delete;

  bool good() const { return m_good; }
  int fd() const { return m_fd; }
  const std::string& path() const { return m_path; }

 private:
  int m_fd = -1;
  bool m_good = false;
  std::string m_path;
};

// Opens the file once, then each run reads every value, advancing "offset" by two, and sums.
std::string walkSource(const std::string& path) {
  return ".var h integer\n.var v integer\n.var sum integer\n"
         ".routine init main\n"
         ".attribute datapoint datapoint integer 2 read main\n"
         "main: load h\n"
         "      branch_true ready\n"
         "      open \"" +
         path +
         "\"\n"
         "      store h\n"
         "      cast_int2 v\n"
         "ready: loadnopoint mem[0]\n"
         "      store p_offset\n"
         "      store sum\n"
         "again: load h\n"
         "      read v\n"
         "      load sum\n"
         "      add v\n"
         "      store sum\n"
         "      load p_offset\n"
         "      add 2\n"
         "      store p_offset\n"
         "      lessthan " +
         std::to_string(2 * kValues) +
         "\n"
         "      branch_true again\n"
         "      stop\n";
}

void BM_ScriptReadsGrid(benchmark::State& state) {
  GridFile grid;
  if (!grid.good()) return state.SkipWithError("cannot write the grid file");
  tg::TessaglyphProgram program = tg::assembleProgram(walkSource(grid.path()), "bench.tgs");
  auto machine = std::make_shared<tg::TessaglyphMachine>();
  program.prepareMachine(machine);
  machine->setErrorEventEnabled(false);  // a failing benchmark must say so
  for (auto _ : state)
    machine->runExplicit(0);
  const std::int64_t expected = std::int64_t(kValues) * (kValues - 1) / 2;
  tg::Integer sum = -1;
  for (tg::Integer a = 0; a < machine->dataMemory(); ++a) {
    if (machine->variableNames(a) == "sum") sum = a;
  }
  if (sum < 0 || machine->Memory(sum) != std::to_string(expected)) {
    state.SkipWithError("wrong sum");
  }
  state.counters["reads"] =
      benchmark::Counter(kValues, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ScriptReadsGrid);

void BM_PlainPreadOfGrid(benchmark::State& state) {
  GridFile grid;
  if (!grid.good()) return state.SkipWithError("cannot write the grid file");
  std::int64_t sum = 0;
  for (auto _ : state) {
    sum = 0;
    for (std::int32_t i = 0; i < kValues; ++i) {
      std::int16_t value = 0;
      if (::pread(grid.fd(), &value, sizeof value, off_t(2 * i)) != sizeof value) {
        return state.SkipWithError("short read");
      }
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["reads"] =
      benchmark::Counter(kValues, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PlainPreadOfGrid);

}  // namespace
