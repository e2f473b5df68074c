// ESRI ASCII grids through scripts/esri_ascii.tgs, checked against what the writer meant.
#include "formats/format_test_support.hpp"

namespace tg::formats_test {
namespace {

// Values of a rows x cols grid with a few NODATA cells and fractional values.
std::vector<double> gridValues(int rows, int cols) {
  std::vector<double> values;
  for (int row = 0; row < rows; ++row)
    for (int col = 0; col < cols; ++col)
      values.push_back((row == 2 && col == 3) || (row == rows - 1 && col == 0)
                           ? -9999
                           : surfaceValue(row, col) + (col % 4) * 0.25);
  return values;
}

struct AsciiCase {
  const char* name;
  AsciiLayout layout;
};

class EsriAsciiLayouts : public ::testing::TestWithParam<AsciiCase> {};

// Whatever the header's form, every node reads its value, forwards and backwards, and closest
// and 4-point reads agree with the grid.
TEST_P(EsriAsciiLayouts, EveryNodeAndInterpolatedReads) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "grid.asc";
  const ReferenceGrid meant = writeAscii(path, 13, 17, GetParam().layout, gridValues(13, 17));
  FormatFile file(path, "esri_ascii");
  EXPECT_NEAR(file.attribute("left_lon"), meant.west, 1e-12);
  EXPECT_NEAR(file.attribute("top_lat"), meant.north, 1e-8);
  EXPECT_NEAR(file.attribute("yres"), meant.yres, 1e-15);
  std::vector<std::size_t> order = nodesInOrder(meant);
  expectEveryNode(file, meant, order);
  std::reverse(order.begin(), order.end());
  expectEveryNode(file, meant, order);
  expectAgreesWithReference(file, meant, 300);
}

const AsciiCase kHeaderForms[] = {{"corner", {}},
                                  {"centre_dx_dy_capitals", {.alternate = true}},
                                  {"wrapped_crlf_no_final_newline", {.wrapped = true}},
                                  {"no_nodata_key", {.noData = false}}};
INSTANTIATE_TEST_SUITE_P(HeaderForms, EsriAsciiLayouts, ::testing::ValuesIn(kHeaderForms),
                         [](const auto& info) { return std::string(info.param.name); });

// NODATA cells are voids: closest reads answer -32100 and every cell touching one -32101; the
// north-east corner's cell lies outside the grid, and so does anything beyond the outer nodes.
TEST(EsriAscii, NoDataAndTheNorthEastCorner) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "holes.asc";
  const ReferenceGrid grid = writeAscii(path, 6, 8, {}, gridValues(6, 8));
  FormatFile file(path, "esri_ascii");
  const double y = grid.lat(2), x = grid.lon(3), dy = grid.yres, dx = grid.xres;
  EXPECT_EQ(file.read(y + dy * 0.4, x - dx * 0.3, TG_M_IM_CLOSESTPOINT), kNoPoint);
  EXPECT_EQ(file.read(y - 0.3 * dy, x + 0.3 * dx, TG_M_IM_4POINT), kNotEnoughData);
  EXPECT_EQ(file.read(grid.north, grid.east()), asSingle(grid.at(0, 7)));
  EXPECT_EQ(file.read(grid.north, grid.east(), TG_M_IM_4POINT), kNotEnoughData);
  EXPECT_EQ(file.read(grid.north + dy * 0.4, grid.lon(2)), kNoPoint);
  EXPECT_EQ(file.read(grid.lat(3), grid.west - dx * 0.4), kNoPoint);
}

// More rows than the table of row starts has room for: a row start is kept every few rows, and
// reads in any order still find every value.
TEST(EsriAscii, TallGridsReadInAnyOrder) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "tall.asc";
  std::vector<double> values(5000 * 3);
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = double(i % 20011) - 1000;
  const ReferenceGrid grid = writeAscii(path, 5000, 3, {.noData = false}, values);
  std::vector<std::size_t> order;
  std::mt19937 random(11);
  std::uniform_int_distribution<std::size_t> any(0, values.size() - 1);
  for (int i = 0; i < 100; ++i)
    order.push_back(any(random));
  order.insert(order.end(), {values.size() - 1, 0, values.size() - 2});
  FormatFile file(path, "esri_ascii");
  expectEveryNode(file, grid, order);
}

// A cell that is no number, or none a Single can hold, is no data (-32100): it never enters an
// interpolation and raises no script error. Values past the end of the file are failed reads.
TEST(EsriAscii, CellsThatAreNoUsableNumberAreNoData) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "cell.asc";
  const std::string header = "ncols 2\nnrows 2\nxllcorner 10\nyllcorner 20\ncellsize 1\n10 ";
  for (const auto& [cell, value] : {std::pair{"abc", -32100.0},
                                    {"1e300", -32100.0},
                                    {"-1e39", -32100.0},
                                    {"3.5e38", -32100.0},
                                    {"1-2", -32100.0},
                                    {"1.5e2", 150.0}}) {
    writeBytes(path, header + cell + "\n10 10\n");
    FormatFile file(path, "esri_ascii");
    file.file().setExecuteMode(TG_F_EM_SILENT);  // a script error would read as -52000
    EXPECT_EQ(file.read(21.5, 11.5), value) << cell;
    EXPECT_EQ(file.read(21, 11, TG_M_IM_4POINT), value == -32100 ? -32101 : (30 + value) / 4)
        << cell;
  }
  writeBytes(path, "ncols 3\nnrows 3\nxllcorner 10\nyllcorner 20\ncellsize 1\n1 2 3\n4 5 0\n7 8\n");
  FormatFile file(path, "esri_ascii");
  EXPECT_EQ(file.read(20.5, 12.5), -52000);  // the file ends early
  EXPECT_EQ(file.read(20.5, 10.5), 7);       // and the cursor recovers
  EXPECT_EQ(file.read(22.5, 12.8), -32100);  // east of the last column's nodes
}

// Headers that do not describe a grid are refused when opened.
TEST(EsriAscii, BadHeadersAreRefused) {
  test::TemporaryFolder folder;
  const std::string corner = "xllcorner 0\nyllcorner 0\n";
  const std::string headers[] = {
      "ncols 2\n" + corner + "cellsize 1\n1 2\n",                         // no nrows
      "ncols 2\nnrows 1\n" + corner + "cellsize -1\n1 2\n",               // negative cell size
      "ncols 2.5\nnrows 1\n" + corner + "cellsize 1\n1 2\n",              // not a whole size
      "ncols 0\nnrows 1\n" + corner + "cellsize 1\n1 2\n",                // empty
      "ncols 2\nnrows 1\n" + corner + "cellsize 1\nzunit m\n1 2\n",       // unknown key
      "ncols 2\nnrows 1\n" + corner + "cellsize 1\n",                     // header only
      "ncols 2\nnrows 1\nxllcenter 0\n" + corner + "cellsize 1\n1 2\n",   // two x
      "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 95\ncellsize 1\n1 2\n",   // off the globe
      "ncols 1\nnrows 2\nxllcorner 0\nyllcorner 89\ncellsize 1\n1\n2\n",  // north row at 90.5
      "ncols 2\nnrows 1\nxllcorner 359.5\nyllcorner 0\ncellsize 1\n1 2\n",
  };
  for (const std::string& header : headers) {
    writeBytes(folder.path() / "bad.asc", header);
    EXPECT_EQ(test::errorNumber([&] { FormatFile file(folder.path() / "bad.asc", "esri_ascii"); }),
              14006)
        << header;
  }
}

}  // namespace
}  // namespace tg::formats_test
