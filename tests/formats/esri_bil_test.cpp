// ESRI BIL rasters through scripts/esri_bil.tgs, checked against the reference reader and
// against what the writer meant.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "formats/format_test_support.hpp"
#include "formats/reference_reader.hpp"
#include "support/test_environment.hpp"
#include "test_support.hpp"

namespace tg::formats_test {
namespace {

constexpr int kRows = 9, kCols = 11;

struct BilCase {
  const char* name;
  BilLayout layout;
  std::vector<double> specials;  // values placed in the first row, to reach the type's extremes
  double noData = -9999;
};

std::vector<double> bilValues(const BilCase& c) {
  std::vector<double> values;
  const bool isFloat = std::string(c.layout.pixelType) == "FLOAT";
  const bool isUnsigned = std::string(c.layout.pixelType) == "UNSIGNEDINT" ||
                          (c.layout.nbits == 8 && std::string(c.layout.pixelType).empty());
  for (int row = 0; row < kRows; ++row) {
    for (int col = 0; col < kCols; ++col) {
      double v = surfaceValue(row, col);
      if (c.layout.nbits == 8) v = std::fmod(std::abs(v), 100.0) - (isUnsigned ? 0 : 50);
      if (isUnsigned && c.layout.nbits > 8) v = std::abs(v) + 10;
      if (isFloat) v += 0.125 * (col % 5);
      values.push_back(v);
    }
  }
  for (std::size_t i = 0; i < c.specials.size(); ++i)
    values[i] = c.specials[i];
  if (c.layout.noData) values[std::size_t(4 * kCols + 5)] = c.noData;
  return values;
}

class EsriBilLayouts : public ::testing::TestWithParam<BilCase> {};

// Every node reads its value, with the void where the label's NODATA is, and closest and
// 4-point reads agree with the reference reader.
TEST_P(EsriBilLayouts, EveryNodeAndInterpolatedReads) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "grid.bil";
  const std::vector<double> values = bilValues(GetParam());
  writeBil(path, kRows, kCols, GetParam().layout, values, GetParam().noData);
  const ReferenceGrid grid = readEsriBil(path);
  if (!GetParam().specials.empty()) {
    ASSERT_EQ(grid.at(0, 0), GetParam().specials[0]);
  }
  if (GetParam().layout.noData) {
    ASSERT_EQ(grid.at(4, 5), kNoPoint);
  }
  FormatFile file(path, "esri_bil");
  EXPECT_EQ(file.attribute("left_lon"), kBilWest);
  EXPECT_NEAR(file.attribute("top_lat"), kBilNorth, 1e-8);
  EXPECT_NEAR(file.attribute("right_lon"), kBilWest + (kCols - 1) * kBilXdim, 1e-8);
  EXPECT_EQ(file.attribute("bottom_lat"), kBilNorth - (kRows - 1) * kBilYdim);
  expectEveryNode(file, grid, nodesInOrder(grid));
  expectAgreesWithReference(file, grid, 200);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, EsriBilLayouts,
    ::testing::Values(
        BilCase{"int16_intel", {}, {-32767, 32767, -1, 128, -128, 255, -256}},
        BilCase{"int16_motorola", {.motorola = true}, {-32767, 32767, -1, 128, -128, 255, -256}},
        BilCase{"int16_no_pixeltype", {.pixelType = ""}, {-20000, -1}},
        BilCase{"uint16_motorola",
                {.pixelType = "UNSIGNEDINT", .motorola = true},
                {65534, 32768, 0},
                65535},
        BilCase{"int32_intel", {.nbits = 32}, {-2000000, 2000000, -1}},
        BilCase{"int32_motorola_skip",
                {.nbits = 32, .motorola = true, .skipBytes = 37},
                {-2000000, 1 << 24, -1}},
        BilCase{"uint32_intel",
                {.nbits = 32, .pixelType = "UNSIGNEDINT"},
                {4000000000.0},
                4294967295.0},
        BilCase{"float_intel", {.nbits = 32, .pixelType = "FLOAT"}, {-0.5, 1e-3, 0}},
        BilCase{"float_motorola_skip",
                {.nbits = 32, .pixelType = "FLOAT", .motorola = true, .skipBytes = 100},
                {-0.5, 1e-3, 0, 3.0e-39, -1.5e-44, 16777217, 8848.125}},
        BilCase{"uint8", {.nbits = 8, .pixelType = ""}, {255, 0, 128}, 200},
        BilCase{"int8", {.nbits = 8, .pixelType = "SIGNEDINT"}, {-128, 127, -1}, 99},
        BilCase{"bil_two_bands_padded", {.bands = 2, .rowPadding = 6}, {}},
        BilCase{"bip_three_bands", {.layout = "BIP", .bands = 3}, {}},
        BilCase{"bsq_two_bands_motorola", {.motorola = true, .layout = "BSQ", .bands = 2}, {}},
        BilCase{"lower_case_keys", {.lowerKeys = true}, {}},
        BilCase{"no_nodata", {.noData = false}, {-9999}}),
    [](const ::testing::TestParamInfo<BilCase>& info) { return std::string(info.param.name); });

// NaN floats are voids as well as NODATA ones.
TEST(EsriBil, NotANumberIsVoid) {
  test::TemporaryFolder folder;
  for (const bool motorola : {false, true}) {
    const auto path = folder.path() / (motorola ? "m.bil" : "i.bil");
    std::vector<double> values(6, 12.5);
    values[1] = std::numeric_limits<double>::quiet_NaN();
    values[2] = std::numeric_limits<double>::infinity();
    writeBil(path, 2, 3, {.nbits = 32, .pixelType = "FLOAT", .motorola = motorola}, values);
    FormatFile file(path, "esri_bil");
    EXPECT_EQ(file.read(kBilNorth, kBilWest), 12.5);
    EXPECT_EQ(file.read(kBilNorth, kBilWest + kBilXdim), kNoPoint) << (motorola ? "M" : "I");
    EXPECT_EQ(file.read(kBilNorth, kBilWest + 2 * kBilXdim), kNoPoint) << (motorola ? "M" : "I");
    EXPECT_EQ(file.read(kBilNorth - kBilYdim / 2, kBilWest + kBilXdim / 2, TG_M_IM_4POINT),
              kNotEnoughData);
  }
}

TEST(EsriBil, NorthEastCornerAndOutside) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "corner.bil";
  std::vector<double> values(kRows * kCols, 500);
  values[kCols - 1] = 321;
  writeBil(path, kRows, kCols, {}, values);
  FormatFile file(path, "esri_bil");
  const double east = kBilWest + (kCols - 1) * kBilXdim;
  EXPECT_EQ(file.read(kBilNorth, east), 321);
  EXPECT_EQ(file.read(kBilNorth, east, TG_M_IM_4POINT), kNotEnoughData);
  EXPECT_EQ(file.read(kBilNorth - kBilYdim / 2, east - kBilXdim / 2, TG_M_IM_4POINT),
            (321 + 500 * 3) / 4.0);
  EXPECT_EQ(file.read(kBilNorth + kBilYdim, east - kBilXdim), kNoPoint);
  EXPECT_EQ(file.read(kBilNorth - kBilYdim, east + kBilXdim * 0.4), kNoPoint);
}

