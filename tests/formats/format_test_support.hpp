// Shared pieces of the format tests, and all they include: the format scripts built from scripts/,
// small writers of grids in each format, and reads through an opened source file.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "formats/reference_reader.hpp"
#include "program/assembler.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/mex.hpp"
#include "tessaglyph/source_file.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg::formats_test {

inline const std::filesystem::path kSourceDir = TG_SOURCE_DIR;
inline const std::filesystem::path kFixtures = kSourceDir / "tests" / "data" / "formats";

// The program of scripts/<name>.tgs, built once per test run into a folder of its own.
inline std::string scriptProgram(const std::string& name) {
  static test::TemporaryFolder folder;
  static std::map<std::string, std::string> built;
  auto found = built.find(name);
  if (found != built.end()) return found->second;
  const std::string program = folder.folder() + name + ".tgp";
  buildProgramFile((kSourceDir / "scripts" / (name + ".tgs")).string(), program);
  return built[name] = program;
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

// An open source file read through a format script.
class FormatFile {
 public:
  FormatFile(const std::filesystem::path& file, const std::string& script)
      : m_file(Tessaglyph().OpenFile(file.string(), scriptProgram(script))) {}

  TessaglyphFile& file() { return *m_file; }
  TessaglyphMachine& machine() { return *m_file->machine(); }

  double read(double lat, double lon, TG_M_INTERPOLATIONMODES mode = TG_M_IM_NONE) {
    machine().setInterpolationMode(mode);
    return m_file->point(lat, lon);
  }
  double attribute(const char* name) {
    const Integer index = machine().getAttributeIndex(name);
    EXPECT_GE(index, 0) << name;
    return std::stod(machine().attribute_read(index));
  }

 private:
  std::shared_ptr<TessaglyphFile> m_file;
};

// The Single the library hands back for a reference value.
inline double asSingle(double value) {
  return double(float(value));
}

// Expects the script to answer each node of `order` (row * cols + col) with the grid's value.
inline void expectEveryNode(FormatFile& file, const ReferenceGrid& grid,
                            const std::vector<std::size_t>& order) {
  long mismatches = 0;
  for (const std::size_t node : order) {
    const int row = int(node / std::size_t(grid.cols)), col = int(node % std::size_t(grid.cols));
    const double got = file.read(grid.lat(row), grid.lon(col));
    if (got != asSingle(grid.at(row, col)) && ++mismatches <= 5)
      ADD_FAILURE() << "node (" << row << ", " << col << "): read " << got;
  }
  EXPECT_EQ(mismatches, 0);
}

inline std::vector<std::size_t> nodesInOrder(const ReferenceGrid& grid) {
  std::vector<std::size_t> order(std::size_t(grid.rows) * std::size_t(grid.cols));
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  return order;
}

// Closest-point and 4-point reads at random positions over the grid (and a little beyond)
// agree with the reference reader.
inline void expectAgreesWithReference(FormatFile& file, const ReferenceGrid& grid, int count,
                                      unsigned seed = 7) {
  std::mt19937 random(seed);
  const double marginX = grid.xres * 1.5, marginY = grid.yres * 1.5;
  std::uniform_real_distribution<double> lat(grid.south() - marginY, grid.north + marginY);
  std::uniform_real_distribution<double> lon(grid.west - marginX, grid.east() + marginX);
  long mismatches = 0;
  for (int i = 0; i < count; ++i) {
    const double y = lat(random), x = lon(random);
    const double closest = file.read(y, x, TG_M_IM_CLOSESTPOINT);
    if (closest != asSingle(grid.closest(y, x)) && ++mismatches <= 5)
      ADD_FAILURE() << "closest at " << y << ", " << x << ": read " << closest;
    // Read directly, a position less than a cell west or north of the grid anchors on its first
    // column or row (whole steps truncated toward zero): no reference for that.
    if (file.machine().enableMEX() && (y > grid.north || x < grid.west)) continue;
    const double bilinear = file.read(y, x, TG_M_IM_4POINT);
    double expected = grid.bilinear(y, x);
    // The library refuses interpolated heights beyond 30000 as no data.
    if (std::abs(expected) > 30000 && expected != kNotEnoughData) expected = kNoPoint;
    const double tolerance = expected <= kNoPoint ? 0 : 1e-5 * std::max(1.0, std::abs(expected));
    if (std::abs(bilinear - asSingle(expected)) > tolerance && ++mismatches <= 5)
      ADD_FAILURE() << "4-point at " << y << ", " << x << ": read " << bilinear;
  }
  EXPECT_EQ(mismatches, 0);
}

// ---- writers ------------------------------------------------------------------------------

// A value at a node for the writers: a smooth surface with a spread of magnitudes and signs.
inline double surfaceValue(int row, int col) {
  return std::round(300.0 * std::sin(row * 0.37) * std::cos(col * 0.23) + 7.0 * col - 5.0 * row);
}

// Writes a 3 arc-second SRTM tile: big-endian 16-bit heights, rows from the north.
inline void writeSrtmTile(const std::filesystem::path& path,
                          const std::function<double(int row, int col)>& value) {
  constexpr int kSamples = 1201;
  std::string bytes(std::size_t(kSamples) * kSamples * 2, '\0');
  for (std::size_t node = 0; node < bytes.size() / 2; ++node) {
    const auto bits =
        std::uint16_t(std::int16_t(value(int(node / kSamples), int(node % kSamples))));
    bytes[2 * node] = char(bits >> 8);
    bytes[2 * node + 1] = char(bits & 0xFF);
  }
  writeBytes(path, bytes);
}

struct AsciiLayout {
  bool alternate = false;  // centre keys, dx and dy, capitals, the keys in reverse order
  bool wrapped = false;    // values wrapped across lines with tabs and blanks, CRLF, no final EOL
  bool noData = true;
};

// Writes an ESRI ASCII grid of `values` (rows from the north) and returns the grid as the
// writer meant it, for comparison.
inline ReferenceGrid writeAscii(const std::filesystem::path& path, int rows, int cols,
                                const AsciiLayout& layout, const std::vector<double>& values,
                                double noData = -9999) {
  ReferenceGrid grid{rows, cols, -105.5 + 0.00125, 0, 0.0025, layout.alternate ? 0.002 : 0.0025,
                     {}};
  grid.north = 39.25 + grid.yres / 2 + (rows - 1) * grid.yres;
  const char* eol = layout.wrapped ? "\r\n" : "\n";
  const auto key = [&](std::string text) {
    for (char& c : text)
      if (layout.alternate) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
  };
  std::ostringstream number;
  number.precision(17);
  const auto text = [&](double v) {
    number.str("");
    number << v;
    return number.str();
  };
  const double half = layout.alternate ? 0 : 0.5;
  std::vector<std::pair<std::string, std::string>> header = {
      {key("ncols"), std::to_string(cols)},
      {key("nrows"), std::to_string(rows)},
      {key(layout.alternate ? "xllcenter" : "xllcorner"), text(grid.west - half * grid.xres)},
      {key(layout.alternate ? "yllcenter" : "yllcorner"), text(grid.south() - half * grid.yres)}};
  if (layout.alternate) header.emplace_back(key("dx"), text(grid.xres));
  header.emplace_back(key(layout.alternate ? "dy" : "cellsize"), text(grid.yres));
  if (layout.noData) header.emplace_back(key("NODATA_value"), text(noData));
  if (layout.alternate) std::reverse(header.begin(), header.end());
  std::string out;
  for (const auto& [k, v] : header)
    out += k + (layout.wrapped ? "\t " : " ") + v + eol;
  grid.nodes.resize(std::size_t(rows) * std::size_t(cols));
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      const double v = values[std::size_t(row) * std::size_t(cols) + std::size_t(col)];
      grid.nodes[std::size_t(row) * std::size_t(cols) + std::size_t(col)] =
          layout.noData && v == noData ? std::nan("") : v;
      if (col > 0)
        out += layout.wrapped && col % 7 == 0 ? std::string(eol) + "  "
                                              : (layout.wrapped && col % 3 == 0 ? " \t" : " ");
      out += text(v);
    }
    if (row + 1 < rows || !layout.wrapped) out += eol;
  }
  writeBytes(path, out);
  return grid;
}

