// SRTM height tiles through scripts/srtm_hgt.tgs, checked against the reference reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "formats/format_test_support.hpp"
#include "formats/reference_reader.hpp"
#include "support/test_environment.hpp"
#include "test_support.hpp"

namespace tg::formats_test {
namespace {

constexpr int k3Seconds = 1201;
constexpr int k1Second = 3601;

// A value for every node of a 3 arc-second tile: the whole signed range shows up somewhere
// (negative heights, values whose low byte has its top bit set), and a few voids.
std::int16_t tileValue(int row, int col) {
  if ((row == 17 && col == 23) || (row == 600 && col >= 300 && col <= 302)) return -32768;
  if (row == 1 && col == 1) return -32767;
  if (row == 1 && col == 2) return 32767;
  if (row == 1 && col == 3) return -1;
  if (row == 1 && col == 4) return 128;
  if (row == 1 && col == 5) return -128;
  return std::int16_t(surfaceValue(row, col) * 3 - 400);
}

void writeTile(const std::filesystem::path& path, int samples) {
  std::string bytes(std::size_t(samples) * std::size_t(samples) * 2, '\0');
  for (int row = 0; row < samples; ++row) {
    for (int col = 0; col < samples; ++col) {
      const auto bits = std::uint16_t(tileValue(row, col));
      const std::size_t at = (std::size_t(row) * std::size_t(samples) + std::size_t(col)) * 2;
      bytes[at] = char(bits >> 8);
      bytes[at + 1] = char(bits & 0xFF);
    }
  }
  writeBytes(path, bytes);
}

class SrtmHgt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_folder = new test::TemporaryFolder;
    writeTile(s_folder->path() / "N46W122.hgt", k3Seconds);
  }
  static void TearDownTestSuite() {
    delete s_folder;
    s_folder = nullptr;
  }
  static std::filesystem::path tile() { return s_folder->path() / "N46W122.hgt"; }
  static test::TemporaryFolder* s_folder;
};
test::TemporaryFolder* SrtmHgt::s_folder = nullptr;

TEST_F(SrtmHgt, BoundsAndSpacingComeFromTheNameAndSize) {
  FormatFile file(tile(), "srtm_hgt");
  EXPECT_EQ(file.attribute("top_lat"), 47);
  EXPECT_EQ(file.attribute("bottom_lat"), 46);
  EXPECT_EQ(file.attribute("left_lon"), -122);
  EXPECT_EQ(file.attribute("right_lon"), -121);
  EXPECT_NEAR(file.attribute("xres"), 1.0 / 1200, 1e-15);
  EXPECT_NEAR(file.attribute("yres"), 1.0 / 1200, 1e-15);
  const TG_FILEMETRICS& metrics = file.file().metrics();
  EXPECT_EQ(metrics.datum, "WGS84");
  EXPECT_EQ(metrics.bounds.northLat, 47);
  EXPECT_EQ(metrics.bounds.westLon, -122);
  // 3 arc-seconds is about 92.6 m north-south and 64.0 m east-west at 46.5 degrees.
  EXPECT_NEAR(metrics.yResolution, 92.6, 0.2);
  EXPECT_NEAR(metrics.xResolution, 63.96, 0.05);
}

// Every node of the edges, the corners, the rows and columns with the special values, and a
// random sample of the rest, in a shuffled order.
TEST_F(SrtmHgt, NodesReadTheirStoredValues) {
  const ReferenceGrid grid = readSrtm(tile());
  ASSERT_EQ(grid.at(1, 3), -1);  // the reference itself is right about signs
  ASSERT_EQ(grid.at(17, 23), kNoPoint);
  std::vector<std::size_t> nodes;
  const auto add = [&](int row, int col) {
    nodes.push_back(std::size_t(row) * k3Seconds + std::size_t(col));
  };
  for (int i = 0; i < k3Seconds; ++i) {
    add(0, i);
    add(k3Seconds - 1, i);
    add(i, 0);
    add(i, k3Seconds - 1);
  }
  for (int col = 0; col < 40; ++col) {
    add(1, col);
    add(17, col);
    add(600, 280 + col);
  }
  std::mt19937 random(3);
  std::uniform_int_distribution<int> any(0, k3Seconds - 1);
  for (int i = 0; i < 3000; ++i)
    add(any(random), any(random));
  std::shuffle(nodes.begin(), nodes.end(), random);
  FormatFile file(tile(), "srtm_hgt");
  expectEveryNode(file, grid, nodes);
}

TEST_F(SrtmHgt, ClosestAndFourPointAgreeWithTheReference) {
  FormatFile file(tile(), "srtm_hgt");
  expectAgreesWithReference(file, readSrtm(tile()), 1500);
}

