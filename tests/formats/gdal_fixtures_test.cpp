// Files another tool wrote (tests/data/formats, made by GDAL) read back through the scripts:
// every node gives its stored value, and closest and 4-point reads agree with the reference
// reader.
#include "formats/format_test_support.hpp"

namespace tg::formats_test {
namespace {

struct FixtureCase {
  const char* file;
  const char* script;
  std::function<ReferenceGrid(const std::filesystem::path&)> reader;
};

class GdalFixtures : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(GdalFixtures, ReadBackAsStored) {
  const auto path = kFixtures / GetParam().file;
  const ReferenceGrid grid = GetParam().reader(path);
  // The fixtures share one layout: 23 x 17 cells of 0.01 degree, the corner at -121.63, 46.18,
  // and a 3 x 2 patch of NODATA.
  ASSERT_EQ(grid.cols, 23);
  ASSERT_EQ(grid.rows, 17);
  EXPECT_NEAR(grid.west, -121.625, 1e-8);
  EXPECT_NEAR(grid.south(), 46.185, 1e-8);
  EXPECT_EQ(grid.at(3, 5), kNoPoint);
  FormatFile file(path, GetParam().script);
  EXPECT_NEAR(file.attribute("left_lon"), -121.625, 1e-8);
  EXPECT_NEAR(file.attribute("bottom_lat"), 46.185, 1e-8);
  EXPECT_NEAR(file.attribute("right_lon"), -121.405, 1e-8);
  EXPECT_NEAR(file.attribute("top_lat"), 46.345, 1e-8);
  expectEveryNode(file, grid, nodesInOrder(grid));
  expectAgreesWithReference(file, grid, 400, 5);
}

INSTANTIATE_TEST_SUITE_P(
    WrittenByGdal, GdalFixtures,
    ::testing::Values(FixtureCase{"gdal_float32.asc", "esri_ascii", readEsriAscii},
                      FixtureCase{"gdal_int16.asc", "esri_ascii", readEsriAscii},
                      FixtureCase{"gdal_int16.bil", "esri_bil", readEsriBil},
                      FixtureCase{"gdal_uint16.bil", "esri_bil", readEsriBil},
                      FixtureCase{"gdal_int32.bil", "esri_bil", readEsriBil},
                      FixtureCase{"gdal_float32.bil", "esri_bil", readEsriBil}),
    [](const ::testing::TestParamInfo<FixtureCase>& info) {
      std::string name = info.param.file;
      for (char& c : name)
        if (c == '.') c = '_';
      return name;
    });

}  // namespace
}  // namespace tg::formats_test
