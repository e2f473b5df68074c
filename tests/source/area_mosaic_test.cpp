// A 2x2 block of SRTM tiles read through an area, against the reference reader's joined grid.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "formats/reference_reader.hpp"
#include "source/area_test_support.hpp"
#include "support/test_environment.hpp"

namespace tg::area_test {
namespace {

using formats_test::ReferenceGrid;

// Heights from the position alone, so that the rows and columns two tiles share repeat.
std::int16_t height(int globalRow, int globalCol) {
  return std::int16_t(
      std::lround(900 * std::sin(globalRow * 0.0041) * std::cos(globalCol * 0.0029) +
                  0.7 * globalCol - 0.4 * globalRow + 1500));
}

class AreaMosaic : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_home = new test::TemporaryHome;
    const std::filesystem::path folder = s_home->root();
    // The tiles, and the reference: the four as read by the reference reader, joined into one.
    s_reference = new ReferenceGrid;
    ReferenceGrid& joined = *s_reference;
    joined.rows = joined.cols = 2 * kSrtmNodes - 1;
    joined.west = -122;
    joined.north = 48;
    joined.xres = joined.yres = kSrtmSpacing;
    joined.nodes.assign(std::size_t(joined.rows) * std::size_t(joined.cols), std::nan(""));
    for (const int south : {46, 47}) {
      for (const int west : {-122, -121}) {
        const int rowOffset = (48 - (south + 1)) * 1200, colOffset = (west + 122) * 1200;
        const ReferenceGrid tile =
            formats_test::readSrtm(writeSrtmTile(folder, south, -west, [&](int row, int col) {
              return height(row + rowOffset, col + colOffset);
            }));
        for (int row = 0; row < kSrtmNodes; ++row) {
          for (int col = 0; col < kSrtmNodes; ++col) {
            joined.nodes[std::size_t(row + rowOffset) * std::size_t(joined.cols) +
                         std::size_t(col + colOffset)] = tile.at(row, col);
          }
        }
      }
    }
  }
  static void TearDownTestSuite() {
    delete s_reference;
    delete s_home;
  }

  // The area in priority order north-west, north-east, south-west, south-east.
  static std::shared_ptr<TessaglyphArea> area(TG_M_INTERPOLATIONMODES mode) {
    auto result = std::make_shared<TessaglyphArea>();
    for (const char* name : {"N47W122.hgt", "N47W121.hgt", "N46W122.hgt", "N46W121.hgt"})
      result->addFile(openFile(s_home->root() + name, "srtm_hgt"));
    result->initialize();
    result->setInterpolationMode(mode);
    return result;
  }

  static test::TemporaryHome* s_home;
  static ReferenceGrid* s_reference;
};
test::TemporaryHome* AreaMosaic::s_home = nullptr;
ReferenceGrid* AreaMosaic::s_reference = nullptr;

// Positions strictly inside the block: random ones, and ones on both seams and the corner.
std::vector<std::pair<double, double>> queryPoints() {
  std::vector<std::pair<double, double>> points;
  std::mt19937 random(11);
  std::uniform_real_distribution<double> lat(46.0001, 47.9999), lon(-121.9999, -120.0001);
  for (int i = 0; i < 150; ++i)
    points.emplace_back(lat(random), lon(random));
  for (int i = 1; i < 40; ++i) {
    const double along = i / 40.0;
    points.emplace_back(47, -122 + 2 * along);                     // on the parallel seam
    points.emplace_back(46 + 2 * along, -121);                     // on the meridian seam
    points.emplace_back(47 + kSrtmSpacing / 3, -122 + 2 * along);  // just north of it
    points.emplace_back(46 + 2 * along, -121 - kSrtmSpacing / 3);  // just west of it
  }
  points.emplace_back(47, -121);  // where all four tiles meet
  points.emplace_back(47 - kSrtmSpacing / 2, -121 - kSrtmSpacing / 2);
  points.emplace_back(47 + kSrtmSpacing / 2, -121 + kSrtmSpacing / 2);
  return points;
}

struct MosaicRow {
  const char* name;
  TG_M_INTERPOLATIONMODES mode;
  TG_S_MACROINTERPOLATIONOPTIONS macro;
  double boundaryResolution;
};

TEST_F(AreaMosaic, TheBlockReadsAsOneSurface) {
  const MosaicRow rows[] = {
      {"closest", TG_M_IM_CLOSESTPOINT, TG_S_MIO_RETURNLOWELEVATION, 0},
      {"4-point, seams merged from the next tile", TG_M_IM_4POINT, TG_S_MIO_MERGEFILEDATA, 0},
      {"4-point over the data there is", TG_M_IM_4POINT, TG_S_MIO_USEAVAILDATA, 0},
      // On the corner the south-east tile answers: its northern row starts the cell at or below.
      {"4-point, seams from the neighbour sector", TG_M_IM_4POINT, TG_S_MIO_DEFAULTTOCLOSESTPOINT,
       kSrtmSpacing / 2},
  };
  const auto points = queryPoints();
  for (const MosaicRow& row : rows) {
    SCOPED_TRACE(row.name);
    const auto mosaic = area(row.mode);
    mosaic->setMacroInterpolationOption(row.macro);
    mosaic->setBoundaryResolution(row.boundaryResolution);
    ASSERT_EQ(mosaic->numSectors(), 4);
    int mismatches = 0;
    for (const auto& [lat, lon] : points) {
      const double expected = row.mode == TG_M_IM_CLOSESTPOINT ? s_reference->closest(lat, lon)
                                                               : s_reference->bilinear(lat, lon);
      const double got = mosaic->point(lat, lon);
      if (std::abs(got - float(expected)) > 1e-3 && ++mismatches <= 5) {
        ADD_FAILURE() << lat << ", " << lon << ": area " << got << ", reference " << expected;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

}  // namespace
}  // namespace tg::area_test
