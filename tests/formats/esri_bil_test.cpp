// ESRI BIL rasters through scripts/esri_bil.tgs, checked against what the writer meant.
#include "formats/format_test_support.hpp"

namespace tg::formats_test {
namespace {

constexpr int kRows = 9, kCols = 11;

struct BilCase {
  const char* name;
  BilLayout layout;
  std::vector<double> specials;  // values placed in the first row, to reach the type's extremes
  double noData = -9999;
};

class EsriBilLayouts : public ::testing::TestWithParam<BilCase> {};

// Every node reads its value, with the void where the label's NODATA is, and closest and
// 4-point reads agree with the grid.
TEST_P(EsriBilLayouts, EveryNodeAndInterpolatedReads) {
  test::TemporaryFolder folder;
  const auto path = folder.path() / "grid.bil";
  const BilCase& c = GetParam();
  std::vector<double> values = bilValues(c.layout, kRows, kCols);
  std::copy(c.specials.begin(), c.specials.end(), values.begin());
  if (c.layout.noData) values[std::size_t(4 * kCols + 5)] = c.noData;
  const ReferenceGrid grid = writeBil(path, kRows, kCols, c.layout, values, c.noData);
  FormatFile file(path, "esri_bil");
  EXPECT_EQ(file.attribute("left_lon"), kBilWest);
  EXPECT_EQ(file.attribute("bottom_lat"), kBilNorth - (kRows - 1) * kBilYdim);
  expectEveryNode(file, grid, nodesInOrder(grid));
  expectAgreesWithReference(file, grid, 200);
}

// clang-format off
const BilCase kLabels[] = {
    {"int16_motorola", {.motorola = true}, {-32767, 32767, -1, 128, -128, 255, -256}},
    {"uint16_motorola", {.pixelType = "UNSIGNEDINT", .motorola = true}, {65534, 32768, 0}, 65535},
    {"int32_motorola_skip", {.nbits = 32, .motorola = true, .skipBytes = 37},
     {-2000000, 1 << 24, -1}},
    {"uint32_intel", {.nbits = 32, .pixelType = "UNSIGNEDINT"}, {4000000000.0}, 4294967295.0},
    {"float_motorola_skip", {.nbits = 32, .pixelType = "FLOAT", .motorola = true, .skipBytes = 100},
     {-0.5, 1e-3, 0, 3.0e-39, -1.5e-44, 16777217, 8848.125}},
    {"uint8", {.nbits = 8, .pixelType = ""}, {255, 0, 128}, 200},
    {"int8", {.nbits = 8, .pixelType = "SIGNEDINT"}, {-128, 127, -1}, 99},
    {"bil_two_bands_padded_lower_keys", {.bands = 2, .rowPadding = 6, .lowerKeys = true}, {}},
    {"bip_three_bands", {.layout = "BIP", .bands = 3}, {}},
    {"bsq_two_bands_motorola", {.motorola = true, .layout = "BSQ", .bands = 2}, {}},
    {"no_nodata", {.noData = false}, {-9999}}};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Labels, EsriBilLayouts, ::testing::ValuesIn(kLabels),
                         [](const auto& info) { return std::string(info.param.name); });

// NaN and infinite floats are voids as well as NODATA ones; the north-east corner's cell lies
// outside the grid, and so does anything beyond the outer nodes.
TEST(EsriBil, VoidsAndTheNorthEastCorner) {
  test::TemporaryFolder folder;
  for (const bool motorola : {false, true}) {
    const auto path = folder.path() / (motorola ? "m.bil" : "i.bil");
    std::vector<double> values(6, 12.5);
    values[1] = std::numeric_limits<double>::quiet_NaN();
    values[2] = std::numeric_limits<double>::infinity();
    writeBil(path, 2, 3, {.nbits = 32, .pixelType = "FLOAT", .motorola = motorola}, values);
    FormatFile file(path, "esri_bil");
    EXPECT_EQ(file.read(kBilNorth, kBilWest + kBilXdim), kNoPoint) << motorola;
    EXPECT_EQ(file.read(kBilNorth, kBilWest + 2 * kBilXdim), kNoPoint) << motorola;
  }
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
  const auto edited = [&](const std::string& from, const std::string& to) {
    return std::string(complete).replace(complete.find(from), from.size(), to);
  };
  // clang-format off
  const std::tuple<const char*, std::string, std::size_t> cases[] = {
      {"raster one byte short", complete, 11},
      {"skipped bytes make it short", complete + "SKIPBYTES 4\n", 14},
      {"no NROWS", edited("NROWS 2\n", ""), 12},
      {"12 bits", edited("NBITS 16", "NBITS 12"), 12},
      {"16-bit float", complete + "PIXELTYPE FLOAT\n", 12},
      {"byte order Z", complete + "BYTEORDER Z\n", 12},
      {"negative XDIM", edited("XDIM 0.5", "XDIM -0.5"), 12}};
  // clang-format on
  for (const auto& [why, label, rasterBytes] : cases) {
    writeBytes(path, std::string(rasterBytes, '\0'));
    writeBytes(folder.path() / "bad.hdr", label);
    EXPECT_EQ(test::errorNumber([&] { FormatFile file(path, "esri_bil"); }), 14006) << why;
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
