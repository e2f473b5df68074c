// What a datum conversion costs, against a bare PROJ proj_trans call measured in the same run:
// NAD27 to NAD83 through the NADCON grids (PROJ refuses, having no grid of its own here), WGS84
// to NAD83 through PROJ, and latitude/longitude to UTM. Each benchmark reports the nanoseconds
// (CPU) per conversion and "x_proj_trans", its cost as a multiple of one bare proj_trans.
//
// The grids are read from the base directory's "NADCON" folder (where `make demo` puts them),
// else from the project's shared data folder.
#include <benchmark/benchmark.h>
#include <proj.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

#include "source/datum_conversion.hpp"
#include "source/datum_status.hpp"
#include "source/elevation_helpers.hpp"
#include "source/nadcon_grid.hpp"
#include "source/proj_transformer.hpp"
#include "support/paths.hpp"

namespace {

// Thread CPU time: the machine running the benchmarks is shared, and wall-clock time would
// charge each benchmark with whatever else ran meanwhile.
struct Clock {
  using time_point = double;  // nanoseconds
  static time_point now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
  }
};

struct Point {
  double lat, lon;
};

// Positions spread over a region, so that the grid cells and PROJ's choices vary.
std::vector<Point> spread(double south, double west, double north, double east) {
  std::vector<Point> points;
  for (int i = 0; i < 16; ++i) {
    for (int j = 0; j < 16; ++j)
      points.push_back({south + (north - south) * i / 15.0, west + (east - west) * j / 15.0});
  }
  return points;
}

const std::vector<Point>& conus() {
  static const std::vector<Point> points = spread(30, -120, 47, -75);
  return points;
}
const std::vector<Point>& alaska() {
  static const std::vector<Point> points = spread(58, -160, 68, -142);
  return points;
}

struct ProjDeleter {
  void operator()(PJ* p) const { proj_destroy(p); }
};

// WGS84 to NAD83, longitude first, as PROJ would be used without this library.
class BareProj {
 public:
  BareProj() : m_context(proj_context_create()) {
    std::unique_ptr<PJ, ProjDeleter> raw(
        proj_create_crs_to_crs(m_context, "EPSG:4326", "EPSG:4269", nullptr));
    m_transformation = proj_normalize_for_visualization(m_context, raw.get());
  }
  ~BareProj() {
    proj_destroy(m_transformation);
    proj_context_destroy(m_context);
  }
  PJ_COORD trans(const Point& p) const {
    return proj_trans(m_transformation, PJ_FWD, proj_coord(p.lon, p.lat, 0, HUGE_VAL));
  }

 private:
  PJ_CONTEXT* m_context;
  PJ* m_transformation;
};

// Nanoseconds of one bare proj_trans, timed right after the benchmark's own loop so that both
// see the same machine.
double bareProjTransNanoseconds(std::int64_t calls) {
  static const BareProj proj;
  const auto& points = alaska();
  calls = std::clamp<std::int64_t>(calls, 10000, 2000000);
  const auto start = Clock::now();
  for (std::int64_t i = 0; i < calls; ++i)
    benchmark::DoNotOptimize(proj.trans(points[static_cast<std::size_t>(i) % points.size()]));
  return (Clock::now() - start) / static_cast<double>(calls);
}

void report(benchmark::State& state, Clock::time_point start) {
  const double perCall = (Clock::now() - start) / static_cast<double>(state.iterations());
  state.counters["ns_per_conversion"] = perCall;
  state.counters["x_proj_trans"] = perCall / bareProjTransNanoseconds(state.iterations());
  state.SetItemsProcessed(state.iterations());
}

std::shared_ptr<const tg::NadconGridSet> grids() {
  static const std::shared_ptr<const tg::NadconGridSet> set = [] {
    auto installed = tg::nadconGrids();
    if (!installed->regions().empty()) return installed;
    const auto shared =
        std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "shared" / "data" / "nadcon";
    return std::shared_ptr<const tg::NadconGridSet>(
        std::make_shared<tg::NadconGridSet>(shared.string()));
  }();
  return set;
}