struct BilLayout {
  int nbits = 16;
  const char* pixelType = "SIGNEDINT";  // "" for none
  bool motorola = false;
  int skipBytes = 0;
  const char* layout = "BIL";
  int bands = 1;
  int rowPadding = 0;  // extra bytes in TOTALROWBYTES
  bool lowerKeys = false;
  bool noData = true;
};

// Where the BIL writer puts its grids: binary fractions, so that positions built from them are
// exact and a query at an edge is truly on it.
inline constexpr double kBilWest = -70.875, kBilNorth = 44.25;
inline constexpr double kBilXdim = 1.0 / 64, kBilYdim = 1.0 / 128;

inline void putValue(std::string& bytes, std::size_t at, const BilLayout& layout, double value) {
  const int size = layout.nbits / 8;
  const std::uint32_t bits = std::string(layout.pixelType) == "FLOAT"
                                 ? std::bit_cast<std::uint32_t>(float(value))
                                 : std::uint32_t(std::int64_t(value));
  for (int i = 0; i < size; ++i) {
    const int shift = layout.motorola ? 8 * (size - 1 - i) : 8 * i;
    bytes[at + std::size_t(i)] = char((bits >> shift) & 0xFF);
  }
}

// Values of a rows x cols grid that suit the layout's cell type.
inline std::vector<double> bilValues(const BilLayout& layout, int rows, int cols) {
  const std::string type = layout.pixelType;
  const bool isUnsigned = type == "UNSIGNEDINT" || (layout.nbits == 8 && type.empty());
  std::vector<double> values;
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      double v = surfaceValue(row, col);
      if (layout.nbits == 8) v = std::fmod(std::abs(v), 100.0) - (isUnsigned ? 0 : 50);
      if (isUnsigned && layout.nbits > 8) v = std::abs(v) + 10;
      if (type == "FLOAT") v += 0.125 * (col % 5);
      values.push_back(v);
    }
  }
  return values;
}

