// Points per second through TessaglyphFile::point for each bundled format script and each
// interpolation mode, over random positions (fixed seed) in one file of each format, beside a
// plain C++ read of the same cells measured in the same run.
//
// Counters: "points/s" is the script's rate; "plain/s" the plain read's rate (closest: one
// value; 4 and 12 points: the four corners, bilinear); "slowdown" their ratio. The plain reads
// of the binary formats pread each value from the file as the scripts do; the plain read of
// the text format works on the grid parsed into memory beforehand, since text has no offsets.
//
// The scripts are built from scripts/*.tgs, found beside the build folder (build/bench/../..)
// or below the working folder.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_scripts.hpp"
#include "program/assembler.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/source_file.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace {

namespace fs = std::filesystem;

double surface(int row, int col) {
  return std::round(800 + 300 * std::sin(row * 0.013) * std::cos(col * 0.017) + 0.2 * col);
}

// The bench's files and programs, made once in a temporary folder.
class BenchData {
 public:
  static BenchData& get() {
    static BenchData data;
    return data;
  }
  std::string program(const std::string& name) const {
    return (m_folder / (name + ".tgp")).string();
  }
  std::string file(const std::string& name) const { return (m_folder / name).string(); }
  const std::vector<float>& asciiValues() const { return m_ascii; }

  static constexpr int kSrtm = 1201;
  static constexpr int kAscii = 300;
  static constexpr int kBil = 1000;

 private:
  BenchData() {
    m_folder = fs::temp_directory_path() / ("tessaglyph-bench-" + std::to_string(getpid()));
    fs::create_directories(m_folder);
    const fs::path scripts = findBenchScripts();
    for (const char* name : {"srtm_hgt", "esri_ascii", "esri_bil"}) {
      tg::buildProgramFile((scripts / (std::string(name) + ".tgs")).string(), program(name));
    }
    writeSrtm();
    writeAscii();
    writeBil();
  }
  ~BenchData() {
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }

  void write(const std::string& name, const std::string& bytes) {
    std::ofstream out(m_folder / name, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
  }

  void writeSrtm() {
    std::string bytes;
    for (int row = 0; row < kSrtm; ++row) {
      for (int col = 0; col < kSrtm; ++col) {
        const auto bits = std::uint16_t(std::int16_t(surface(row, col)));
        bytes.push_back(char(bits >> 8));
        bytes.push_back(char(bits & 0xFF));
      }
    }
    write("N46W122.hgt", bytes);
  }

  void writeAscii() {
    std::ostringstream out;
    out << "ncols " << kAscii << "\nnrows " << kAscii
        << "\nxllcorner -122\nyllcorner 46\ncellsize 0.001\nNODATA_value -9999\n";
    for (int row = 0; row < kAscii; ++row) {
      for (int col = 0; col < kAscii; ++col) {
        const double v = surface(row, col) + 0.5;
        m_ascii.push_back(float(v));
        out << (col ? " " : "") << v;
      }
      out << "\n";
    }
    write("grid.asc", out.str());
  }

  void writeBil() {
    std::string bytes;
    for (int row = 0; row < kBil; ++row) {
      for (int col = 0; col < kBil; ++col) {
        const auto bits = std::uint16_t(std::int16_t(surface(row, col)));
        bytes.push_back(char(bits & 0xFF));
        bytes.push_back(char(bits >> 8));
      }
    }
    write("grid.bil", bytes);
    std::ostringstream label;
    label << "NROWS " << kBil << "\nNCOLS " << kBil
          << "\nNBITS 16\nBYTEORDER I\nPIXELTYPE SIGNEDINT\nULXMAP -122\nULYMAP 47\n"
             "XDIM 0.001\nYDIM 0.001\n";
    write("grid.hdr", label.str());
  }

  fs::path m_folder;
  std::vector<float> m_ascii;
};

// One format as the bench sees it: its file, its grid, and a plain read of one node.
struct Format {
  const char* script;
  const char* file;
  int rows, cols;
  double west, north, spacing;
  bool bigEndian;  // binary formats: 16-bit values from offset 0
  bool text;
};

const Format kFormats[] = {
    {"srtm_hgt", "N46W122.hgt", BenchData::kSrtm, BenchData::kSrtm, -122, 47, 1.0 / 1200, true,
     false},
    {"esri_ascii", "grid.asc", BenchData::kAscii, BenchData::kAscii, -121.9995, 46.2995, 0.001,
     false, true},
    {"esri_bil", "grid.bil", BenchData::kBil, BenchData::kBil, -122, 47, 0.001, false, false},
};

struct Position {
  double lat, lon;
};

// Random positions inside the format's nodes, the same for every mode.
std::vector<Position> positions(const Format& f) {
  std::mt19937 random(20240601);
  std::uniform_real_distribution<double> lat(f.north - (f.rows - 1) * f.spacing, f.north);
  std::uniform_real_distribution<double> lon(f.west, f.west + (f.cols - 1) * f.spacing);
  std::vector<Position> list(4096);
  for (Position& p : list)
    p = {lat(random), lon(random)};
  return list;
}

class PlainReader {
 public:
  explicit PlainReader(const Format& f) : m_format(f) {
    if (!f.text) m_fd = ::open(BenchData::get().file(f.file).c_str(), O_RDONLY);
  }
  ~PlainReader() {
    if (m_fd >= 0) ::close(m_fd);
  }
  PlainReader(const PlainReader&) = delete;
  PlainReader& operator=(const PlainReader&) = delete;

