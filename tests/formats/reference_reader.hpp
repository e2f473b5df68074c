// A plain C++ reader of SRTM tiles and GDAL's ESRI ASCII grids, sharing nothing with the scripts,
// against which their reads are checked. Node (row, col) lies at west + col * xres, north - row *
// yres.
#pragma once

#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tg::formats_test {

inline constexpr double kNoPoint = -32100;
inline constexpr double kNotEnoughData = -32101;

struct ReferenceGrid {
  int rows = 0, cols = 0;
  double west = 0, north = 0, xres = 0, yres = 0;
  std::vector<double> nodes;  // row by row from the north; NaN for a void

  double south() const { return north - (rows - 1) * yres; }
  double east() const { return west + (cols - 1) * xres; }
  double lat(int row) const { return north - row * yres; }
  double lon(int col) const { return west + col * xres; }
  bool has(int row, int col) const { return row >= 0 && row < rows && col >= 0 && col < cols; }
  // The node's value; -32100 outside the grid or for a void.
  double at(int row, int col) const {
    if (!has(row, col)) return kNoPoint;
    const double value = nodes[std::size_t(row) * std::size_t(cols) + std::size_t(col)];
    return std::isnan(value) ? kNoPoint : value;
  }

  // The nearest node's value (halves to even, as the library rounds).
  double closest(double latitude, double longitude) const {
    const double col = std::nearbyint((longitude - west) / xres);
    const double rowFromSouth = std::nearbyint((latitude - south()) / yres);
    if (std::abs(col) > 1e9 || std::abs(rowFromSouth) > 1e9) return kNoPoint;
    return at(rows - 1 - int(rowFromSouth), int(col));
  }

  // Bilinear interpolation between the four nodes around the position; -32101 when any of them
  // is missing or void.
  double bilinear(double latitude, double longitude) const {
    const double fx = (longitude - west) / xres, fy = (latitude - south()) / yres;
    if (std::abs(fx) > 1e9 || std::abs(fy) > 1e9) return kNotEnoughData;
    const int c0 = int(std::floor(fx)), m0 = int(std::floor(fy));
    const double tx = fx - c0, ty = fy - m0;
    const int r0 = rows - 1 - m0;  // the southern row of the four
    const double sw = at(r0, c0), se = at(r0, c0 + 1), nw = at(r0 - 1, c0), ne = at(r0 - 1, c0 + 1);
    for (double v : {sw, se, nw, ne}) {
      if (v == kNoPoint) return kNotEnoughData;
    }
    return (sw * (1 - tx) + se * tx) * (1 - ty) + (nw * (1 - tx) + ne * tx) * ty;
  }
};

namespace reference_detail {

inline std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string upper(std::string text) {
  for (char& c : text)
    c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace reference_detail

// SRTM: the corner from the name, the spacing from the size, big-endian 16-bit, -32768 void.
inline ReferenceGrid readSrtm(const std::filesystem::path& path) {
  using namespace reference_detail;
  const std::string bytes = readAll(path);
  const std::string name = upper(path.filename().string());
  ReferenceGrid grid;
  grid.rows = grid.cols = bytes.size() == 2u * 1201 * 1201   ? 1201
                          : bytes.size() == 2u * 3601 * 3601 ? 3601
                                                             : 0;
  if (grid.rows == 0 || name.size() < 7) throw std::runtime_error("not an SRTM tile");
  const double south = std::stoi(name.substr(1, 2)) * (name[0] == 'S' ? -1 : 1);
  grid.west = std::stoi(name.substr(4, 3)) * (name[3] == 'W' ? -1 : 1);
  grid.north = south + 1;
  grid.xres = grid.yres = 1.0 / (grid.rows - 1);
  grid.nodes.resize(std::size_t(grid.rows) * std::size_t(grid.cols));
  for (std::size_t i = 0; i < grid.nodes.size(); ++i) {
    const auto hi = static_cast<unsigned char>(bytes[2 * i]);
    const auto lo = static_cast<unsigned char>(bytes[2 * i + 1]);
    const auto value = std::int16_t(std::uint16_t(hi << 8 | lo));
    grid.nodes[i] = value == -32768 ? std::nan("") : double(value);
  }
  return grid;
}

// ESRI ASCII as GDAL writes it: six header lines (corner, cell size, NODATA_value), the values.
inline ReferenceGrid readGdalAscii(const std::filesystem::path& path) {
  std::istringstream in(reference_detail::readAll(path));
  std::string key;
  double cols = 0, rows = 0, xll = 0, yll = 0, cell = 0, noData = 0;
  in >> key >> cols >> key >> rows >> key >> xll >> key >> yll >> key >> cell >> key >> noData;
  ReferenceGrid grid{int(rows), int(cols), xll + cell / 2, yll + (rows - 0.5) * cell, cell,
                     cell,      {}};
  for (double value = 0; in >> value;)
    grid.nodes.push_back(value == noData ? std::nan("") : value);
  if (grid.nodes.size() != std::size_t(rows * cols)) throw std::runtime_error("not a grid");
  return grid;
}

}  // namespace tg::formats_test
