// ESRI ASCII grids through scripts/esri_ascii.tgs, checked against the reference reader and
// against what the writer meant.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "formats/format_test_support.hpp"
#include "formats/reference_reader.hpp"
#include "support/test_environment.hpp"
#include "test_support.hpp"

namespace tg::formats_test {
namespace {

// Values of a rows x cols grid with a few NODATA cells and fractional values.
std::vector<double> gridValues(int rows, int cols, double noData = -9999) {
  std::vector<double> values;
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      const bool hole = (row == 2 && col == 3) || (row == rows - 1 && col == 0);
      values.push_back(hole ? noData : surfaceValue(row, col) + (col % 4) * 0.25);
    }
  }
  return values;
}

struct AsciiCase {
  const char* name;
  AsciiLayout layout;
};

class EsriAsciiLayouts : public ::testing::TestWithParam<AsciiCase> {};

// Whatever the header's form, every node reads its value, forwards and backwards, and closest
// and 4-point reads agree with the reference reader of the same file.
TEST_P(EsriAsciiLayouts, EveryNodeAndInterpolatedReads) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "grid.asc";
  const int rows = 13, cols = 17;
  const ReferenceGrid meant =
      writeAscii(path, rows, cols, GetParam().layout, gridValues(rows, cols));
  const ReferenceGrid reference = readEsriAscii(path);
  ASSERT_EQ(reference.nodes.size(), meant.nodes.size());
  FormatFile file(path, "esri_ascii");
  EXPECT_NEAR(file.attribute("left_lon"), meant.west, 1e-12);
  EXPECT_NEAR(file.attribute("top_lat"), meant.north, 1e-8);
  EXPECT_NEAR(file.attribute("right_lon"), meant.east(), 1e-8);
  EXPECT_NEAR(file.attribute("bottom_lat"), meant.south(), 1e-12);
  EXPECT_NEAR(file.attribute("xres"), meant.xres, 1e-15);
  EXPECT_NEAR(file.attribute("yres"), meant.yres, 1e-15);
  std::vector<std::size_t> order = nodesInOrder(meant);
  expectEveryNode(file, meant, order);
  std::reverse(order.begin(), order.end());
  expectEveryNode(file, meant, order);
  expectAgreesWithReference(file, reference, 300);
}

INSTANTIATE_TEST_SUITE_P(
    HeaderForms, EsriAsciiLayouts,
    ::testing::Values(AsciiCase{"corner", {}}, AsciiCase{"centre", {.centre = true}},
                      AsciiCase{"capitals_reordered", {.upperKeys = true, .reversedKeys = true}},
                      AsciiCase{"centre_dx_dy", {.centre = true, .separateSpacing = true}},
                      AsciiCase{"wrapped_crlf", {.wrapped = true, .crlf = true}},
                      AsciiCase{"no_final_newline", {.finalNewline = false}},
                      AsciiCase{"no_nodata_key", {.noData = false}}),
    [](const ::testing::TestParamInfo<AsciiCase>& info) { return std::string(info.param.name); });

// NODATA cells are voids: closest reads answer -32100 and every cell touching one -32101; the
// north-east corner's cell lies outside the grid.
TEST(EsriAscii, NoDataAndTheNorthEastCorner) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "holes.asc";
  const ReferenceGrid grid = writeAscii(path, 6, 8, {}, gridValues(6, 8));
  FormatFile file(path, "esri_ascii");
  EXPECT_EQ(file.read(grid.lat(2), grid.lon(3)), kNoPoint);
  EXPECT_EQ(
      file.read(grid.lat(2) + grid.yres * 0.4, grid.lon(3) - grid.xres * 0.3, TG_M_IM_CLOSESTPOINT),
      kNoPoint);
  for (const auto& [dy, dx] : {std::pair{0.3, 0.3}, {-0.3, 0.3}, {0.3, -0.3}, {-0.3, -0.3}}) {
    EXPECT_EQ(file.read(grid.lat(2) + dy * grid.yres, grid.lon(3) + dx * grid.xres, TG_M_IM_4POINT),
              kNotEnoughData);
  }
  EXPECT_EQ(file.read(grid.north, grid.east()), asSingle(grid.at(0, 7)));
  EXPECT_EQ(file.read(grid.north, grid.east(), TG_M_IM_4POINT), kNotEnoughData);
  // Beyond the outer nodes there is nothing, though the outer cells reach half a cell further.
  EXPECT_EQ(file.read(grid.north + grid.yres * 0.4, grid.lon(2)), kNoPoint);
  EXPECT_EQ(file.read(grid.lat(3), grid.west - grid.xres * 0.4), kNoPoint);
}

