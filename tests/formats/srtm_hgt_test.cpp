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
  EXPECT_EQ(file.file().metrics().datum, "WGS84");
}

// The edges, the rows with the special values and a random sample read their stored values, in
// a shuffled order, read directly or by the script; closest and 4-point reads agree with the
// reference.
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
  for (const bool direct : {true, false}) {  // read directly, and through the script's own code
    FormatFile file(tile(), "srtm_hgt");
    file.machine().setEnableMEX(direct);
    expectEveryNode(file, grid, nodes);
    expectAgreesWithReference(file, grid, 500);
  }
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

// A 1 arc-second tile is told from a 3 arc-second one by its size (sparse: a read touches only
// its node's bytes); south and west of zero the name's numbers count negative.
TEST(SrtmHgtKinds, OneSecondTilesAreToldApartBySize) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "S01W001.hgt";
  std::filesystem::resize_file((std::ofstream(path), path),
                               std::uintmax_t(k1Second) * k1Second * 2);
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
  for (const auto& [row, col, value] :
       {std::tuple{0, 0, 1234}, {1800, 1800, -55}, {3600, 3600, 8848}, {1, 3600, -32768}}) {
    out.seekp(std::streamoff((std::int64_t(row) * k1Second + col) * 2));
    out.put(char(std::uint16_t(value) >> 8)).put(char(value & 0xFF)).flush();
  }
  FormatFile file(path, "srtm_hgt");
  EXPECT_NEAR(file.attribute("xres"), 1.0 / 3600, 1e-15);
  EXPECT_EQ(file.attribute("bottom_lat"), -1);
  EXPECT_EQ(file.read(0, -1), 1234);
  EXPECT_EQ(file.read(-0.5, -0.5), -55);
  EXPECT_EQ(file.read(-1, 0), 8848);
  EXPECT_EQ(file.read(-1.0 / 3600, 0), kNoPoint);
  // A quarter of the way from node (1800, 1800) to its eastern neighbour (0).
  EXPECT_NEAR(file.read(-0.5, -0.5 + 0.25 / 3600, TG_M_IM_4POINT), -55 * 0.75, 1e-3);
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