  double node(int row, int col) const {
    if (m_format.text)
      return BenchData::get().asciiValues()[std::size_t(row) * m_format.cols + col];
    unsigned char pair[2];
    const off_t at = (off_t(row) * m_format.cols + col) * 2;
    if (::pread(m_fd, pair, 2, at) != 2) return -52000;
    const auto bits = m_format.bigEndian ? std::uint16_t(pair[0] << 8 | pair[1])
                                         : std::uint16_t(pair[1] << 8 | pair[0]);
    return std::int16_t(bits);
  }
  double closest(const Position& p) const {
    return node(int(std::lround((m_format.north - p.lat) / m_format.spacing)),
                int(std::lround((p.lon - m_format.west) / m_format.spacing)));
  }
  double bilinear(const Position& p) const {
    const double fx = (p.lon - m_format.west) / m_format.spacing;
    const double fy = (m_format.north - p.lat) / m_format.spacing;
    const int c = std::min(int(fx), m_format.cols - 2), r = std::min(int(fy), m_format.rows - 2);
    const double tx = fx - c, ty = fy - r;
    return (node(r, c) * (1 - tx) + node(r, c + 1) * tx) * (1 - ty) +
           (node(r + 1, c) * (1 - tx) + node(r + 1, c + 1) * tx) * ty;
  }

 private:
  const Format& m_format;
  int m_fd = -1;
};

// Plain reads per second over the positions, timed here so the ratio comes from one run.
double plainRate(const Format& f, bool bilinear, const std::vector<Position>& list) {
  PlainReader reader(f);
  double sink = 0;
  const auto start = std::chrono::steady_clock::now();
  int reads = 0;
  do {
    for (const Position& p : list)
      sink += bilinear ? reader.bilinear(p) : reader.closest(p);
    reads += int(list.size());
  } while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(200));
  benchmark::DoNotOptimize(sink);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return reads / elapsed.count();
}

void BM_FormatPoint(benchmark::State& state) {
  const Format& f = kFormats[state.range(0)];
  const auto mode = static_cast<tg::TG_M_INTERPOLATIONMODES>(state.range(1));
  BenchData& data = BenchData::get();
  state.SetLabel(std::string(f.script) + (mode == tg::TG_M_IM_NONE           ? " none"
                                          : mode == tg::TG_M_IM_CLOSESTPOINT ? " closest"
                                          : mode == tg::TG_M_IM_4POINT       ? " 4-point"
                                                                             : " 12-point"));
  std::shared_ptr<tg::TessaglyphFile> file;
  try {
    file = tg::Tessaglyph().OpenFile(data.file(f.file), data.program(f.script));
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
    return;
  }
  file->machine()->setInterpolationMode(mode);
  file->machine()->setErrorEventEnabled(false);  // a failing read must say so
  // One read of the last node first: the text format's script then knows where every row
  // starts (a one-time walk through the file), and the loop measures the steady state.
  file->point(f.north - (f.rows - 1) * f.spacing, f.west + (f.cols - 1) * f.spacing);
  const std::vector<Position> list = positions(f);
  std::size_t next = 0;
  float sink = 0;
  for (auto _ : state) {
    const Position& p = list[next];
    next = (next + 1) % list.size();
    sink += file->point(p.lat, p.lon);
  }
  benchmark::DoNotOptimize(sink);
  state.counters["points/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  const bool bilinear = mode == tg::TG_M_IM_4POINT || mode == tg::TG_M_IM_12POINT;
  const double plain = plainRate(f, bilinear, list);
  state.counters["plain/s"] = plain;
  // plain / (iterations / seconds): the loop's own rate comes from the benchmark's timing.
  state.counters["slowdown"] =
      benchmark::Counter(double(state.iterations()) / plain,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_FormatPoint)
    ->ArgsProduct({{0, 1, 2},
                   {tg::TG_M_IM_NONE, tg::TG_M_IM_CLOSESTPOINT, tg::TG_M_IM_4POINT,
                    tg::TG_M_IM_12POINT}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