// More rows than the table of row starts has room for: a row start is kept every few rows, and
// reads in any order still find every value.
TEST(EsriAscii, TallGridsReadInAnyOrder) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "tall.asc";
  const int rows = 5000, cols = 3;
  std::vector<double> values(std::size_t(rows) * cols);
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = double(i % 20011) - 1000;
  const ReferenceGrid grid = writeAscii(path, rows, cols, {.noData = false}, values);
  std::vector<std::size_t> order;
  std::mt19937 random(11);
  std::uniform_int_distribution<std::size_t> any(0, values.size() - 1);
  for (int i = 0; i < 300; ++i)
    order.push_back(any(random));
  order.push_back(values.size() - 1);
  order.push_back(0);
  order.push_back(values.size() - 2);
  FormatFile file(path, "esri_ascii");
  expectEveryNode(file, grid, order);
}

// A cell that is no number, or none a Single can hold, is no data (-32100): it never enters an
// interpolation and raises no script error. Values the file does not hold are failed reads.
TEST(EsriAscii, CellsThatAreNoUsableNumberAreNoData) {
  const struct {
    const char* cell;
    double value;
  } cases[] = {{"abc", -32100},   {"nan", -32100},   {"inf", -32100},   {"-inf", -32100},
               {"1e300", -32100}, {"1e400", -32100}, {"-1e39", -32100}, {"5x", -32100},
               {"1-2", -32100},   {"1.5e2", 150},    {"-2.5", -2.5}};
  test::TemporaryFolder folder;
  for (const auto& c : cases) {
    const auto path = folder.path() / "cell.asc";
    writeBytes(path, std::string("ncols 2\nnrows 2\nxllcorner 10\nyllcorner 20\ncellsize 1\n10 ") +
                         c.cell + "\n10 10\n");
    FormatFile file(path, "esri_ascii");
    file.file().setExecuteMode(TG_F_EM_SILENT);  // a script error would read as -52000
    EXPECT_EQ(file.read(21.5, 11.5), asSingle(c.value)) << c.cell;
    // Bilinear between the four cells: a bad one is a missing point, never a number.
    const double between = file.read(21, 11, TG_M_IM_4POINT);
    if (c.value == -32100) {
      EXPECT_EQ(between, -32101) << c.cell;
    } else {
      EXPECT_EQ(between, asSingle((30 + asSingle(c.value)) / 4)) << c.cell;
    }
  }
}

TEST(EsriAscii, ValuesPastTheEndOfTheFileAreFailedReads) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "short.asc";
  writeBytes(path, "ncols 3\nnrows 3\nxllcorner 10\nyllcorner 20\ncellsize 1\n1 2 3\n4 5 0\n7 8\n");
  FormatFile file(path, "esri_ascii");
  EXPECT_EQ(file.read(22.5, 10.5), 1);
  EXPECT_EQ(file.read(20.5, 12.5), -52000);  // the file ends early
  EXPECT_EQ(file.read(20.5, 10.5), 7);       // and the cursor recovers
}

// Headers that do not describe a grid are refused when opened.
TEST(EsriAscii, BadHeadersAreRefused) {
  test::TemporaryFolder folder;
  const char* headers[] = {
      "ncols 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n",             // no nrows
      "ncols 2\nnrows 1\nyllcorner 0\ncellsize 1\n1 2\n",                 // no x corner
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\n1 2\n",                // no cell size
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize -1\n1 2\n",   // negative cell size
      "ncols 2.5\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n",  // not a whole size
      "ncols 0\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n",    // empty
      "ncols two\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n",  // not a number
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\nzunit m\n1 2\n",      // unknown key
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n",                    // header only
      "",                                                                            // nothing
      "ncols 2\nnrows 1\nncols 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n",      // twice ncols
      "ncols 2\nnrows 1\nxllcorner 0\nxllcenter 0\nyllcorner 0\ncellsize 1\n1 2\n",  // two x
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\nCELLSIZE 1\n1 2\n",
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\nnodata_value -9\n"
      "nodata_value -9\n1 2\n",
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1e300\n1 2\n",  // off the globe
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 95\ncellsize 1\n1 2\n",
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner -91\ncellsize 1\n1 2\n",
      "ncols 2\nnrows 1\nxllcorner 359.5\nyllcorner 0\ncellsize 1\n1 2\n",
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1e400\n1 2\n",
  };
  for (const char* header : headers) {
    const auto path = folder.path() / "bad.asc";
    writeBytes(path, header);
    EXPECT_EQ(test::errorNumber([&] { FormatFile file(path, "esri_ascii"); }), 14006) << header;
  }
}

}  // namespace
}  // namespace tg::formats_test
