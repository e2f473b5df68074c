// tgsample: writes a small, deterministic set of elevation files in the formats the scripts in
// scripts/ read, for the demo and for trying the query tool by hand.
//
//   tgsample OUTPUT_FOLDER [--srtm1] [--block]
//
// Every file samples one smooth surface (a few hills and a slope, in metres) over the SRTM tile
// N46W122, so the same position reads nearly the same height from each of them:
//   N46W122.hgt          SRTM 3 arc-second tile (1201 x 1201), with two small void patches
//   N46W123.hgt          SRTM 1 arc-second tile (3601 x 3601, 25 MB), only with --srtm1
//   N46W121.hgt, N47W122.hgt, N47W121.hgt
//                        with --block: the three tiles that make a 2x2 block with N46W122, on
//                        the same surface, so the rows and columns tiles share repeat
//   corner.asc           ESRI ASCII grid, xllcorner/yllcorner, NODATA_value cells, one row a line
//   centre.asc           ESRI ASCII grid, xllcenter/yllcenter, keys in mixed case and another
//                        order, CR LF line ends, values wrapped and separated by mixed blanks
//   bil16i.bil + .hdr    ESRI BIL, 16-bit signed, Intel byte order, NODATA
//   bil32m.bil + .hdr    ESRI BIL, 32-bit float, Motorola byte order, 100 SKIPBYTES, NODATA
//   example.seg          SEG1 grid, the made-up format of scripts/example_grid.tgs
// A summary line per file goes to standard output. Exit status 0 on success, 2 for a bad
// command line or a file that could not be written.
#include <CLI/CLI.hpp>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The surface every sample samples: metres at a position in degrees.
double surface(double lat, double lon) {
  const double a = (lat - 46.0) * 6.0, b = (lon + 122.0) * 5.0;
  return 900.0 + 420.0 * std::sin(a) * std::cos(b) + 180.0 * std::sin(2.3 * a + 0.7 * b) +
         60.0 * b - 35.0 * a;
}

// Patches where the samples hold no data: a small disc around each centre (lat, lon, radius).
struct Void {
  double lat, lon, radius;
};
const Void kVoids[] = {{46.62, -121.71, 0.012}, {46.31, -121.2, 0.02}};

bool inVoid(double lat, double lon) {
  for (const Void& v : kVoids) {
    if (std::hypot(lat - v.lat, lon - v.lon) <= v.radius) return true;
  }
  return false;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void putBigEndian16(std::string& bytes, std::int16_t value) {
  const auto bits = std::uint16_t(value);
  bytes.push_back(char(bits >> 8));
  bytes.push_back(char(bits & 0xFF));
}

void putLittleEndian16(std::string& bytes, std::int16_t value) {
  const auto bits = std::uint16_t(value);
  bytes.push_back(char(bits & 0xFF));
  bytes.push_back(char(bits >> 8));
}

void putBigEndianFloat(std::string& bytes, float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes.push_back(char((bits >> shift) & 0xFF));
}

// An SRTM tile named after its south-west corner, `samples` nodes a side.
void writeSrtm(const std::filesystem::path& folder, int south, int west, int samples) {
  char name[32];
  std::snprintf(name, sizeof name, "%c%02d%c%03d.hgt", south < 0 ? 'S' : 'N', std::abs(south),
                west < 0 ? 'W' : 'E', std::abs(west));
  std::string bytes;
  bytes.reserve(std::size_t(samples) * std::size_t(samples) * 2);
  const double spacing = 1.0 / (samples - 1);
  long voids = 0;
  for (int row = 0; row < samples; ++row) {
    const double lat = south + 1.0 - row * spacing;
    for (int col = 0; col < samples; ++col) {
      const double lon = west + col * spacing;
      std::int16_t value = std::int16_t(std::lround(surface(lat, lon)));
      if (inVoid(lat, lon)) {
        value = -32768;
        ++voids;
      }
      putBigEndian16(bytes, value);
    }
  }
  writeFile(folder / name, bytes);
  std::cout << name << ": SRTM " << (samples == 3601 ? 1 : 3) << " arc-second tile, " << samples
            << " x " << samples << " nodes, " << voids << " void\n";
}

// A grid of cell-centred nodes for the ESRI samples: `cols` x `rows` nodes from the western
// node `west` and the southern node `south`, `cellsize` apart.
struct GridSpec {
  int cols, rows;
  double west, south, cellsize;
  double lat(int row) const { return south + (rows - 1 - row) * cellsize; }
  double lon(int col) const { return west + col * cellsize; }
};

constexpr double kNoData = -9999.0;

double sampleValue(const GridSpec& grid, int row, int col, int decimals) {
  const double lat = grid.lat(row), lon = grid.lon(col);
  if (inVoid(lat, lon)) return kNoData;
  const double scale = std::pow(10.0, decimals);
  return std::round(surface(lat, lon) * scale) / scale;
}

void putLittleEndian32(std::string& bytes, std::uint32_t bits) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(char((bits >> shift) & 0xFF));
}

