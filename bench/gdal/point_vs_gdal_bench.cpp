// Point reads on an SRTM tile through TessaglyphFile::point beside GDAL's C API on the same
// tile and the same random positions, in the same run; built only when GDAL is found (GDAL is
// a yardstick here, never a dependency of the library).
//
// GDAL reads one 1x1 window per point (GDALRasterIO, nearest pixel, block cache warm after the
// first pass). The library reads closest and 4-point through direct grid access, and closest
// again with direct access switched off (the script runs). An ESRI ASCII grid of 360 x 240
// cells, read closest at random, shows what text costs. "heap_allocs" counts calls of the global
// operator new per read once warm.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <gdal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_scripts.hpp"
#include "heap_allocations.hpp"
#include "program/assembler.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/source_file.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace {

namespace fs = std::filesystem;

constexpr int kSamples = 1201;
constexpr double kWest = -122, kNorth = 47, kSpacing = 1.0 / 1200;
constexpr int kAsciiCols = 360, kAsciiRows = 240;
constexpr std::size_t kPoints = 1 << 16;

double surface(int row, int col) {
  return std::round(800 + 300 * std::sin(row * 0.013) * std::cos(col * 0.017) + 0.2 * col);
}

class Data {
 public:
  static Data& get() {
    static Data data;
    return data;
  }
  std::string path(const std::string& name) const { return (m_folder / name).string(); }
  // Positions inside the tile's nodes (fixed seed).
  const std::vector<std::pair<double, double>>& points() const { return m_points; }
  const std::vector<std::pair<double, double>>& asciiPoints() const { return m_asciiPoints; }

 private:
  Data() {
    m_folder = fs::temp_directory_path() / ("tessaglyph-gdal-bench-" + std::to_string(getpid()));
    fs::create_directories(m_folder);
    const fs::path scripts = findBenchScripts();
    for (const char* name : {"srtm_hgt", "esri_ascii"}) {
      tg::buildProgramFile((scripts / (std::string(name) + ".tgs")).string(),
                           path(std::string(name) + ".tgp"));
    }
    std::string bytes;
    for (int row = 0; row < kSamples; ++row) {
      for (int col = 0; col < kSamples; ++col) {
        const auto bits = std::uint16_t(std::int16_t(surface(row, col)));
        bytes.push_back(char(bits >> 8));
        bytes.push_back(char(bits & 0xFF));
      }
    }
    std::ofstream(m_folder / "N46W122.hgt", std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
    std::ostringstream ascii;
    ascii << "ncols " << kAsciiCols << "\nnrows " << kAsciiRows
          << "\nxllcorner -122\nyllcorner 46\ncellsize 0.001\nNODATA_value -9999\n";
    for (int row = 0; row < kAsciiRows; ++row) {
      for (int col = 0; col < kAsciiCols; ++col)
        ascii << (col ? " " : "") << surface(row, col) + 0.5;
      ascii << "\n";
    }
    std::ofstream(m_folder / "grid.asc") << ascii.str();

    std::mt19937 random(20240601);
    std::uniform_real_distribution<double> lat(kNorth - 1, kNorth);
    std::uniform_real_distribution<double> lon(kWest, kWest + 1);
    for (std::size_t i = 0; i < kPoints; ++i)
      m_points.emplace_back(lat(random), lon(random));
    std::uniform_real_distribution<double> asciiLat(46.0005, 46.0005 + (kAsciiRows - 1) * 0.001);
    std::uniform_real_distribution<double> asciiLon(-121.9995,
                                                    -121.9995 + (kAsciiCols - 1) * 0.001);
    for (std::size_t i = 0; i < 4096; ++i)
      m_asciiPoints.emplace_back(asciiLat(random), asciiLon(random));
  }
  ~Data() {
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }
  fs::path m_folder;
  std::vector<std::pair<double, double>> m_points;
  std::vector<std::pair<double, double>> m_asciiPoints;
};

void countAllocations(benchmark::State& state, std::size_t before, std::size_t reads) {
  state.counters["heap_allocs"] =
      double(heapAllocations() - before) / double(std::max<std::size_t>(reads, 1));
}

void BM_GdalNearest(benchmark::State& state) {
  GDALAllRegister();
  GDALDatasetH dataset = GDALOpen(Data::get().path("N46W122.hgt").c_str(), GA_ReadOnly);
  if (dataset == nullptr) {
    state.SkipWithError("GDAL cannot open the tile");
    return;
  }
  GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
  double transform[6];
  GDALGetGeoTransform(dataset, transform);
  const auto& points = Data::get().points();
  auto read = [&](const std::pair<double, double>& p) {
    const int x = int(std::floor((p.second - transform[0]) / transform[1]));
    const int y = int(std::floor((p.first - transform[3]) / transform[5]));
    std::int16_t value = 0;
    if (GDALRasterIO(band, GF_Read, x, y, 1, 1, &value, 1, 1, GDT_Int16, 0, 0) != CE_None) {
      value = -32768;
    }
    return value;
  };
  for (const auto& p : points)
    benchmark::DoNotOptimize(read(p));  // warm the block cache
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(read(points[i]));
    i = (i + 1) & (kPoints - 1);
  }
  state.SetItemsProcessed(state.iterations());
  GDALClose(dataset);
}
BENCHMARK(BM_GdalNearest);

