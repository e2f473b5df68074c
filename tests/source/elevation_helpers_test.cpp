// Numeric helpers: combining gathered points, the byte swap, UTM both ways and its entry point.
#include "source/elevation_helpers.hpp"

#include <gtest/gtest.h>
#include <proj.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tessaglyph/error.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

// ---- Combining gathered points ----------------------------------------------------------------

constexpr int kLayout[12][2] = {{1, 0}, {0, 0}, {0, 1}, {1, 1},  {-1, 1}, {0, 2},
                                {1, 2}, {2, 1}, {2, 0}, {1, -1}, {0, -1}, {-1, 0}};

struct Gathered {
  std::vector<Double> x, y;
  std::vector<Single> z;
};

using Surface = std::function<double(double, double)>;

// The points of the interpolation layout around the cell at (gx, gy), valued from a surface.
Gathered gather(double gx, double gy, double xRes, double yRes, int count, const Surface& f) {
  Gathered points;
  for (int k = 0; k < count; ++k) {
    const double x = gx + kLayout[k][0] * xRes;
    const double y = gy + kLayout[k][1] * yRes;
    points.x.push_back(x);
    points.y.push_back(y);
    points.z.push_back(static_cast<Single>(f(x, y)));
  }
  return points;
}

Single combine(const Gathered& p, double targetY, double targetX, bool twelve) {
  const Integer count = twelve ? 12 : 4;
  const Integer method = twelve ? 1 : 0;
  Long work1 = 0, work2 = 0;
  Single result = 0;
  _elv_interp(targetY, targetX, count, method, p.y[0], p.x[0], p.z[0], work1, work2, result);
  return result;
}

// Small integer surfaces on an integer grid are exact in Single: an exact scheme hits them.
struct ExactCase {
  const char* name;
  bool twelve;
  // Coefficients of 1, x, y, x^2, xy, y^2, x^3, x^2y, xy^2, y^3, x^3y, xy^3.
  std::array<int, 12> mask;  // which terms the surface may use
};

const ExactCase kExactCases[] = {
    {"bilinear with 4 points", false, {1, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}},
    {"whole 12-term space with 12 points", true, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}}};

double evaluate(const std::array<double, 12>& c, double x, double y) {
  const double terms[12] = {
      1,         x,         y,         x * x,     x * y,         y * y,
      x * x * x, x * x * y, x * y * y, y * y * y, x * x * x * y, x * y * y * y};
  return std::inner_product(c.begin(), c.end(), terms, 0.0);
}

TEST(ElevationInterpolation, ReproducesItsSurfacesExactlyOnTheRegularLayout) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> coefficient(-9, 9), origin(-6, 6), spacing(1, 3);
  std::uniform_real_distribution<double> inside(-0.25, 1.25);  // extrapolation a little too
  for (const ExactCase& c : kExactCases) {
    for (int trial = 0; trial < 60; ++trial) {
      std::array<double, 12> k{};
      for (int t = 0; t < 12; ++t)
        k[t] = c.mask[t] * coefficient(random);
      const double gx = origin(random), gy = origin(random);
      const double xRes = spacing(random), yRes = spacing(random);
      const Surface f = [&](double x, double y) { return evaluate(k, x, y); };
      const Gathered points = gather(gx, gy, xRes, yRes, c.twelve ? 12 : 4, f);
      const double tx = gx + inside(random) * xRes, ty = gy + inside(random) * yRes;
      const Single expected = static_cast<Single>(f(tx, ty));
      EXPECT_NEAR(combine(points, ty, tx, c.twelve), expected, std::abs(expected) * 1.2e-7 + 1e-6)
          << c.name << " trial " << trial;
    }
  }
}