void putLittleEndianDouble(std::string& bytes, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  putLittleEndian32(bytes, std::uint32_t(bits & 0xFFFFFFFF));
  putLittleEndian32(bytes, std::uint32_t(bits >> 32));
}

// A SEG1 grid as scripts/example_grid.tgs describes it: "SEG1", columns and rows (4-byte
// integers), the west and north edges and the cell size (doubles), a title ended by CR LF, then
// 2-byte elevations row by row from the north-west, all little-endian.
void writeSeg(const std::filesystem::path& folder) {
  constexpr int cols = 100, rows = 80;
  constexpr double west = -121.85, north = 46.75, cellsize = 0.0025;
  std::string bytes = "SEG1";
  putLittleEndian32(bytes, cols);
  putLittleEndian32(bytes, rows);
  putLittleEndianDouble(bytes, west);
  putLittleEndianDouble(bytes, north);
  putLittleEndianDouble(bytes, cellsize);
  bytes += "Example grid near Mount Rainier\r\n";
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col)
      putLittleEndian16(
          bytes, std::int16_t(std::lround(surface(north - row * cellsize, west + col * cellsize))));
  }
  writeFile(folder / "example.seg", bytes);
  std::cout << "example.seg: SEG1 grid, " << cols << " x " << rows << " nodes\n";
}

void writeCornerAscii(const std::filesystem::path& folder) {
  const GridSpec grid{240, 180, -121.8495, 46.5505, 0.001};
  std::ostringstream out;
  out.precision(10);
  out << "ncols        " << grid.cols << "\n"
      << "nrows        " << grid.rows << "\n"
      << "xllcorner    " << grid.west - grid.cellsize / 2 << "\n"
      << "yllcorner    " << grid.south - grid.cellsize / 2 << "\n"
      << "cellsize     " << grid.cellsize << "\n"
      << "NODATA_value " << kNoData << "\n";
  long voids = 0;
  for (int row = 0; row < grid.rows; ++row) {
    for (int col = 0; col < grid.cols; ++col) {
      const double value = sampleValue(grid, row, col, 1);
      if (value == kNoData) ++voids;
      out << (col ? " " : "") << value;
    }
    out << "\n";
  }
  writeFile(folder / "corner.asc", out.str());
  std::cout << "corner.asc: ESRI ASCII grid, xllcorner, " << grid.cols << " x " << grid.rows
            << " nodes, " << voids << " NODATA\n";
}

void writeCentreAscii(const std::filesystem::path& folder) {
  const GridSpec grid{150, 120, -121.35, 46.22, 0.002};
  std::ostringstream out;
  out.precision(10);
  out << "CellSize\t" << grid.cellsize << "\r\n"
      << "NRows  " << grid.rows << "\r\n"
      << "XLLCENTER " << grid.west << "\r\n"
      << "nodata_value   " << kNoData << "\r\n"
      << "yllcenter " << grid.south << "\r\n"
      << "NCOLS " << grid.cols << "\r\n";
  long voids = 0;
  for (int row = 0; row < grid.rows; ++row) {
    for (int col = 0; col < grid.cols; ++col) {
      const double value = sampleValue(grid, row, col, 2);
      if (value == kNoData) ++voids;
      // Separators vary on purpose: blanks, tabs, and a line break every 37 values.
      const char* separator = col == 0 ? "" : (col % 37 == 0 ? "\r\n" : (col % 5 ? " " : " \t "));
      out << separator << value;
    }
    out << "\r\n";
  }
  writeFile(folder / "centre.asc", out.str());
  std::cout << "centre.asc: ESRI ASCII grid, xllcenter, " << grid.cols << " x " << grid.rows
            << " nodes, " << voids << " NODATA\n";
}

