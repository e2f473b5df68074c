// Files another tool wrote (tests/data/formats, made by GDAL) read back through the scripts: every
// node gives its stored value, and closest and 4-point reads agree with the reference reader of
// the ESRI ASCII grid GDAL wrote of the same values.
#include "formats/format_test_support.hpp"

namespace tg::formats_test {
namespace {

struct FixtureCase {
  const char *file, *script, *sameGridAsAscii;
};

class GdalFixtures : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(GdalFixtures, ReadBackAsStored) {
  // 23 x 17 cells of 0.01 degree, the corner at -121.63, 46.18, and a 3 x 2 patch of NODATA.
  const ReferenceGrid grid = readGdalAscii(kFixtures / GetParam().sameGridAsAscii);
  ASSERT_EQ(grid.at(3, 5), kNoPoint);
  FormatFile file(kFixtures / GetParam().file, GetParam().script);
  EXPECT_NEAR(file.attribute("left_lon"), -121.625, 1e-8);
  EXPECT_NEAR(file.attribute("bottom_lat"), 46.185, 1e-8);
  EXPECT_NEAR(file.attribute("right_lon"), -121.405, 1e-8);
  EXPECT_NEAR(file.attribute("top_lat"), 46.345, 1e-8);
  expectEveryNode(file, grid, nodesInOrder(grid));
  expectAgreesWithReference(file, grid, 400, 5);
}

INSTANTIATE_TEST_SUITE_P(
    WrittenByGdal, GdalFixtures,
    ::testing::Values(FixtureCase{"gdal_float32.asc", "esri_ascii", "gdal_float32.asc"},
                      FixtureCase{"gdal_int16.asc", "esri_ascii", "gdal_int16.asc"},
                      FixtureCase{"gdal_int16.bil", "esri_bil", "gdal_int16.asc"},
                      FixtureCase{"gdal_int32.bil", "esri_bil", "gdal_int16.asc"},
                      FixtureCase{"gdal_float32.bil", "esri_bil", "gdal_float32.asc"}),
    [](const auto& info) { return std::to_string(info.index); });

}  // namespace
}  // namespace tg::formats_test
