// Direct grid access gives the answers the format scripts give: the same file opened twice, once
// as openSource leaves it (reading cells directly where the script declares its layout) and once
// with direct access switched off (running the script), read at the same positions in every
// interpolation mode: random positions over the grid and a cell and a half beyond it, every
// node's neighbourhood near the edges, and voids.
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

// A 3 arc-second tile: a surface, voids inside and on the edges.
void writeSrtmTile(const std::filesystem::path& path) {
  constexpr int kSamples = 1201;
  std::string bytes(std::size_t(kSamples) * kSamples * 2, '\0');
  for (int row = 0; row < kSamples; ++row) {
    for (int col = 0; col < kSamples; ++col) {
      auto value = std::int16_t(surfaceValue(row, col) * 3 - 400);
      if ((row == 3 && col == 4) || (row == 0 && col == 7) || (row == 1200 && col == 9) ||
          (col == 0 && row == 11) || (row == 600 && col == 600)) {
        value = -32768;
      }
      const auto bits = std::uint16_t(value);
      const std::size_t at = (std::size_t(row) * kSamples + std::size_t(col)) * 2;
      bytes[at] = char(bits >> 8);
      bytes[at + 1] = char(bits & 0xFF);
    }
  }
  writeBytes(path, bytes);
}

constexpr int kBilRows = 9, kBilCols = 11;

std::vector<double> bilValues(const BilLayout& layout, double voidValue) {
  std::vector<double> values;
  const std::string kind = layout.pixelType;
  for (int row = 0; row < kBilRows; ++row) {
    for (int col = 0; col < kBilCols; ++col) {
      double v = surfaceValue(row, col);
      if (layout.nbits == 8) v = std::fmod(std::abs(v), 100.0) + (kind == "SIGNEDINT" ? -50 : 0);
      if (kind == "UNSIGNEDINT") v = std::abs(v) + 10;
      if (kind == "FLOAT") v += 0.125 * (col % 5);
      values.push_back(v);
    }
  }
  // Voids in the middle, at a corner and on an edge.
  for (const std::size_t at :
       {std::size_t(4 * kBilCols + 5), std::size_t(0), std::size_t(kBilCols * 3)})
    values[at] = voidValue;
  return values;
}

struct MexCase {
  const char* name;
  const char* script;
  std::function<std::filesystem::path(const std::filesystem::path& folder)> write;
  bool direct;  // whether the script lets the library read the cells directly
};

std::function<std::filesystem::path(const std::filesystem::path&)> bil(BilLayout layout,
                                                                       double noData) {
  return [layout, noData](const std::filesystem::path& folder) {
    const std::filesystem::path path = folder / "grid.bil";
    writeBil(path, kBilRows, kBilCols, layout, bilValues(layout, noData), noData);
    return path;
  };
}

BilLayout bilLayout(int nbits, const char* pixelType, bool motorola, bool noData = false) {
  BilLayout layout;
  layout.nbits = nbits;
  layout.pixelType = pixelType;
  layout.motorola = motorola;
  layout.noData = noData;
  return layout;
}

BilLayout withBands(BilLayout layout, const char* kind, int bands, int skip, int padding) {
  layout.layout = kind;
  layout.bands = bands;
  layout.skipBytes = skip;
  layout.rowPadding = padding;
  return layout;
}