std::string bilLabel(const GridSpec& grid, int nbits, const char* byteOrder, const char* pixelType,
                     int skipBytes) {
  std::ostringstream out;
  out.precision(12);
  out << "BYTEORDER      " << byteOrder << "\n"
      << "LAYOUT         BIL\n"
      << "NROWS          " << grid.rows << "\n"
      << "NCOLS          " << grid.cols << "\n"
      << "NBANDS         1\n"
      << "NBITS          " << nbits << "\n"
      << "BANDROWBYTES   " << grid.cols * nbits / 8 << "\n"
      << "TOTALROWBYTES  " << grid.cols * nbits / 8 << "\n"
      << "PIXELTYPE      " << pixelType << "\n";
  if (skipBytes) out << "SKIPBYTES      " << skipBytes << "\n";
  out << "ULXMAP         " << grid.west << "\n"
      << "ULYMAP         " << grid.lat(0) << "\n"
      << "XDIM           " << grid.cellsize << "\n"
      << "YDIM           " << grid.cellsize << "\n"
      << "NODATA         " << kNoData << "\n";
  return out.str();
}

void writeBil16(const std::filesystem::path& folder) {
  const GridSpec grid{300, 200, -121.9, 46.4, 0.0025};
  std::string bytes;
  long voids = 0;
  for (int row = 0; row < grid.rows; ++row) {
    for (int col = 0; col < grid.cols; ++col) {
      const double value = sampleValue(grid, row, col, 0);
      if (value == kNoData) ++voids;
      putLittleEndian16(bytes, std::int16_t(value));
    }
  }
  writeFile(folder / "bil16i.bil", bytes);
  writeFile(folder / "bil16i.hdr", bilLabel(grid, 16, "I", "SIGNEDINT", 0));
  std::cout << "bil16i.bil: ESRI BIL, 16-bit signed, Intel order, " << grid.cols << " x "
            << grid.rows << " nodes, " << voids << " NODATA\n";
}

void writeBil32(const std::filesystem::path& folder) {
  const GridSpec grid{160, 220, -121.5, 46.05, 0.004};
  constexpr int kSkip = 100;
  std::string bytes(kSkip, '\x5A');  // whatever a writer keeps ahead of the values
  long voids = 0;
  for (int row = 0; row < grid.rows; ++row) {
    for (int col = 0; col < grid.cols; ++col) {
      const double value = sampleValue(grid, row, col, 3);
      if (value == kNoData) ++voids;
      putBigEndianFloat(bytes, float(value));
    }
  }
  writeFile(folder / "bil32m.bil", bytes);
  writeFile(folder / "bil32m.hdr", bilLabel(grid, 32, "M", "FLOAT", kSkip));
  std::cout << "bil32m.bil: ESRI BIL, 32-bit float, Motorola order, " << kSkip << " bytes skipped, "
            << grid.cols << " x " << grid.rows << " nodes, " << voids << " NODATA\n";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Writes a small deterministic set of sample elevation files.", "tgsample"};
  std::string folder;
  bool srtm1 = false;
  bool block = false;
  app.add_option("folder", folder, "where to write the files (created when missing)")->required();
  app.add_flag("--srtm1", srtm1, "also write a 1 arc-second SRTM tile (25 MB)");
  app.set_version_flag("--version", "tgsample " TG_VERSION);
  app.footer("Exit status: 0 done; 2 a usage error or a file that could not be written.");
  app.add_flag("--block", block, "also write the tiles of a 2x2 block of 3 arc-second tiles");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? 0 : 2;
  }
  try {
    const std::filesystem::path out(folder);
    std::filesystem::create_directories(out);
    writeSrtm(out, 46, -122, 1201);
    if (srtm1) writeSrtm(out, 46, -123, 3601);
    if (block) {
      writeSrtm(out, 46, -121, 1201);
      writeSrtm(out, 47, -122, 1201);
      writeSrtm(out, 47, -121, 1201);
    }
    writeCornerAscii(out);
    writeCentreAscii(out);
    writeBil16(out);
    writeBil32(out);
    writeSeg(out);
  } catch (const std::exception& error) {
    std::cerr << "tgsample: cannot write the samples into " << folder << '\n';
    return 2;
  }
  return 0;
}