TEST(ElevationInterpolation, WorksInMetreCoordinatesAndAnyPointOrder) {
  // UTM-sized coordinates, a 30 m grid, points in shuffled order, realistic elevations.
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0, 1);
  for (bool twelve : {false, true}) {
    for (int trial = 0; trial < 50; ++trial) {
      const double a = 300 + 100 * unit(random), b = unit(random) - 0.5, c = unit(random) - 0.5,
                   d = (unit(random) - 0.5) * 1e-3, e = twelve ? (unit(random) - 0.5) * 1e-3 : 0.0;
      const Surface f = [&](double x, double y) {
        const double u = x - 512000, v = y - 4410000;
        return a + b * u + c * v + d * u * v + e * (u * u - v * v);
      };
      const Gathered points = gather(512000, 4410000, 30, 30, twelve ? 12 : 4, f);
      Gathered shuffled = points;
      for (auto* v : {&shuffled.x, &shuffled.y})
        std::shuffle(v->begin(), v->end(), std::mt19937(unsigned(trial)));
      std::shuffle(shuffled.z.begin(), shuffled.z.end(), std::mt19937(unsigned(trial)));
      const double tx = 512000 + 30 * unit(random), ty = 4410000 + 30 * unit(random);
      const double expected = f(tx, ty);
      EXPECT_NEAR(combine(points, ty, tx, twelve), expected, 1e-3) << "regular, trial " << trial;
      EXPECT_NEAR(combine(shuffled, ty, tx, twelve), expected, 1e-3) << "shuffled, trial " << trial;
    }
  }
}

TEST(ElevationInterpolation, UndeterminedLayoutsStillGiveAValue) {
  // One position four times cannot be fitted: weighted by distance, a point on it is itself.
  Gathered same{{10, 10, 10, 10}, {5, 5, 5, 5}, {1, 2, 3, 6}};
  EXPECT_FLOAT_EQ(combine(same, 6, 11, false), 3.0f);
  EXPECT_FLOAT_EQ(combine(same, 5, 10, false), 1.0f);
}

TEST(ElevationInterpolation, RejectsAMethodOrCountItCannotUse) {
  const Gathered points = gather(0, 0, 1, 1, 12, [](double, double) { return 1; });
  Long work1 = 0, work2 = 0;
  Single result = 42;
  for (const auto& [count, method] : {std::pair{4, 1}, {3, 0}, {12, 2}, {12, -1}})
    EXPECT_EQ(test::errorNumber([&] {
                _elv_interp(0.5, 0.5, Integer(count), Integer(method), points.y[0], points.x[0],
                            points.z[0], work1, work2, result);
              }),
              PLATFORM_E_INVALIDPROCEDURECALL)
        << count << " points, method " << method;
  EXPECT_EQ(result, 42);
}

// ---- Byte order -------------------------------------------------------------------------------

TEST(SwapBytes4, ReversesTheFourBytes) {
  static_assert(swapBytes4(0x01020304) == 0x04030201);
  const struct {
    Long in, out;
  } cases[] = {
      {0x000000FF, static_cast<Long>(0xFF000000u)},
      {static_cast<Long>(0x80000000u), 0x00000080},
      {0x12345678, 0x78563412},
  };
  for (const auto& c : cases) {
    const Long copy = c.in;
    EXPECT_EQ(_swap_bytes4(copy), c.out) << std::hex << c.in;
    EXPECT_EQ(copy, c.in);
  }
}

// ---- UTM ---------------------------------------------------------------------------------------

// PROJ's own UTM on the same ellipsoid, as the reference.
class ProjUtm {
 public:
  ProjUtm(int zone, bool south)
      : m_context(proj_context_create()),
        m_projection(proj_create(m_context, ("+proj=utm +zone=" + std::to_string(zone) +
                                             " +ellps=clrk66" + (south ? " +south" : ""))
                                                .c_str())) {}
  ~ProjUtm() {
    proj_destroy(m_projection);
    proj_context_destroy(m_context);
  }
  ProjUtm(const ProjUtm&) = delete;
  ProjUtm& operator=(const ProjUtm&) = delete;

