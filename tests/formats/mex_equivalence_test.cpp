// Direct grid access against the format scripts: the same file opened twice, read directly where
// the script declares its layout and through the script, at the same positions in every mode.
#include "formats/format_test_support.hpp"

namespace tg::formats_test {
namespace {

namespace fs = std::filesystem;
using Writer = std::function<fs::path(const fs::path& folder)>;

// A 3 arc-second tile: a surface, voids inside and on the edges.
fs::path writeTile(const fs::path& folder) {
  writeSrtmTile(folder / "N46W122.hgt", [](int row, int col) {
    const bool isVoid = (row == 3 && col == 4) || (row == 0 && col == 7) ||
                        (row == 1200 && col == 9) || (col == 0 && row == 11) ||
                        (row == 600 && col == 600);
    return isVoid ? -32768 : surfaceValue(row, col) * 3 - 400;
  });
  return folder / "N46W122.hgt";
}

BilLayout layout(int nbits, const char* kind, bool motorola, bool noData = false,
                 const char* bands = "BIL", int count = 1, int skip = 0, int padding = 0) {
  return {nbits, kind, motorola, skip, bands, count, padding, false, noData};
}

struct MexCase {
  const char *name, *script;
  Writer write;
  bool direct;  // whether the script lets the library read the cells directly
};

const double kNan = std::nan(""), kLowestSingle = -3.4028234663852886e38;

// A 9 x 11 BIL raster of the layout, voids in the middle, at a corner and on an edge.
MexCase bilCase(const char* name, BilLayout layout, double voidValue, bool direct) {
  const Writer write = [layout, voidValue](const fs::path& folder) {
    constexpr int kRows = 9, kCols = 11;
    std::vector<double> values = bilValues(layout, kRows, kCols);
    for (const int at : {4 * kCols + 5, 0, kCols * 3})
      values[std::size_t(at)] = voidValue;
    writeBil(folder / "grid.bil", kRows, kCols, layout, values, voidValue);
    return folder / "grid.bil";
  };
  return {name, "esri_bil", write, direct};
}

// A 6 x 7 ESRI ASCII grid with one NODATA cell.
fs::path writeAsciiGrid(const fs::path& folder) {
  std::vector<double> values;
  for (int i = 0; i < 6 * 7; ++i)
    values.push_back(i == 9 ? -9999 : surfaceValue(i / 7, i % 7));
  writeAscii(folder / "grid.asc", 6, 7, AsciiLayout{}, values);
  return folder / "grid.asc";
}

// What the library cannot read as the script does (the last three) stays with the script.
// clang-format off
const MexCase kCases[] = {
    {"srtm_3_seconds", "srtm_hgt", writeTile, true},
    bilCase("bil_8_unsigned_nodata_0", layout(8, "UNSIGNEDINT", true, true), 0, true),
    bilCase("bil_16_motorola_nodata_min", layout(16, "", true, true), -32768, true),
    bilCase("bil_32_motorola_nodata_min", layout(32, "SIGNEDINT", true, true), -2147483648.0, true),
    bilCase("bil_float_motorola_nodata", layout(32, "FLOAT", true, true), kLowestSingle, true),
    bilCase("bil_bip_three_bands", layout(16, "SIGNEDINT", false, false, "BIP", 3), -32768, true),
    bilCase("bil_bsq_skip", layout(16, "SIGNEDINT", true, false, "BSQ", 2, 12), -32768, true),
    bilCase("bil_padded_rows_skip", layout(32, "FLOAT", false, false, "BIL", 2, 7, 6), kNan, true),
    bilCase("bil_8_signed", layout(8, "SIGNEDINT", false), -50, false),
    bilCase("bil_16_nodata_inside", layout(16, "SIGNEDINT", false, true), -9999, false),
    {"esri_ascii", "esri_ascii", writeAsciiGrid, false}};
// clang-format on

class MexEquivalence : public ::testing::TestWithParam<MexCase> {};

bool reserved(double value) {
  return value == -32100 || value == -32101 || value == -52000;
}

TEST_P(MexEquivalence, DirectReadsAnswerAsTheScriptDoes) {
  const MexCase& c = GetParam();
  test::TemporaryFolder folder;
  const fs::path path = c.write(folder.path());
  FormatFile direct(path, c.script);
  FormatFile scripted(path, c.script);
  scripted.machine().setEnableMEX(false);
  ASSERT_EQ(direct.machine().enableMEX(), c.direct);

  const double north = direct.attribute("top_lat"), south = direct.attribute("bottom_lat");
  const double west = direct.attribute("left_lon"), east = direct.attribute("right_lon");
  const double xres = direct.attribute("xres"), yres = direct.attribute("yres");
  // Random positions over the grid and a cell and a half beyond it; the neighbourhood of the
  // corners and edges, a hair off their lines (on a line the two paths may pick either cell).
  std::vector<std::pair<double, double>> positions;
  std::mt19937 random(11);
  std::uniform_real_distribution<double> lat(south - 1.5 * yres, north + 1.5 * yres);
  std::uniform_real_distribution<double> lon(west - 1.5 * xres, east + 1.5 * xres);
  for (int i = 0; i < 300; ++i)
    positions.emplace_back(lat(random), lon(random));
  for (const double y : {north, south, north - 2.5 * yres, south + 1.25 * yres})
    for (const double x : {west, east, west + 1.5 * xres, east - 3.75 * xres})
      for (const double dy : {-1e-6, 1e-6, -0.3, 0.3})
        for (const double dx : {-1e-6, 1e-6, -0.3, 0.3})
          positions.emplace_back(y + dy * yres, x + dx * xres);

  long compared = 0, mismatches = 0;
  for (const auto mode :
       {TG_M_IM_NONE, TG_M_IM_CLOSESTPOINT, TG_M_IM_4POINT, TG_M_IM_12POINT, TG_M_IM_MAX4}) {
    for (const auto& [lat, lon] : positions) {
      // Beyond the outer nodes mode none answers no data by script and the nearest node
      // directly; before the first column or row the direct path truncates toward zero.
      const bool outside = lat > north || lat < south || lon < west || lon > east;
      const bool interpolated = mode != TG_M_IM_NONE && mode != TG_M_IM_CLOSESTPOINT;
      if (c.direct &&
          (mode == TG_M_IM_NONE ? outside : interpolated && (lat > north || lon < west)))
        continue;
      const double want = scripted.read(lat, lon, mode);
      const double got = direct.read(lat, lon, mode);
      ++compared;
      const bool same = reserved(want) || reserved(got)
                            ? want == got
                            : std::abs(got - want) <= 2e-5 * std::max(1.0, std::abs(want));
      if (!same && ++mismatches <= 8) {
        ADD_FAILURE() << "mode " << int(mode) << " at " << lat << ", " << lon << ": direct " << got
                      << ", script " << want;
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << compared;
}

INSTANTIATE_TEST_SUITE_P(Formats, MexEquivalence, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tg::formats_test