// Labels and rasters that do not make a grid are refused when opened.
TEST(EsriBil, BadLabelsAndShortRastersAreRefused) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "bad.bil";
  const std::string complete =
      "NROWS 2\nNCOLS 3\nNBITS 16\nULXMAP 10\nULYMAP 20\nXDIM 0.5\nYDIM 0.5\n";
  const struct {
    const char* why;
    std::string label;
    std::size_t rasterBytes;
  } cases[] = {
      {"raster one byte short", complete, 11},
      {"skipped bytes make it short", complete + "SKIPBYTES 4\n", 14},
      {"no NROWS", "NCOLS 3\nNBITS 16\nULXMAP 10\nULYMAP 20\nXDIM 0.5\nYDIM 0.5\n", 12},
      {"no ULXMAP", "NROWS 2\nNCOLS 3\nNBITS 16\nULYMAP 20\nXDIM 0.5\nYDIM 0.5\n", 12},
      {"no YDIM", "NROWS 2\nNCOLS 3\nNBITS 16\nULXMAP 10\nULYMAP 20\nXDIM 0.5\n", 12},
      {"12 bits", "NROWS 2\nNCOLS 3\nNBITS 12\nULXMAP 10\nULYMAP 20\nXDIM 0.5\nYDIM 0.5\n", 12},
      {"16-bit float", complete + "PIXELTYPE FLOAT\n", 12},
      {"byte order Z", complete + "BYTEORDER Z\n", 12},
      {"layout XYZ", complete + "LAYOUT XYZ\n", 12},
      {"rows not a number",
       "NROWS x\nNCOLS 3\nNBITS 16\nULXMAP 10\nULYMAP 20\nXDIM 0.5\nYDIM 0.5\n", 12},
      {"negative XDIM", "NROWS 2\nNCOLS 3\nNBITS 16\nULXMAP 10\nULYMAP 20\nXDIM -0.5\nYDIM 0.5\n",
       12},
      {"empty label", "", 12},
  };
  for (const auto& c : cases) {
    writeBytes(path, std::string(c.rasterBytes, '\0'));
    writeBytes(folder.path() / "bad.hdr", c.label);
    EXPECT_EQ(test::errorNumber([&] { FormatFile file(path, "esri_bil"); }), 14006) << c.why;
  }
  // The complete label over a raster of the right size is accepted, and a missing label is not.
  writeBytes(path, std::string(12, '\0'));
  writeBytes(folder.path() / "bad.hdr", complete);
  EXPECT_EQ(test::errorNumber([&] { FormatFile file(path, "esri_bil"); }), 0);
  std::filesystem::remove(folder.path() / "bad.hdr");
  EXPECT_EQ(test::errorNumber([&] { FormatFile file(path, "esri_bil"); }), 14006);
}

}  // namespace
}  // namespace tg::formats_test