  // Easting and northing.
  std::pair<double, double> forward(double lat, double lon) const {
    const PJ_COORD out =
        proj_trans(m_projection, PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
    return {out.v[0], out.v[1]};
  }

 private:
  PJ_CONTEXT* m_context;
  PJ* m_projection;
};

// Zones across the world and both hemispheres, up to 3.5 degrees off the central meridian.
TEST(Utm, AgreesWithProjToAMillimetreAcrossWholeZones) {
  for (int zone : {1, 10, 13, 18, 31, 44, 60}) {
    for (bool south : {false, true}) {
      const ProjUtm reference(zone, south);
      const double centre = 6.0 * zone - 183;
      for (double lat = 0; lat <= 84; lat += 7) {
        for (double offset = -3.5; offset <= 3.5; offset += 0.5) {
          const double signedLat = south ? -lat : lat;
          if (south && lat == 0) continue;  // the equator belongs to the north
          const double lon = centre + offset;
          const auto [expectE, expectN] = reference.forward(signedLat, lon);
          const UtmCoordinates utm = latLonToUtm(signedLat, lon, static_cast<Integer>(zone));
          EXPECT_NEAR(utm.easting, expectE, 1e-3) << zone << " " << signedLat << " " << lon;
          EXPECT_NEAR(utm.northing, expectN, 1e-3) << zone << " " << signedLat << " " << lon;
          EXPECT_EQ(utm.zone, south ? -zone : zone);

          double backLat, backLon;
          utmToLatLon(utm.zone, utm.easting, utm.northing, backLat, backLon);
          EXPECT_NEAR(backLat, signedLat, 1e-9);
          EXPECT_NEAR(std::remainder(backLon - lon, 360.0), 0, 1e-9);
        }
      }
    }
  }
}

TEST(Utm, PicksTheZoneFromTheLongitude) {
  const struct {
    double lon;
    Integer zone;
  } cases[] = {{-180, 1},  {180, 1}, {-174.0000001, 1}, {-174, 2},
               {-0.5, 30}, {0, 31},  {179.999, 60},     {540, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(utmZoneOfLongitude(c.lon), c.zone) << c.lon;
}

// A requested zone holds past its edge: 3.5 degrees west of zone 14's meridian stays in 14.
TEST(Utm, EntryPointConvertsBothWaysAndReportsTheHemisphereInTheZone) {
  const Integer selector = 5, toUtm = 1, fromUtm = 2, noZone = 0;
  const struct {
    double lat, lon;
    Integer requested, zone;
  } cases[] = {{39.2240, -98.5418, 0, 14}, {-33.86, 151.21, 0, -56}, {64.84, -147.72, 0, 6},
               {0.0, -105.0, 0, 13},       {-0.000001, 3.0, 0, -31}, {40, -102.5, 14, 14}};
  for (const auto& c : cases) {
    Integer zone = c.requested ? c.requested : 99;
    Double lat = c.lat, lon = c.lon, easting = 0, northing = 0;
    _utmcon(selector, zone, c.requested ? zone : noZone, lat, lon, easting, northing, toUtm);
    EXPECT_EQ(zone, c.zone) << c.lat << " " << c.lon;
    const auto [expectE, expectN] = ProjUtm(std::abs(c.zone), c.zone < 0).forward(c.lat, c.lon);
    EXPECT_NEAR(easting, expectE, 1e-3);
    EXPECT_NEAR(northing, expectN, 1e-3);
    lat = lon = 0;
    _utmcon(selector, zone, noZone, lat, lon, easting, northing, fromUtm);
    EXPECT_NEAR(lat, c.lat, 1e-9);
    EXPECT_NEAR(lon, c.lon, 1e-9);
  }
}

TEST(Utm, RejectsWhatItCannotConvertAndLeavesTheArguments) {
  const struct {
    const char* what;
    Integer selector, zone, requested;
    Double lat, lon, easting, northing;
    Integer direction;
  } cases[] = {{"selector", 4, 13, 0, 40, -105, 0, 0, 1},
               {"direction", 5, 13, 0, 40, -105, 0, 0, 3},
               {"latitude", 5, 13, 0, 90.5, -105, 0, 0, 1},
               {"not a number", 5, 13, 0, std::nan(""), -105, 0, 0, 1},
               {"requested zone", 5, 13, 61, 40, -105, 0, 0, 1},
               {"requested zone a quarter-world away", 5, 13, 31, 40, -105, 0, 0, 1},
               {"zone 0", 5, 0, 0, 0, 0, 500000, 4000000, 2},
               {"zone 61", 5, 61, 0, 0, 0, 500000, 4000000, 2},
               {"infinite easting", 5, 13, 0, 0, 0, HUGE_VAL, 4000000, 2},
               {"infinite northing", 5, 13, 0, 0, 0, 500000, HUGE_VAL, 2}};
  for (const auto& c : cases) {
    Integer zone = c.zone;
    Double lat = c.lat, lon = c.lon, easting = c.easting, northing = c.northing;
    EXPECT_EQ(test::errorNumber([&] {
                _utmcon(c.selector, zone, c.requested, lat, lon, easting, northing, c.direction);
              }),
              PLATFORM_E_INVALIDPROCEDURECALL)
        << c.what;
    EXPECT_EQ(std::tie(zone, easting, northing, lon),
              std::tie(c.zone, c.easting, c.northing, c.lon))
        << c.what;
  }
}

}  // namespace
}  // namespace tg
