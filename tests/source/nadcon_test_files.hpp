// NADCON grid files: small ones made from a function, and the NGS grids in the repository.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>

namespace tg::test {

struct GridSpec {
  int columns = 24, rows = 4;  // a header needs a record of 24 columns or more
  float xmin = -100, dx = 0.5f, ymin = 30, dy = 0.25f;
};

inline void put32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  for (int b = 0; b < 4; ++b)
    bytes[offset + b] = static_cast<char>((value >> (8 * b)) & 0xFF);
}

inline std::string gridBytes(const GridSpec& spec, const std::function<float(int, int)>& value) {
  const std::size_t record = (spec.columns + 1) * 4;
  // The header has to fit in the first record.
  std::string bytes(std::max<std::size_t>(record * (spec.rows + 1), 96), '\0');
  const std::string ident = "NADCON EXTRACTED REGION";
  std::memcpy(bytes.data(), ident.data(), ident.size());
  std::memcpy(bytes.data() + 56, "NADGRD  ", 8);
  put32(bytes, 64, spec.columns);
  put32(bytes, 68, spec.rows);
  put32(bytes, 72, 1);
  put32(bytes, 76, std::bit_cast<std::uint32_t>(spec.xmin));
  put32(bytes, 80, std::bit_cast<std::uint32_t>(spec.dx));
  put32(bytes, 84, std::bit_cast<std::uint32_t>(spec.ymin));
  put32(bytes, 88, std::bit_cast<std::uint32_t>(spec.dy));
  for (int j = 0; j < spec.rows; ++j) {
    for (int i = 0; i < spec.columns; ++i)
      put32(bytes, record * (j + 1) + 4 + 4 * i, std::bit_cast<std::uint32_t>(value(i, j)));
  }
  return bytes;
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The folder of the NGS grids that ship with the project.
inline std::filesystem::path repositoryNadconGrids() {
  return std::filesystem::path(TG_SOURCE_DIR) / "data" / "nadcon";
}

// The distance between two nearby positions in metres (an arc-second of latitude ~30.9 m).
inline double metresBetween(double lat1, double lon1, double lat2, double lon2) {
  const double north = (lat2 - lat1) * 111132.0;
  const double east = (lon2 - lon1) * 111320.0 * std::cos(lat1 * std::numbers::pi / 180);
  return std::hypot(north, east);
}

// Links every grid file of the repository into `folder` (made when missing).
inline void linkRepositoryNadconGrids(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  for (const auto& entry : std::filesystem::directory_iterator(repositoryNadconGrids())) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".LAS" || extension == ".LOS")
      std::filesystem::create_symlink(entry.path(), folder / entry.path().filename());
  }
}

}  // namespace tg::test
