// Area point queries beside the same reads on the file alone, random points over blocks of 4 and
// 100 tiles under two open-file limits, and a 10,000-sample profile through Get_Path.
//
// BM_FilePoint and BM_AreaPoint read the same random points inside one SRTM tile, the first
// through the tile's TessaglyphFile, the second through a 2x2 area of tiles that holds it; their
// ratio is what the area adds. "heap_allocs" counts calls of operator new per read once warm.
// BM_AreaRandom spreads the points over the whole block: with 100 tiles and a limit of 10 most
// reads open a file and close another, which is the cost of the limit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_scripts.hpp"
#include "heap_allocations.hpp"
#include "program/assembler.hpp"
#include "tessaglyph/area.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace {

namespace fs = std::filesystem;

double surface(int row, int col) {
  return std::round(800 + 300 * std::sin(row * 0.013) * std::cos(col * 0.017) + 0.2 * col);
}

// The bench's tiles and programs, made once in a temporary folder: a 2x2 block of SRTM tiles
// (46-48N, 122-120W) and a 10x10 block of small BIL tiles (30-40N, 100-90W).
class AreaBenchData {
 public:
  static AreaBenchData& get() {
    static AreaBenchData data;
    return data;
  }
  std::string program(const std::string& name) const {
    return (m_folder / (name + ".tgp")).string();
  }
  std::string file(const std::string& name) const { return (m_folder / name).string(); }
  const std::vector<std::string>& srtmTiles() const { return m_srtm; }
  const std::vector<std::string>& bilTiles() const { return m_bil; }

 private:
  AreaBenchData() {
    m_folder = fs::temp_directory_path() / ("tessaglyph-area-bench-" + std::to_string(getpid()));
    fs::create_directories(m_folder);
    const fs::path scripts = findBenchScripts();
    for (const char* name : {"srtm_hgt", "esri_bil"})
      tg::buildProgramFile((scripts / (std::string(name) + ".tgs")).string(), program(name));
    for (const int south : {47, 46}) {
      for (const int west : {122, 121})
        m_srtm.push_back(writeSrtm(south, west));
    }
    for (int south = 39; south >= 30; --south) {
      for (int west = -100; west < -90; ++west)
        m_bil.push_back(writeBil(south, west));
    }
  }
  ~AreaBenchData() {
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }

  void write(const std::string& name, const std::string& bytes) {
    std::ofstream out(m_folder / name, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
  }

  std::string writeSrtm(int south, int west) {
    constexpr int kNodes = 1201;
    const int rowOffset = (47 - south) * 1200, colOffset = (122 - west) * 1200;
    std::string bytes;
    bytes.reserve(std::size_t(kNodes) * kNodes * 2);
    for (int row = 0; row < kNodes; ++row) {
      for (int col = 0; col < kNodes; ++col) {
        const auto bits = std::uint16_t(std::int16_t(surface(row + rowOffset, col + colOffset)));
        bytes.push_back(char(bits >> 8));
        bytes.push_back(char(bits & 0xFF));
      }
    }
    const std::string name = "N" + std::to_string(south) + "W" + std::to_string(west) + ".hgt";
    write(name, bytes);
    return file(name);
  }

  // A one-degree BIL tile of 101 x 101 cell centres, edges shared with its neighbours.
  std::string writeBil(int south, int west) {
    constexpr int kNodes = 101;
    std::string bytes;
    for (int row = 0; row < kNodes; ++row) {
      for (int col = 0; col < kNodes; ++col) {
        const auto bits = std::uint16_t(std::int16_t(surface(row, col)));
        bytes.push_back(char(bits & 0xFF));
        bytes.push_back(char(bits >> 8));
      }
    }
    const std::string name = "tile_" + std::to_string(south) + "_" + std::to_string(-west);
    write(name + ".bil", bytes);
    write(name + ".hdr",
          "NROWS 101\nNCOLS 101\nNBITS 16\nBYTEORDER I\nPIXELTYPE SIGNEDINT\n"
          "ULXMAP " +
              std::to_string(west) + "\nULYMAP " + std::to_string(south + 1) +
              "\nXDIM 0.01\nYDIM 0.01\n");
    return file(name + ".bil");
  }

  fs::path m_folder;
  std::vector<std::string> m_srtm;
  std::vector<std::string> m_bil;
};

struct Position {
  double lat, lon;
};

std::vector<Position> randomPositions(double south, double north, double west, double east) {
  std::mt19937 random(20240601);
  std::uniform_real_distribution<double> lat(south, north), lon(west, east);
  std::vector<Position> list(4096);
  for (Position& p : list)
    p = {lat(random), lon(random)};
  return list;
}

std::shared_ptr<tg::TessaglyphArea> makeArea(const std::vector<std::string>& files,
                                             const std::string& script, int maximumOpenFiles) {
  auto area = std::make_shared<tg::TessaglyphArea>();
  area->setMaximumOpenFiles(tg::Integer(maximumOpenFiles));
  for (const std::string& path : files) {
    auto file = tg::Tessaglyph().OpenFile(path, AreaBenchData::get().program(script));
    file->setExecuteMode(tg::TG_F_EM_SILENT);
    area->addFile(file);
  }
  area->initialize();
  area->setInterpolationMode(tg::TG_M_IM_CLOSESTPOINT);
  return area;
}

template <typename Read>
void measure(benchmark::State& state, const std::vector<Position>& points, Read read) {
  for (const Position& p : points)
    benchmark::DoNotOptimize(read(p));  // one walk warms caches, pools and open files
  std::size_t n = 0;
  const std::size_t allocationsBefore = heapAllocations();
  for (auto _ : state) {
    const Position& p = points[n++ % points.size()];
    benchmark::DoNotOptimize(read(p));
  }
  state.counters["heap_allocs"] = benchmark::Counter(double(heapAllocations() - allocationsBefore),
                                                     benchmark::Counter::kAvgIterations);
  state.counters["points/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
}

// Points inside N46W122, the south-west tile of the block.
const std::vector<Position>& tilePoints() {
  static const std::vector<Position> points = randomPositions(46.001, 46.999, -121.999, -121.001);
  return points;
}

void BM_FilePoint(benchmark::State& state) {
  auto file = tg::Tessaglyph().OpenFile(AreaBenchData::get().file("N46W122.hgt"),
                                        AreaBenchData::get().program("srtm_hgt"));
  file->setInterpolationMode(tg::TG_M_IM_CLOSESTPOINT);
  measure(state, tilePoints(), [&](const Position& p) { return file->point(p.lat, p.lon); });
}
BENCHMARK(BM_FilePoint);

void BM_AreaPoint(benchmark::State& state) {
  const auto area = makeArea(AreaBenchData::get().srtmTiles(), "srtm_hgt", 225);
  measure(state, tilePoints(), [&](const Position& p) { return area->point(p.lat, p.lon); });
  if (area->point(46.5, -121.5) != float(surface(1200 + 600, 600))) {
    state.SkipWithError("wrong value");
  }
}
BENCHMARK(BM_AreaPoint);

// Random points over the whole block: 4 SRTM tiles or 100 BIL tiles, under a limit of
// `maximumOpenFiles`.
void BM_AreaRandom(benchmark::State& state) {
  const bool many = state.range(0) == 100;
  const int limit = int(state.range(1));
  const auto& data = AreaBenchData::get();
  const auto area = many ? makeArea(data.bilTiles(), "esri_bil", limit)
                         : makeArea(data.srtmTiles(), "srtm_hgt", limit);
  const auto points = many ? randomPositions(30.001, 39.999, -99.999, -90.001)
                           : randomPositions(46.001, 47.999, -121.999, -120.001);
  measure(state, points, [&](const Position& p) { return area->point(p.lat, p.lon); });
  state.counters["open"] = area->numOpenFiles();
}
BENCHMARK(BM_AreaRandom)
    ->ArgNames({"tiles", "maxOpen"})
    ->Args({4, 10})
    ->Args({4, 225})
    ->Args({100, 10})
    ->Args({100, 225});

// A profile of 10,000 samples along the diagonal of the SRTM block, crossing both seams.
void BM_GetPath(benchmark::State& state) {
  const auto area = makeArea(AreaBenchData::get().srtmTiles(), "srtm_hgt", 225);
  area->setInterpolationMode(tg::TG_M_IM_4POINT);
  area->setMacroInterpolationOption(tg::TG_S_MIO_MERGEFILEDATA);
  constexpr tg::Long kSamples = 10000;
  auto lat = tg::Array<tg::Double>::withBounds(0, kSamples - 1);
  auto lon = tg::Array<tg::Double>::withBounds(0, kSamples - 1);
  for (tg::Long i = 0; i < kSamples; ++i) {
    const double t = (i + 0.5) / kSamples;
    lat[i] = 46.01 + 1.98 * t;
    lon[i] = -121.99 + 1.98 * t;
  }
  tg::Array<tg::Single> elevations;
  tg::Boolean failed = false;
  area->Get_Path(lat, lon, elevations, failed);
  const std::size_t allocationsBefore = heapAllocations();
  for (auto _ : state) {
    area->Get_Path(lat, lon, elevations, failed);
    benchmark::DoNotOptimize(elevations[0]);
  }
  if (failed) state.SkipWithError("Get_Path failed");
  state.counters["heap_allocs"] = benchmark::Counter(double(heapAllocations() - allocationsBefore),
                                                     benchmark::Counter::kAvgIterations);
  state.counters["samples/s"] =
      benchmark::Counter(double(kSamples), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_GetPath)->Unit(benchmark::kMillisecond);

}  // namespace