// Writes a BIL raster and its .hdr label with the first band holding `values` (rows from the
// north) and the other bands holding something else. Returns the grid as the writer meant it.
inline ReferenceGrid writeBil(const std::filesystem::path& path, int rows, int cols,
                              const BilLayout& layout, const std::vector<double>& values,
                              double noData = -9999) {
  const int size = layout.nbits / 8;
  const long bandRow = long(cols) * size;
  const std::string kind = layout.layout;
  long rowBytes = bandRow * layout.bands + layout.rowPadding, colBytes = size;
  long bandOffset = bandRow;  // where band 2 starts relative to band 1, per row (BIL)
  if (kind == "BIP") {
    colBytes = long(size) * layout.bands;
    bandOffset = size;
  }
  long totalBytes = layout.skipBytes + rowBytes * rows;
  if (kind == "BSQ") {
    rowBytes = bandRow;
    bandOffset = bandRow * rows;
    totalBytes = layout.skipBytes + bandRow * rows * layout.bands;
  }
  std::string bytes(std::size_t(totalBytes), '\x7E');
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      const std::size_t at = std::size_t(layout.skipBytes + row * rowBytes + col * colBytes);
      putValue(bytes, at, layout, values[std::size_t(row) * std::size_t(cols) + std::size_t(col)]);
      for (int band = 1; band < layout.bands; ++band)
        putValue(bytes, at + std::size_t(band * bandOffset), layout, 77);
    }
  }
  writeBytes(path, bytes);
  std::ostringstream label;
  label.precision(15);
  const auto put = [&](std::string key, const auto& value, const char* eol = "\n") {
    if (layout.lowerKeys)
      for (char& c : key)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    label << key << "  " << value << eol;
  };
  put("NCOLS", cols), put("NROWS", rows), put("BYTEORDER", layout.motorola ? "M" : "I");
  put("LAYOUT", layout.layout), put("NBANDS", layout.bands), put("NBITS", layout.nbits);
  if (*layout.pixelType) put("PIXELTYPE", layout.pixelType);
  if (layout.rowPadding) put("TOTALROWBYTES", rowBytes);
  if (layout.skipBytes) put("SKIPBYTES", layout.skipBytes);
  put("ULXMAP", kBilWest, "\r\n"), put("ULYMAP", kBilNorth, "\r\n");
  put("XDIM", kBilXdim), put("YDIM", kBilYdim);
  if (layout.noData) put("NODATA", noData);
  std::filesystem::path labelPath = path;
  writeBytes(labelPath.replace_extension(".hdr"), label.str());
  ReferenceGrid grid{rows, cols, kBilWest, kBilNorth, kBilXdim, kBilYdim, values};
  for (double& v : grid.nodes)
    if (!std::isfinite(v) || (layout.noData && v == noData)) v = std::nan("");
  return grid;
}

}  // namespace tg::formats_test
