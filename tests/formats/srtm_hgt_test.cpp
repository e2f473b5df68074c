// SRTM height tiles through scripts/srtm_hgt.tgs, checked against the reference reader.
#include "formats/format_test_support.hpp"

namespace tg::formats_test {
namespace {

constexpr int k3Seconds = 1201;
constexpr int k1Second = 3601;
constexpr double kStep = 1.0 / 1200;

// A value for every node of a 3 arc-second tile: the whole signed range shows up somewhere
// (negative heights, values whose low byte has its top bit set), and a few voids.
double tileValue(int row, int col) {
  if ((row == 17 && col == 23) || (row == 600 && col >= 300 && col <= 302)) return -32768;
  const double special[] = {0, -32767, 32767, -1, 128, -128};
  if (row == 1 && col >= 1 && col <= 5) return special[col];
  return std::int16_t(surfaceValue(row, col) * 3 - 400);
}

class SrtmHgt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_folder = new test::TemporaryFolder;
    writeSrtmTile(tile(), tileValue);
  }
  static void TearDownTestSuite() { delete s_folder; }
  static std::filesystem::path tile() { return s_folder->path() / "N46W122.hgt"; }
  static inline test::TemporaryFolder* s_folder = nullptr;
};

TEST_F(SrtmHgt, BoundsAndSpacingComeFromTheNameAndSize) {
  FormatFile file(tile(), "srtm_hgt");
  EXPECT_EQ(file.attribute("top_lat"), 47);
  EXPECT_EQ(file.attribute("left_lon"), -122);
  EXPECT_NEAR(file.attribute("yres"), kStep, 1e-15);
  const TG_FILEMETRICS& metrics = file.file().metrics();
  EXPECT_EQ(metrics.datum, "WGS84");
  EXPECT_EQ(metrics.bounds.westLon, -122);
  // 3 arc-seconds is about 92.6 m north-south and 64.0 m east-west at 46.5 degrees.
  EXPECT_NEAR(metrics.yResolution, 92.6, 0.2);
  EXPECT_NEAR(metrics.xResolution, 63.96, 0.05);
}

// The edges, the rows with the special values and a random sample read their stored values, in
// a shuffled order; closest and 4-point reads agree with the reference.
TEST_F(SrtmHgt, NodesAndInterpolatedReadsAgreeWithTheReference) {
  const ReferenceGrid grid = readSrtm(tile());
  ASSERT_EQ(grid.at(1, 3), -1);  // the reference itself is right about signs
  ASSERT_EQ(grid.at(17, 23), kNoPoint);
  std::vector<std::size_t> nodes;
  const auto add = [&](int row, int col) { nodes.push_back(std::size_t(row * k3Seconds + col)); };
  for (int i = 0; i < k3Seconds; i += 7)
    add(0, i), add(k3Seconds - 1, i), add(i, 0), add(i, k3Seconds - 1);
  for (int col = 0; col < 40; ++col)
    add(1, col), add(17, col), add(600, 280 + col);
  std::mt19937 random(3);
  std::uniform_int_distribution<int> any(0, k3Seconds - 1);
  for (int i = 0; i < 500; ++i)
    add(any(random), any(random));
  std::shuffle(nodes.begin(), nodes.end(), random);
  FormatFile file(tile(), "srtm_hgt");
  expectEveryNode(file, grid, nodes);
  expectAgreesWithReference(file, grid, 500);
}

TEST_F(SrtmHgt, VoidsAndEdges) {
  FormatFile file(tile(), "srtm_hgt");
  const double voidLat = 47 - 17 * kStep, voidLon = -122 + 23 * kStep;
  const double n = 47 - kStep * 0.3, e = -121 - kStep * 0.3;
  // clang-format off
  const std::tuple<double, double, TG_M_INTERPOLATIONMODES, double, double> rows[] = {
      {voidLat, voidLon, TG_M_IM_CLOSESTPOINT, kNoPoint, 0},
      {voidLat - kStep / 3, voidLon + kStep / 3, TG_M_IM_4POINT, kNotEnoughData, 0},  // touches it
      {47, -121, TG_M_IM_NONE, asSingle(tileValue(0, k3Seconds - 1)), 0},  // the NE corner is a node
      {47, -121, TG_M_IM_4POINT, kNotEnoughData, 0},  // but the cell beyond it is outside
      {n, e, TG_M_IM_4POINT, readSrtm(tile()).bilinear(n, e), 1e-3},  // edge cells have four corners
      // On the southern edge the cell at or below lies a row further south, outside the tile
      // (rows from the north: whole steps truncated, plus one); a hair north it is inside.
      {46, -122, TG_M_IM_4POINT, kNotEnoughData, 0},
      {46 + kStep * 1e-3, -122, TG_M_IM_4POINT, tileValue(k3Seconds - 1, 0), 1},
      {46.5, -120.999, TG_M_IM_NONE, kNoPoint, 0},
      {46.5, -122 - kStep, TG_M_IM_NONE, kNoPoint, 0},
  };
  // clang-format on
  for (const auto& [lat, lon, mode, expected, tolerance] : rows)
    EXPECT_NEAR(file.read(lat, lon, mode), expected, tolerance) << lat << "," << lon << " " << mode;
}

