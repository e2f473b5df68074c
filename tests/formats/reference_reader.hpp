// A plain C++ reader of the three grid formats, written straight from their descriptions and
// sharing nothing with the scripts, against which the scripts' reads are checked.
//
// Every grid becomes a table of nodes: node (row, col) lies at longitude west + col * xres and
// latitude north - row * yres, rows from the north; a void node is NaN.
#pragma once

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
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

// ESRI ASCII: keys in any case and order, corner or centre, NODATA_value, free separators.
inline ReferenceGrid readEsriAscii(const std::filesystem::path& path) {
  using namespace reference_detail;
  std::istringstream in(readAll(path));
  std::map<std::string, double> header;
  std::string word;
  std::vector<double> values;
  while (in >> word) {
    const char first = word[0];
    if (std::isdigit(static_cast<unsigned char>(first)) || first == '-' || first == '+' ||
        first == '.') {
      values.push_back(std::stod(word));
      break;
    }
    double value = 0;
    if (!(in >> value)) throw std::runtime_error("header value missing");
    header[upper(word)] = value;
  }
  double value = 0;
  while (in >> value)
    values.push_back(value);
  ReferenceGrid grid;
  grid.cols = int(header.at("NCOLS"));
  grid.rows = int(header.at("NROWS"));
  grid.xres = header.count("DX") ? header.at("DX") : header.at("CELLSIZE");
  grid.yres = header.count("DY") ? header.at("DY") : header.at("CELLSIZE");
  grid.west =
      header.count("XLLCENTER") ? header.at("XLLCENTER") : header.at("XLLCORNER") + grid.xres / 2;
  const double south =
      header.count("YLLCENTER") ? header.at("YLLCENTER") : header.at("YLLCORNER") + grid.yres / 2;
  grid.north = south + (grid.rows - 1) * grid.yres;
  if (values.size() < std::size_t(grid.rows) * std::size_t(grid.cols))
    throw std::runtime_error("too few values");
  values.resize(std::size_t(grid.rows) * std::size_t(grid.cols));
  const bool hasNoData = header.count("NODATA_VALUE") != 0;
  for (double& v : values) {
    if (hasNoData && v == header.at("NODATA_VALUE")) v = std::nan("");
  }
  grid.nodes = std::move(values);
  return grid;
}

// ESRI BIL: the .hdr label beside the raster; first band of BIL/BIP/BSQ, 8/16/32 bits.
inline ReferenceGrid readEsriBil(const std::filesystem::path& path) {
  using namespace reference_detail;
  std::filesystem::path labelPath = path;
  labelPath.replace_extension(".hdr");
  std::istringstream label(readAll(labelPath));
  std::map<std::string, std::string> keys;
  std::string key, value;
  while (label >> key >> value)
    keys[upper(key)] = upper(value);
  const auto number = [&](const std::string& name, double fallback) {
    return keys.count(name) ? std::stod(keys.at(name)) : fallback;
  };
  ReferenceGrid grid;
  grid.rows = int(number("NROWS", 0));
  grid.cols = int(number("NCOLS", 0));
  const int nbits = int(number("NBITS", 8)), bytesPer = nbits / 8;
  const int nbands = int(number("NBANDS", 1));
  const std::string layout = keys.count("LAYOUT") ? keys.at("LAYOUT") : "BIL";
  const std::string pixelType = keys.count("PIXELTYPE") ? keys.at("PIXELTYPE") : "";
  const bool motorola = keys.count("BYTEORDER") && keys.at("BYTEORDER") == "M";
  const long skip = long(number("SKIPBYTES", 0));
  const long bandRow = long(number("BANDROWBYTES", double(grid.cols) * bytesPer));
  long rowBytes = long(number("TOTALROWBYTES", double(bandRow) * nbands));
  long colBytes = bytesPer;
  if (layout == "BIP") colBytes = long(bytesPer) * nbands;
  if (layout == "BSQ") rowBytes = bandRow;
  grid.west = number("ULXMAP", 0);
  grid.north = number("ULYMAP", 0);
  grid.xres = number("XDIM", 0);
  grid.yres = number("YDIM", 0);
  const bool hasNoData = keys.count("NODATA") != 0;
  const double noData = number("NODATA", 0);

  const std::string bytes = readAll(path);
  grid.nodes.resize(std::size_t(grid.rows) * std::size_t(grid.cols));
  for (int row = 0; row < grid.rows; ++row) {
    for (int col = 0; col < grid.cols; ++col) {
      const std::size_t at = std::size_t(skip + row * rowBytes + col * colBytes);
      std::uint32_t bits = 0;
      for (int i = 0; i < bytesPer; ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(at + std::size_t(i)));
        const int shift = motorola ? 8 * (bytesPer - 1 - i) : 8 * i;
        bits |= std::uint32_t(byte) << shift;
      }
      double v = 0;
      if (pixelType == "FLOAT") {
        const float f = std::bit_cast<float>(bits);
        v = std::isnan(f) || (hasNoData && f == float(noData)) ? std::nan("") : double(f);
      } else {
        const bool isSigned = pixelType == "SIGNEDINT" || (pixelType.empty() && nbits != 8);
        if (nbits == 8) v = isSigned ? double(std::int8_t(bits)) : double(bits);
        if (nbits == 16) v = isSigned ? double(std::int16_t(bits)) : double(bits);
        if (nbits == 32) v = isSigned ? double(std::int32_t(bits)) : double(bits);
        if (hasNoData && v == noData) v = std::nan("");
      }
      grid.nodes[std::size_t(row) * std::size_t(grid.cols) + std::size_t(col)] = v;
    }
  }
  return grid;
}

}  // namespace tg::formats_test
