// What opening a script costs before anything runs: reading a program image, and writing one.
// The variable count is the parameter because every variable gets a symbolic name whose length
// grows with its number, so an image declaring the largest memory is the costliest one to read.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tessaglyph/program.hpp"

namespace {

// A temporary folder for the benchmark's files, removed at the end.
class Folder {
 public:
  Folder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessaglyph-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    m_path = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  std::string file(const char* name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// A script of typical shape: a few properties, literals and routines, a loop of arithmetic over
// `variables` variables.
tg::TessaglyphProgram typicalProgram(int variables) {
  tg::TessaglyphProgram p;
  p.addScriptProperty({"gridtype", "latlon"});
  p.addScriptProperty({"datum", "NAD27"});
  p.addScriptProperty({"datavoidvalue", "-32000"});
  p.addLiteral({tg::TG_P_DT_INTEGER, 2, "1201"});
  p.addLiteral({tg::TG_P_DT_DOUBLE, 8, "0.000833333333333333"});
  p.addLiteral({tg::TG_P_DT_ASCII, 4, ".dem"});
  for (int v = 0; v < variables; ++v)
    p.addVariable();
  p.addInstruction({tg::TG_M_I_NOP, "", tg::TG_P_DS_DATA});
  const auto top = p.tag(1);
  for (int i = 0; i < 60; ++i) {
    const auto variable = p.addressSymbolicName(tg::Integer(1 + i % variables));
    p.addInstruction({tg::TG_M_I_LOAD, variable, tg::TG_P_DS_DATA});
    p.addInstruction({tg::TG_M_I_ADD, p.getLiteralName(1 + i % 2), tg::TG_P_DS_CONSTANT});
    p.addInstruction({tg::TG_M_I_STORE, variable, tg::TG_P_DS_DATA});
  }
  p.addInstruction({tg::TG_M_I_GOTO, top, tg::TG_P_DS_INSTRUCTION});
  p.addInstruction({tg::TG_M_I_STOP, "", tg::TG_P_DS_DATA});
  p.addRoutine({"init", top});
  p.addRoutine({"datapoint_read", top});
  return p;
}

void BM_ReadProgram(benchmark::State& state) {
  Folder folder;
  const auto path = folder.file("program.tgp");
  auto program = typicalProgram(int(state.range(0)));
  if (program.writeProgram(path, 1) < 0) std::abort();
  for (auto _ : state) {
    tg::TessaglyphProgram read;
    benchmark::DoNotOptimize(read.readProgram(path, 1));
  }
}
BENCHMARK(BM_ReadProgram)->Arg(20)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);

void BM_WriteProgram(benchmark::State& state) {
  Folder folder;
  const auto path = folder.file("program.tgp");
  auto program = typicalProgram(int(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(program.writeProgram(path, 1));
  }
}
BENCHMARK(BM_WriteProgram)->Arg(20)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);

}  // namespace