const MexCase kCases[] = {
    {"srtm_3_seconds", "srtm_hgt",
     [](const std::filesystem::path& folder) {
       const auto path = folder / "N46W122.hgt";
       writeSrtmTile(path);
       return path;
     },
     true},
    {"bil_8_unsigned", "esri_bil", bil(bilLayout(8, "", false), 0), true},
    {"bil_8_unsigned_nodata_0", "esri_bil", bil(bilLayout(8, "UNSIGNEDINT", true, true), 0), true},
    {"bil_16_intel", "esri_bil", bil(bilLayout(16, "SIGNEDINT", false), -32768), true},
    {"bil_16_motorola_nodata_min", "esri_bil", bil(bilLayout(16, "", true, true), -32768), true},
    {"bil_32_intel", "esri_bil", bil(bilLayout(32, "SIGNEDINT", false), -2147483648.0), true},
    {"bil_32_motorola_nodata_min", "esri_bil",
     bil(bilLayout(32, "SIGNEDINT", true, true), -2147483648.0), true},
    {"bil_float_intel", "esri_bil", bil(bilLayout(32, "FLOAT", false), std::nan("")), true},
    {"bil_float_motorola_nodata", "esri_bil",
     bil(bilLayout(32, "FLOAT", true, true), -3.4028234663852886e38), true},
    {"bil_bip_three_bands", "esri_bil",
     bil(withBands(bilLayout(16, "SIGNEDINT", false), "BIP", 3, 0, 0), -32768), true},
    {"bil_bsq_skip", "esri_bil",
     bil(withBands(bilLayout(16, "SIGNEDINT", true), "BSQ", 2, 12, 0), -32768), true},
    {"bil_padded_rows_skip", "esri_bil",
     bil(withBands(bilLayout(32, "FLOAT", false), "BIL", 2, 7, 6), std::nan("")), true},
    // What the library cannot read as the script does stays with the script.
    {"bil_8_signed", "esri_bil", bil(bilLayout(8, "SIGNEDINT", false), -50), false},
    {"bil_16_unsigned", "esri_bil", bil(bilLayout(16, "UNSIGNEDINT", false), 10), false},
    {"bil_16_nodata_inside", "esri_bil", bil(bilLayout(16, "SIGNEDINT", false, true), -9999),
     false},
    {"esri_ascii", "esri_ascii",
     [](const std::filesystem::path& folder) {
       const auto path = folder / "grid.asc";
       std::vector<double> values;
       for (int i = 0; i < 6 * 7; ++i)
         values.push_back(i == 9 ? -9999 : surfaceValue(i / 7, i % 7));
       writeAscii(path, 6, 7, AsciiLayout{}, values);
       return path;
     },
     false},
};

class MexEquivalence : public ::testing::TestWithParam<MexCase> {};

struct Bounds {
  double north, south, west, east, xres, yres;
};

// Positions to read: random ones over the grid and a cell and a half beyond, and the
// neighbourhood of the corners and edges, a hair inside and outside their lines (exactly on a
// line the two ways of finding the cell below a position may pick neighbouring cells).
std::vector<std::pair<double, double>> positions(const Bounds& b) {
  std::vector<std::pair<double, double>> out;
  std::mt19937 random(11);
  std::uniform_real_distribution<double> lat(b.south - 1.5 * b.yres, b.north + 1.5 * b.yres);
  std::uniform_real_distribution<double> lon(b.west - 1.5 * b.xres, b.east + 1.5 * b.xres);
  for (int i = 0; i < 600; ++i)
    out.emplace_back(lat(random), lon(random));
  const double hairX = b.xres * 1e-6, hairY = b.yres * 1e-6;
  for (const double y : {b.north, b.south, b.north - 2.5 * b.yres, b.south + 1.25 * b.yres}) {
    for (const double x : {b.west, b.east, b.west + 1.5 * b.xres, b.east - 3.75 * b.xres}) {
      for (const double dy : {-hairY, hairY, -0.3 * b.yres, 0.3 * b.yres}) {
        for (const double dx : {-hairX, hairX, -0.3 * b.xres, 0.3 * b.xres})
          out.emplace_back(y + dy, x + dx);
      }
    }
  }
  return out;
}

bool reserved(double value) {
  return value == -32100 || value == -32101 || value == -52000;
}

TEST_P(MexEquivalence, DirectReadsAnswerAsTheScriptDoes) {
  const MexCase& c = GetParam();
  test::TemporaryFolder folder;
  const std::filesystem::path path = c.write(folder.path());
  FormatFile direct(path, c.script);
  FormatFile scripted(path, c.script);
  scripted.machine().setEnableMEX(false);
  ASSERT_EQ(direct.machine().enableMEX(), c.direct);
  ASSERT_FALSE(scripted.machine().enableMEX());

  const Bounds b{direct.attribute("top_lat"),  direct.attribute("bottom_lat"),
                 direct.attribute("left_lon"), direct.attribute("right_lon"),
                 direct.attribute("xres"),     direct.attribute("yres")};
  long compared = 0, mismatches = 0;
  for (const auto mode :
       {TG_M_IM_NONE, TG_M_IM_CLOSESTPOINT, TG_M_IM_4POINT, TG_M_IM_12POINT, TG_M_IM_MAX4}) {
    for (const auto& [lat, lon] : positions(b)) {
      // The script answers a position beyond its outer nodes itself (no data), where the
      // direct read rounds to the nearest node first; the machine's closest mode rounds on
      // both paths.
      const bool outside = lat > b.north || lat < b.south || lon < b.west || lon > b.east;
      if (mode == TG_M_IM_NONE && outside) continue;
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
