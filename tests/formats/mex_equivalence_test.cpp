// Direct grid access against the format scripts: the same file opened twice, read directly where
// the script declares its layout and through the script, at the same positions in every mode.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "formats/format_test_support.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/mex.hpp"

namespace tg::formats_test {
namespace {

namespace fs = std::filesystem;
using Writer = std::function<fs::path(const fs::path& folder)>;

// A 3 arc-second tile: a surface, voids inside and on the edges.
fs::path writeSrtmTile(const fs::path& folder) {
  constexpr int kSamples = 1201;
  std::string bytes(std::size_t(kSamples) * kSamples * 2, '\0');
  for (int row = 0; row < kSamples; ++row) {
    for (int col = 0; col < kSamples; ++col) {
      const bool isVoid = (row == 3 && col == 4) || (row == 0 && col == 7) ||
                          (row == 1200 && col == 9) || (col == 0 && row == 11) ||
                          (row == 600 && col == 600);
      const auto bits = std::uint16_t(isVoid ? -32768 : int(surfaceValue(row, col) * 3 - 400));
      const std::size_t at = (std::size_t(row) * kSamples + std::size_t(col)) * 2;
      bytes[at] = char(bits >> 8);
      bytes[at + 1] = char(bits & 0xFF);
    }
  }
  writeBytes(folder / "N46W122.hgt", bytes);
  return folder / "N46W122.hgt";
}

// A 9 x 11 BIL raster of the layout, voids in the middle, at a corner and on an edge.
Writer bil(BilLayout layout, double voidValue) {
  return [layout, voidValue](const fs::path& folder) {
    constexpr int kRows = 9, kCols = 11;
    std::vector<double> values = bilValues(layout, kRows, kCols);
    for (const int at : {4 * kCols + 5, 0, kCols * 3})
      values[std::size_t(at)] = voidValue;
    writeBil(folder / "grid.bil", kRows, kCols, layout, values, voidValue);
    return folder / "grid.bil";
  };
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

const double kNan = std::nan("");
const MexCase kCases[] = {
    {"srtm_3_seconds", "srtm_hgt", writeSrtmTile, true},
    {"bil_8_unsigned_nodata_0", "esri_bil", bil(layout(8, "UNSIGNEDINT", true, true), 0), true},
    {"bil_16_motorola_nodata_min", "esri_bil", bil(layout(16, "", true, true), -32768), true},
    {"bil_32_motorola_nodata_min", "esri_bil",
     bil(layout(32, "SIGNEDINT", true, true), -2147483648.0), true},
    {"bil_float_motorola_nodata", "esri_bil",
     bil(layout(32, "FLOAT", true, true), -3.4028234663852886e38), true},
    {"bil_bip_three_bands", "esri_bil",
     bil(layout(16, "SIGNEDINT", false, false, "BIP", 3), -32768), true},
    {"bil_bsq_skip", "esri_bil", bil(layout(16, "SIGNEDINT", true, false, "BSQ", 2, 12), -32768),
     true},
    {"bil_padded_rows_skip", "esri_bil",
     bil(layout(32, "FLOAT", false, false, "BIL", 2, 7, 6), kNan), true},
    // What the library cannot read as the script does stays with the script.
    {"bil_8_signed", "esri_bil", bil(layout(8, "SIGNEDINT", false), -50), false},
    {"bil_16_nodata_inside", "esri_bil", bil(layout(16, "SIGNEDINT", false, true), -9999), false},
    {"esri_ascii", "esri_ascii",
     [](const fs::path& folder) {
       std::vector<double> values;
       for (int i = 0; i < 6 * 7; ++i)
         values.push_back(i == 9 ? -9999 : surfaceValue(i / 7, i % 7));
       writeAscii(folder / "grid.asc", 6, 7, AsciiLayout{}, values);
       return folder / "grid.asc";
     },
     false},
};

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