// Twelve points reproduce a quadratic surface: with one stored, any interior position reads
// the surface itself, which holds only when the script places every node right.
TEST(SrtmHgtSurface, TwelvePointsReproduceAQuadraticSurface) {
  test::TemporaryFolder folder;
  const auto height = [](double lat, double lon) {
    const double u = (lat + 12) * 100, v = (lon - 34) * 100;
    return 2.0 * u * u - 1.5 * u * v + 0.5 * v * v + 3 * u - 2 * v + 10;
  };
  writeSrtmTile(folder.path() / "S12E034.hgt", [&](int row, int col) {
    return std::round(height(-11 - row * kStep, 34 + col * kStep));
  });
  FormatFile file(folder.path() / "S12E034.hgt", "srtm_hgt");
  EXPECT_EQ(file.attribute("bottom_lat"), -12);
  // Rounding the stored heights to metres costs at most half a metre.
  for (const auto& [lat, lon] : {std::pair{-11.93, 34.041}, {-11.951, 34.0555}})
    EXPECT_NEAR(file.read(lat, lon, TG_M_IM_12POINT), height(lat, lon), 1.0) << lat << "," << lon;
}

// A 1 arc-second tile is told from a 3 arc-second one by its size; a sparse file keeps this
// fast, as a read touches only the bytes of its node.
TEST(SrtmHgtKinds, OneSecondTilesAreToldApartBySize) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "N00E000.hgt";
  { std::ofstream out(path, std::ios::binary); }
  std::filesystem::resize_file(path, std::uintmax_t(k1Second) * k1Second * 2);
  for (const auto& [row, col, value] :
       {std::tuple{0, 0, 1234}, {1800, 1800, -55}, {3600, 3600, 8848}, {1, 3600, -32768}}) {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(std::streamoff((std::int64_t(row) * k1Second + col) * 2));
    const auto bits = std::uint16_t(value);
    const char pair[2] = {char(bits >> 8), char(bits & 0xFF)};
    out.write(pair, 2);
  }
  FormatFile file(path, "srtm_hgt");
  EXPECT_NEAR(file.attribute("xres"), 1.0 / 3600, 1e-15);
  EXPECT_EQ(file.read(1, 0), 1234);
  EXPECT_EQ(file.read(0.5, 0.5), -55);
  EXPECT_EQ(file.read(0, 1), 8848);
  EXPECT_EQ(file.read(1 - 1.0 / 3600, 1), kNoPoint);
  // A quarter of the way from node (1800, 1800) to its eastern neighbour (0).
  EXPECT_NEAR(file.read(0.5, 0.5 + 0.25 / 3600, TG_M_IM_4POINT), -55 * 0.75, 1e-3);
}

// Files that are no tile are refused when opened: a size no tile has, a name that gives no
// corner, a corner beyond the pole or the date line.
TEST(SrtmHgtInvalid, FilesThatAreNoTileAreRefused) {
  test::TemporaryFolder folder;
  const std::size_t size = 2u * 1201 * 1201;
  for (const auto& [name, bytes] : {std::pair{"N46W122.hgt", size + 2},
                                    {"X46W122.hgt", size},
                                    {"N90W122.hgt", size},
                                    {"N46E180.hgt", size}}) {
    writeBytes(folder.path() / name, std::string(bytes, '\0'));
    EXPECT_EQ(test::errorNumber([&] { FormatFile file(folder.path() / name, "srtm_hgt"); }), 14006)
        << name;
  }
}

}  // namespace
}  // namespace tg::formats_test