// The floor under any reader of the tile: the same random cells (one, or the four around the
// position) loaded straight from a mapping of the file, with no position arithmetic beyond the
// cell's offset. What the library spends above this is its own.
void mappedCells(benchmark::State& state, bool four) {
  const int fd = open(Data::get().path("N46W122.hgt").c_str(), O_RDONLY);
  const std::size_t length = std::size_t(kSamples) * kSamples * 2;
  void* map = mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) {
    state.SkipWithError("cannot map the tile");
    return;
  }
  const auto* bytes = static_cast<const unsigned char*>(map);
  auto cell = [&](int row, int col) {
    const std::size_t at = (std::size_t(std::clamp(row, 0, kSamples - 1)) * kSamples +
                            std::size_t(std::clamp(col, 0, kSamples - 1))) *
                           2;
    return std::int16_t(std::uint16_t(bytes[at] << 8 | bytes[at + 1]));
  };
  const auto& points = Data::get().points();
  auto read = [&](const std::pair<double, double>& p) {
    const int row = int((kNorth - p.first) / kSpacing), col = int((p.second - kWest) / kSpacing);
    return four ? cell(row, col) + cell(row + 1, col) + cell(row, col + 1) + cell(row + 1, col + 1)
                : cell(row, col);
  };
  for (const auto& p : points)
    benchmark::DoNotOptimize(read(p));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(read(points[i]));
    i = (i + 1) & (kPoints - 1);
  }
  state.SetItemsProcessed(state.iterations());
  munmap(map, length);
  close(fd);
}

void BM_MappedOneCell(benchmark::State& state) {
  mappedCells(state, false);
}
BENCHMARK(BM_MappedOneCell);

void BM_MappedFourCells(benchmark::State& state) {
  mappedCells(state, true);
}
BENCHMARK(BM_MappedFourCells);

// The library's reads of the tile: direct access or the script, closest or 4-point.
void tileReads(benchmark::State& state, tg::TG_M_INTERPOLATIONMODES mode, bool direct,
               const char* file, const char* script,
               const std::vector<std::pair<double, double>>& points) {
  auto source = tg::Tessaglyph().OpenFile(Data::get().path(file), Data::get().path(script));
  if (!direct) source->machine()->setEnableMEX(false);
  state.counters["direct"] = source->machine()->enableMEX() ? 1 : 0;
  source->setInterpolationMode(mode);
  const std::size_t mask = points.size() - 1;
  for (const auto& p : points)
    benchmark::DoNotOptimize(source->point(p.first, p.second));  // warm
  const std::size_t before = heapAllocations();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(source->point(points[i].first, points[i].second));
    i = (i + 1) & mask;
  }
  countAllocations(state, before, std::size_t(state.iterations()));
  state.SetItemsProcessed(state.iterations());
}

void BM_TileClosestDirect(benchmark::State& state) {
  tileReads(state, tg::TG_M_IM_CLOSESTPOINT, true, "N46W122.hgt", "srtm_hgt.tgp",
            Data::get().points());
}
BENCHMARK(BM_TileClosestDirect);

void BM_TileFourPointDirect(benchmark::State& state) {
  tileReads(state, tg::TG_M_IM_4POINT, true, "N46W122.hgt", "srtm_hgt.tgp", Data::get().points());
}
BENCHMARK(BM_TileFourPointDirect);

void BM_TileClosestScript(benchmark::State& state) {
  tileReads(state, tg::TG_M_IM_CLOSESTPOINT, false, "N46W122.hgt", "srtm_hgt.tgp",
            Data::get().points());
}
BENCHMARK(BM_TileClosestScript);

void BM_AsciiClosestScript(benchmark::State& state) {
  tileReads(state, tg::TG_M_IM_CLOSESTPOINT, false, "grid.asc", "esri_ascii.tgp",
            Data::get().asciiPoints());
}
BENCHMARK(BM_AsciiClosestScript);

}  // namespace
