// What the source file adds to a data-point read: the same query through TessaglyphFile::point
// and straight to the machine, on a local file and on one marked as removable (where every read
// first makes sure the file is still there); and the bounds test on a rectangle and on a
// four-corner polygon.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "program/assembler.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/source_file.hpp"

namespace {

std::string scriptSource(const char* boundsMode, const char* extraAttributes, const char* code) {
  return std::string(".property gridtype \"latlon\"\n.property datum \"nad83\"\n") +
         ".property boundsmode \"" + boundsMode +
         "\"\n.routine init main\n.routine datapoint_read dp_read\n"
         ".attribute datapoint datapoint single read dp_read\n"
         ".attribute xres var double read a_res\n.attribute yres var double read a_res\n" +
         extraAttributes +
         "main:\n stop\n"
         "dp_read:\n cast_double register\n load p_x\n multiply 2\n add p_y\n store p_return\n"
         " stop\n"
         "a_res:\n cast_double p_return\n load 0.5\n store p_return\n stop\n" +
         code;
}

const char* kRectangleAttributes =
    ".attribute top_lat var double read a_two\n.attribute bottom_lat var double read a_zero\n"
    ".attribute left_lon var double read a_zero\n.attribute right_lon var double read a_two\n";
const char* kRectangleCode =
    "a_two:\n cast_double p_return\n load 2\n store p_return\n stop\n"
    "a_zero:\n cast_double p_return\n load 0\n store p_return\n stop\n";
const char* kCornerAttributes =
    ".attribute nw_lat var double read a_two\n.attribute nw_lon var double read a_zero\n"
    ".attribute ne_lat var double read a_three\n.attribute ne_lon var double read a_two\n"
    ".attribute se_lat var double read a_one\n.attribute se_lon var double read a_three\n"
    ".attribute sw_lat var double read a_zero\n.attribute sw_lon var double read a_one\n";
const char* kCornerCode =
    "a_zero:\n cast_double p_return\n load 0\n store p_return\n stop\n"
    "a_one:\n cast_double p_return\n load 1\n store p_return\n stop\n"
    "a_two:\n cast_double p_return\n load 2\n store p_return\n stop\n"
    "a_three:\n cast_double p_return\n load 3\n store p_return\n stop\n";

// An open file of the script on a small data file in the temporary folder.
std::shared_ptr<tg::TessaglyphFile> openFile(const std::string& source, bool removable) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "tessaglyph-source-file-bench.dat").string();
  std::ofstream(path) << "data";
  tg::TessaglyphProgram program = tg::assembleProgram(source, "bench.tgs");
  auto machine = std::make_shared<tg::TessaglyphMachine>();
  program.prepareMachine(machine);
  machine->setCurrentDatum("NAD83");
  auto file = std::make_shared<tg::TessaglyphFile>();
  file->setMachine(machine);
  file->setFilename(path);
  file->setOnRemovableMedia(removable);
  file->setRMDescID("BENCH");
  file->openSource();
  return file;
}

void BM_FilePointRead(benchmark::State& state) {
  auto file = openFile(scriptSource("latlonbounding", kRectangleAttributes, kRectangleCode),
                       state.range(0) != 0);
  double lat = 0.25;
  for (auto _ : state) {
    benchmark::DoNotOptimize(file->point(lat, 0.75));
    lat = lat < 1.5 ? lat + 0.001 : 0.25;
  }
  state.SetLabel(state.range(0) != 0 ? "removable" : "local");
}
BENCHMARK(BM_FilePointRead)->Arg(0)->Arg(1);

void BM_MachinePointRead(benchmark::State& state) {
  auto file = openFile(scriptSource("latlonbounding", kRectangleAttributes, kRectangleCode), false);
  tg::TessaglyphMachine& machine = *file->machine();
  double lat = 0.25;
  for (auto _ : state) {
    benchmark::DoNotOptimize(machine.datapoint_read(0.75, lat));
    lat = lat < 1.5 ? lat + 0.001 : 0.25;
  }
}
BENCHMARK(BM_MachinePointRead);

void BM_InBounds(benchmark::State& state) {
  const bool polygon = state.range(0) != 0;
  auto file =
      polygon
          ? openFile(scriptSource("4point", kCornerAttributes, kCornerCode), false)
          : openFile(scriptSource("latlonbounding", kRectangleAttributes, kRectangleCode), false);
  double lat = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(file->inBounds(lat, 1.25));
    lat = lat < 3 ? lat + 0.01 : 0;
  }
  state.SetLabel(polygon ? "polygon" : "rectangle");
}
BENCHMARK(BM_InBounds)->Arg(0)->Arg(1);

}  // namespace
