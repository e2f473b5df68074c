// tessaglyph profile: the terrain profile along the great circle between two points, read
// through an area of source files.
//
//   tessaglyph profile LAT1 LON1 LAT2 LON2 (--step METRES | --samples N) --script S.tgp
//                      FILE|FOLDER... [--interp M] [--macro M] [--max-open N] [--datum NAME]
//                      [--rate-log FILE.svg]
//       prints CSV "distance,lat,lon,value": the distance in metres from the first point along
//       the great circle (on a sphere of the Earth's mean radius), the position and the value
//       there. --samples N gives N evenly spaced samples, both ends included; --step M one
//       sample every M metres and the far end.
//   tessaglyph profile LAT1 LON1 LAT2 LON2 (--step METRES | --samples N) --index
//                      [--bounds N,W,S,E] [--rules NAME] [--interp M] ...
//       the same through the indexed files that cover the path, ranked by the priority rules
//
// Exit status: 0 when every sample was read, 1 when a sample failed (its value is -52000), 2
// for a bad command line or files that cannot be read.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "common/area_query.hpp"
#include "common/great_circle.hpp"
#include "common/position_filter.hpp"
#include "common/scripted_file.hpp"
#include "common/subcommand.hpp"

namespace tg::tools {
namespace {

struct ProfileOptions {
  AreaQueryOptions area;
  std::vector<std::string> arguments;  // LAT1 LON1 LAT2 LON2 FILE...
  double step = 0;
  long samples = 0;
};

int runProfile(ProfileOptions& options) {
  if (options.area.index ? options.arguments.size() != 4 : options.arguments.size() < 5) {
    std::cerr << "tessaglyph profile: expected LAT1 LON1 LAT2 LON2 and "
              << (options.area.index ? "no file with --index" : "at least one file") << '\n';
    return 2;
  }
  double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
  std::string problem;
  if (!readPosition(options.arguments[0], options.arguments[1], lat1, lon1, problem) ||
      !readPosition(options.arguments[2], options.arguments[3], lat2, lon2, problem)) {
    std::cerr << "tessaglyph profile: " << problem << '\n';
    return 2;
  }
  const GreatCircle path(lat1, lon1, lat2, lon2);
  const double length = path.length();
  // The fractions along the path: evenly spaced, or every step and the far end.
  std::vector<double> fractions;
  if (options.samples > 0) {
    if (options.samples > kMaxProfileSamples) {
      std::cerr << "tessaglyph profile: at most " << kMaxProfileSamples << " samples\n";
      return 2;
    }
    fractions = fractionsByCount(options.samples);
  } else {
    if (length / options.step > double(kMaxProfileSamples)) {
      std::cerr << "tessaglyph profile: a step of " << options.step << " m gives more than "
                << kMaxProfileSamples << " samples over " << length << " m\n";
      return 2;
    }
    fractions = fractionsByStep(length, options.step);
  }
  options.area.files.assign(options.arguments.begin() + 4, options.arguments.end());
  const Long count = Long(fractions.size());
  auto lats = Array<Double>::withBounds(0, count - 1);
  auto lons = Array<Double>::withBounds(0, count - 1);
  // The region the samples cover, a little wider so that files touching it count.
  constexpr double kAround = 1e-6;
  TG_BOUNDS covering{-90, 180, 90, -180, nullptr};
  for (Long i = 0; i < count; ++i) {
    path.at(fractions[std::size_t(i)], lats[i], lons[i]);
    covering.northLat = std::max(covering.northLat, lats[i] + kAround);
    covering.southLat = std::min(covering.southLat, lats[i] - kAround);
    covering.westLon = std::min(covering.westLon, lons[i] - kAround);
    covering.eastLon = std::max(covering.eastLon, lons[i] + kAround);
  }
  const auto area = prepareArea("profile", options.area, covering);
  if (!area) return 2;

  Array<Single> values;
  Boolean failed = false;
  area->Get_Path(lats, lons, values, failed);

  std::cout << "distance,lat,lon,value\n";
  char row[96];
  for (Long i = 0; i < count; ++i) {
    std::snprintf(row, sizeof row, "%.1f,%.7f,%.7f,", fractions[std::size_t(i)] * length, lats[i],
                  lons[i]);
    std::cout << row << valueText(values[i]) << '\n';
  }
  if (!finishRateLog("profile", *area, options.area)) return 2;
  if (failed) {
    long bad = 0;
    for (const Single value : values)
      bad += value == -52000.0f ? 1 : 0;
    std::cerr << "tessaglyph profile: " << bad << (bad == 1 ? " sample" : " samples")
              << " not read\n";
    return 1;
  }
  return 0;
}

}  // namespace

Subcommand addProfileCommand(CLI::App& app) {
  auto options = std::make_shared<ProfileOptions>();
  CLI::App* profile = app.add_subcommand(
      "profile",
      "Prints the terrain profile along the great circle between two points (CSV distance,lat,"
      "lon,value), read through an area of the files");
  addAreaQueryOptions(*profile, options->area);
  profile
      ->add_option("arguments", options->arguments,
                   "LAT1 LON1 LAT2 LON2 FILE|FOLDER... (no file with --index)")
      ->required();
  auto* step = profile->add_option("--step", options->step, "metres between samples")
                   ->check(CLI::PositiveNumber);
  auto* samples =
      profile->add_option("--samples", options->samples, "number of samples (both ends included)")
          ->check(CLI::PositiveNumber);
  step->excludes(samples);
  return {profile, [profile, options] {
            if (profile->count("--step") == 0 && profile->count("--samples") == 0) {
              std::cerr << "tessaglyph profile: give --step METRES or --samples N\n";
              return 2;
            }
            return runProfile(*options);
          }};
}

}  // namespace tg::tools
