// Builders for the area tests: SRTM tiles, files opened by their format script, areas.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats/format_test_support.hpp"
#include "tessaglyph/area.hpp"
#include "tessaglyph/program.hpp"

namespace tg::area_test {

using formats_test::scriptProgram;

// Nodes per side of a 3 arc-second SRTM tile and their spacing; the value a test tile holds.
inline constexpr int kSrtmNodes = 1201;
inline constexpr double kSrtmSpacing = 1.0 / 1200;
inline double srtmValue(double base, int row, int col) {
  return base + row + col;
}

// Writes the SRTM tile N<south>W<west> (west positive) holding height(row, col).
inline std::filesystem::path writeSrtmTile(const std::filesystem::path& folder, int south, int west,
                                           const std::function<std::int16_t(int, int)>& height,
                                           const std::string& suffix = "") {
  char name[48];
  std::snprintf(name, sizeof name, "N%02dW%03d%s.hgt", south, west, suffix.c_str());
  std::string bytes(std::size_t(kSrtmNodes) * kSrtmNodes * 2, '\0');
  for (int row = 0; row < kSrtmNodes; ++row) {
    for (int col = 0; col < kSrtmNodes; ++col) {
      const auto bits = std::uint16_t(height(row, col));
      const std::size_t at = (std::size_t(row) * kSrtmNodes + std::size_t(col)) * 2;
      bytes[at] = char(bits >> 8);
      bytes[at + 1] = char(bits & 0xFF);
    }
  }
  formats_test::writeBytes(folder / name, bytes);
  return folder / name;
}

// The tile holding srtmValue(base, row, col), void at `voidNode` (row * 1201 + col) if given.
inline std::filesystem::path writeSrtmTile(const std::filesystem::path& folder, int south, int west,
                                           double base, long voidNode = -1,
                                           const std::string& suffix = "") {
  return writeSrtmTile(
      folder, south, west,
      [&](int row, int col) {
        return long(row) * kSrtmNodes + col == voidNode ? std::int16_t(-32768)
                                                        : std::int16_t(srtmValue(base, row, col));
      },
      suffix);
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

// An initialized area of tiles, highest priority first (".hgt" as SRTM, others ESRI ASCII).
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