tg::DatumConverter& converter() {
  static tg::ProjTransformer proj;
  static tg::DatumConverter instance(&proj, [] { return grids(); });
  return instance;
}

void BM_BareProjTrans(benchmark::State& state) {
  BareProj proj;
  const auto& points = alaska();
  std::size_t i = 0;
  const auto start = Clock::now();
  for (auto _ : state) {
    benchmark::DoNotOptimize(proj.trans(points[i++ % points.size()]));
  }
  report(state, start);
}
BENCHMARK(BM_BareProjTrans);

// The routine a host calls, on a path decided per point: PROJ's best candidate for NAD27 to
// NAD83 needs its own CONUS grid, which is not installed, so the NADCON grid shift converts.
void convertAll(benchmark::State& state, const std::vector<Point>& points, const char* from,
                const char* to) {
  tg::DatumConverter& c = converter();
  double lat = 0, lon = 0;
  tg::Integer status = 0;
  c.convert(points[0].lat, points[0].lon, from, lat, lon, to, status);  // warm the caches
  if (status != tg::DATUM_S_CONVERTED) {
    state.SkipWithError("the conversion does not succeed here (are the NADCON grids installed?)");
    return;
  }
  std::size_t i = 0;
  const auto start = Clock::now();
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    c.convert(p.lat, p.lon, from, lat, lon, to, status);
    benchmark::DoNotOptimize(lat);
    benchmark::DoNotOptimize(lon);
  }
  report(state, start);
}

void BM_Nad27ToNad83ThroughTheGrid(benchmark::State& state) {
  convertAll(state, conus(), "NAD27", "NAD83");
}
BENCHMARK(BM_Nad27ToNad83ThroughTheGrid);

void BM_Nad83ToNad27ThroughTheGrid(benchmark::State& state) {
  convertAll(state, conus(), "NAD83", "NAD27");
}
BENCHMARK(BM_Nad83ToNad27ThroughTheGrid);

void BM_Wgs84ToNad83ThroughProj(benchmark::State& state) {
  convertAll(state, alaska(), "WGS84", "NAD83");
}
BENCHMARK(BM_Wgs84ToNad83ThroughProj);

void BM_Nad27ToUtm27(benchmark::State& state) {
  convertAll(state, conus(), "NAD27", "UTM27");
}
BENCHMARK(BM_Nad27ToUtm27);

void BM_LatLonToUtm(benchmark::State& state) {
  const auto& points = conus();
  const tg::Integer selector = 5, toUtm = 1, chooseZone = 0;
  tg::Integer zone = 0;
  double easting = 0, northing = 0;
  std::size_t i = 0;
  const auto start = Clock::now();
  for (auto _ : state) {
    Point p = points[i++ % points.size()];
    tg::_utmcon(selector, zone, chooseZone, p.lat, p.lon, easting, northing, toUtm);
    benchmark::DoNotOptimize(easting);
    benchmark::DoNotOptimize(northing);
  }
  report(state, start);
}
BENCHMARK(BM_LatLonToUtm);

// PROJ's own UTM on the same ellipsoid, for comparison with the helper.
void BM_ProjUtmForComparison(benchmark::State& state) {
  PJ_CONTEXT* context = proj_context_create();
  PJ* utm = proj_create(context, "+proj=utm +zone=14 +ellps=clrk66");
  const auto& points = conus();
  std::size_t i = 0;
  const auto start = Clock::now();
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    benchmark::DoNotOptimize(
        proj_trans(utm, PJ_FWD, proj_coord(proj_torad(p.lon), proj_torad(p.lat), 0, 0)));
  }
  report(state, start);
  proj_destroy(utm);
  proj_context_destroy(context);
}
BENCHMARK(BM_ProjUtmForComparison);

// The grid shift alone, without the routine around it.
void BM_NadconShiftAlone(benchmark::State& state) {
  const auto set = grids();
  const auto& points = conus();
  double lat = 0, lon = 0;
  std::size_t i = 0;
  const auto start = Clock::now();
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    benchmark::DoNotOptimize(set->toNad83(p.lat, p.lon, lat, lon));
  }
  report(state, start);
}
BENCHMARK(BM_NadconShiftAlone);

}  // namespace