TEST_F(SrtmHgt, VoidsAndEdges) {
  FormatFile file(tile(), "srtm_hgt");
  const double step = 1.0 / 1200;
  const double voidLat = 47 - 17 * step, voidLon = -122 + 23 * step;
  EXPECT_EQ(file.read(voidLat, voidLon), kNoPoint);
  EXPECT_EQ(file.read(voidLat, voidLon, TG_M_IM_CLOSESTPOINT), kNoPoint);
  // Any cell with the void at one of its corners lacks a point.
  EXPECT_EQ(file.read(voidLat - step / 3, voidLon + step / 3, TG_M_IM_4POINT), kNotEnoughData);
  EXPECT_EQ(file.read(voidLat + step / 3, voidLon - step / 3, TG_M_IM_4POINT), kNotEnoughData);
  // The north-east corner is a node, but the cell beyond it is outside the tile.
  EXPECT_EQ(file.read(47, -121), asSingle(tileValue(0, k3Seconds - 1)));
  EXPECT_EQ(file.read(47, -121, TG_M_IM_4POINT), kNotEnoughData);
  // The cells along the northern and eastern edges still have all four corners.
  const ReferenceGrid grid = readSrtm(tile());
  for (const auto& [lat, lon] : {std::pair{47 - step * 0.3, -121 - step * 0.3},
                                 {47 - step * 0.5, -121.5},
                                 {46.5, -121 - step * 0.5}}) {
    EXPECT_NEAR(file.read(lat, lon, TG_M_IM_4POINT), grid.bilinear(lat, lon), 1e-3)
        << lat << "," << lon;
  }
  // On the southern edge the cell at or below lies one row further south, outside the tile
  // (rows run from the north: whole steps truncated, plus one); a hair north it is inside.
  EXPECT_EQ(file.read(46, -122, TG_M_IM_4POINT), kNotEnoughData);
  EXPECT_NEAR(file.read(46 + step * 1e-3, -122, TG_M_IM_4POINT), tileValue(k3Seconds - 1, 0), 1);
  // Outside the tile there is nothing.
  EXPECT_EQ(file.read(45.9, -121.5), kNoPoint);
  EXPECT_EQ(file.read(46.5, -120.999), kNoPoint);
  EXPECT_EQ(file.read(46.5, -122 - step), kNoPoint);
}

// Twelve points reproduce a quadratic surface: with one stored, any interior position reads
// the surface itself, which holds only when the script places every node right.
TEST(SrtmHgtSurface, TwelvePointsReproduceAQuadraticSurface) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "S12E034.hgt";
  const auto height = [](double lat, double lon) {
    const double u = (lat + 12) * 100, v = (lon - 34) * 100;
    return 2.0 * u * u - 1.5 * u * v + 0.5 * v * v + 3 * u - 2 * v + 10;
  };
  std::string bytes(std::size_t(k3Seconds) * k3Seconds * 2, '\0');
  for (int row = 0; row < k3Seconds; ++row) {
    for (int col = 0; col < k3Seconds; ++col) {
      const double lat = -11 - row / 1200.0, lon = 34 + col / 1200.0;
      const auto bits = std::uint16_t(std::int16_t(std::lround(height(lat, lon))));
      const std::size_t at = (std::size_t(row) * k3Seconds + std::size_t(col)) * 2;
      bytes[at] = char(bits >> 8);
      bytes[at + 1] = char(bits & 0xFF);
    }
  }
  writeBytes(path, bytes);
  FormatFile file(path, "srtm_hgt");
  EXPECT_EQ(file.attribute("bottom_lat"), -12);
  EXPECT_EQ(file.attribute("left_lon"), 34);
  // Rounding the stored heights to metres costs at most half a metre.
  for (const auto& [lat, lon] : {std::pair{-11.93, 34.041}, {-11.951, 34.0555}, {-11.9, 34.02}}) {
    EXPECT_NEAR(file.read(lat, lon, TG_M_IM_12POINT), height(lat, lon), 1.0) << lat << "," << lon;
  }
}

// A 1 arc-second tile is told from a 3 arc-second one by its size; a sparse file keeps this
// fast, as a read touches only the bytes of its node.
TEST(SrtmHgtKinds, OneSecondTilesAreToldApartBySize) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "N00E000.hgt";
  { std::ofstream out(path, std::ios::binary); }
  std::filesystem::resize_file(path, std::uintmax_t(k1Second) * k1Second * 2);
  const auto put = [&](int row, int col, std::int16_t value) {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(std::streamoff((std::int64_t(row) * k1Second + col) * 2));
    const auto bits = std::uint16_t(value);
    const char pair[2] = {char(bits >> 8), char(bits & 0xFF)};
    out.write(pair, 2);
  };
  put(0, 0, 1234);
  put(1800, 1800, -55);
  put(3600, 3600, 8848);
  put(1, 3600, -32768);
  FormatFile file(path, "srtm_hgt");
  EXPECT_NEAR(file.attribute("xres"), 1.0 / 3600, 1e-15);
  EXPECT_EQ(file.read(1, 0), 1234);
  EXPECT_EQ(file.read(0.5, 0.5), -55);
  EXPECT_EQ(file.read(0, 1), 8848);
  EXPECT_EQ(file.read(1 - 1.0 / 3600, 1), kNoPoint);
  EXPECT_EQ(file.read(0.5 + 1.0 / 3600, 0.5), 0);
  // A quarter of the way from node (1800, 1800) to its eastern neighbour (0).
  EXPECT_NEAR(file.read(0.5, 0.5 + 0.25 / 3600, TG_M_IM_4POINT), -55 * 0.75, 1e-3);
}

// Files that are no tile are refused when opened.
TEST(SrtmHgtInvalid, FilesThatAreNoTileAreRefused) {
  test::TemporaryFolder folder;
  const struct {
    const char* name;
    std::size_t bytes;
  } cases[] = {
      {"N46W122.hgt", 1000},                  // no tile has this size
      {"N46W122.hgt", 2u * 1201 * 1201 + 2},  // nor this
      {"tile.hgt", 2u * 1201 * 1201},         // the name gives no corner
      {"X46W122.hgt", 2u * 1201 * 1201},      // nor this one
      {"N95W122.hgt", 2u * 1201 * 1201},      // beyond the pole
      {"N46E180.hgt", 2u * 1201 * 1201},      // beyond the date line
  };
  for (const auto& c : cases) {
    const auto path = folder.path() / c.name;
    writeBytes(path, std::string(c.bytes, '\0'));
    EXPECT_EQ(test::errorNumber([&] { FormatFile file(path, "srtm_hgt"); }), 14006)
        << c.name << " of " << c.bytes << " bytes";
    std::filesystem::remove(path);
  }
}

}  // namespace
}  // namespace tg::formats_test
