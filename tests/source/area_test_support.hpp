// Builders shared by the area tests: small ESRI ASCII tiles whose values tell which tile and
// node answered, files opened through the format scripts (optionally on a machine with its own
// clock), and areas assembled from them in priority order.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formats/format_test_support.hpp"
#include "tessaglyph/area.hpp"
#include "tessaglyph/program.hpp"

namespace tg::area_test {

using formats_test::scriptProgram;

// Nodes per side of an ASCII tile (one degree, node to node) and of a 3 arc-second SRTM tile.
inline constexpr int kTileNodes = 5;
inline constexpr int kSrtmNodes = 1201;
inline constexpr double kSrtmSpacing = 1.0 / 1200;

// The value a test tile holds at a node (row from the north, column from the west).
inline double tileValue(double base, int row, int col) {
  return base + 10 * row + col;
}
inline double srtmValue(double base, int row, int col) {
  return base + row + col;
}

// Writes an SRTM tile N<south>W<west> (west as a positive number) whose node (row, col) holds
// srtmValue(base, row, col); `voidNode` (row * 1201 + col) holds a void when not negative. A
// `suffix` gives a second tile of the same corner its own name.
inline std::filesystem::path writeSrtmTile(const std::filesystem::path& folder, int south, int west,
                                           double base, long voidNode = -1,
                                           const std::string& suffix = "") {
  char name[48];
  std::snprintf(name, sizeof name, "N%02dW%03d%s.hgt", south, west, suffix.c_str());
  std::string bytes(std::size_t(kSrtmNodes) * kSrtmNodes * 2, '\0');
  for (int row = 0; row < kSrtmNodes; ++row) {
    for (int col = 0; col < kSrtmNodes; ++col) {
      const long node = long(row) * kSrtmNodes + col;
      const auto bits = std::uint16_t(node == voidNode ? std::int16_t(-32768)
                                                       : std::int16_t(srtmValue(base, row, col)));
      bytes[std::size_t(node) * 2] = char(bits >> 8);
      bytes[std::size_t(node) * 2 + 1] = char(bits & 0xFF);
    }
  }
  formats_test::writeBytes(folder / name, bytes);
  return folder / name;
}

// Writes an ASCII tile whose 5 x 5 nodes run from (south, west) to (south + 1, west + 1).
inline std::filesystem::path writeAsciiTile(const std::filesystem::path& folder, int south,
                                            int west, double base) {
  const auto path =
      folder / ("tile_" + std::to_string(south) + "_" + std::to_string(west) + ".asc");
  std::string text = "ncols 5\nnrows 5\nxllcenter " + std::to_string(west) + "\nyllcenter " +
                     std::to_string(south) + "\ncellsize 0.25\nNODATA_value -9999\n";
  for (int row = 0; row < kTileNodes; ++row) {
    for (int col = 0; col < kTileNodes; ++col)
      text += std::to_string(int(tileValue(base, row, col))) + (col < 4 ? " " : "\n");
  }
  formats_test::writeBytes(path, text);
  return path;
}

// A source file opened through a format script; with a clock, its machine keeps time by it.
inline std::shared_ptr<TessaglyphFile> openFile(const std::filesystem::path& path,
                                                const std::string& script,
                                                TessaglyphMachine::Clock clock = {}) {
  auto file = std::make_shared<TessaglyphFile>();
  TessaglyphProgram program;
  EXPECT_NE(program.readProgram(scriptProgram(script), 1), -1);
  auto machine =
      clock ? std::make_shared<TessaglyphMachine>(clock) : std::make_shared<TessaglyphMachine>();
  program.prepareMachine(machine);
  file->setMachine(machine);
  file->setFilename(path.string());
  file->openSource();
  return file;
}

// An initialized area of tiles, in the order given (highest priority first); ".hgt" tiles are
// read as SRTM, others as ESRI ASCII.
inline std::shared_ptr<TessaglyphArea> tileArea(const std::vector<std::filesystem::path>& tiles,
                                                TG_M_INTERPOLATIONMODES mode = TG_M_IM_NONE) {
  auto area = std::make_shared<TessaglyphArea>();
  for (const auto& tile : tiles)
    area->addFile(openFile(tile, tile.extension() == ".hgt" ? "srtm_hgt" : "esri_ascii"));
  area->initialize();
  area->setInterpolationMode(mode);
  return area;
}

// The file descriptors the process holds.
inline int openDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

}  // namespace tg::area_test
