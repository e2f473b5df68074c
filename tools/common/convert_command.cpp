// tessaglyph convert: datum conversion of positions.
//
//   tessaglyph convert --from NAME --to NAME LAT LON
//       converts one position and prints "lat,lon,status"
//   tessaglyph convert --from NAME --to NAME < points.csv
//       a filter: one "lat,lon" per input line, one "lat,lon,status" per output line, row for
//       row. Blank lines and lines starting with "#" pass through; a first line "lat,lon" is
//       taken as a header. A row that cannot be read is reported on standard error with its
//       line number and becomes "*,*,*"; a position that does not convert keeps its input with
//       the non-zero status (also reported on standard error).
//
// Datum names are those of the library ("NAD27", "NAD 83", "WGS84", "No Adjustment", ...) or
// coordinate-system definitions PROJ understands. A projected target gives northing,easting in
// metres in the lat,lon columns: one beginning with "UTM27" (NAD27 UTM, zone from the
// longitude), or a projected system such as "EPSG:26914".
// Exit status: 0 when every row converted, 1 when any row failed, 2 for a bad command line or
// an unknown datum.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/position_filter.hpp"
#include "common/subcommand.hpp"
#include "source/datum_conversion.hpp"

namespace tg::tools {
namespace {

struct ConvertOptions {
  std::string from, to;
  std::vector<std::string> position;  // LAT LON, or empty to read standard input
};

class Converter {
 public:
  explicit Converter(const ConvertOptions& options)
      : m_options(options), m_utm(datumKeyOf(options.to, true).projectToUtm27) {}

  // Converts one position and writes its row; false when it did not convert.
  bool convertRow(double lat, double lon, std::ostream& out, Where where) {
    double outLat = lat, outLon = lon;
    Integer status = 0;
    convertDatum(lat, lon, m_options.from, outLat, outLon, m_options.to, status);
    const bool converted = status == 0;
    // Degrees to nine places (a tenth of a millimetre); metres to the millimetre.
    const char* format = converted && m_utm ? "%.3f,%.3f,%d\n" : "%.9f,%.9f,%d\n";
    char row[128];
    std::snprintf(row, sizeof row, format, outLat, outLon, static_cast<int>(status));
    out << row;
    if (!converted) {
      std::cerr << "tessaglyph convert: " << where << "not converted from \"" << m_options.from
                << "\" to \"" << m_options.to << "\" (status " << status << ": "
                << describeDatumStatus(status) << ")\n";
    }
    return converted;
  }

  // The filter; returns the number of rows that failed.
  long filter(std::istream& in, std::ostream& out) {
    return filterPositions(in, out, "convert", "lat,lon,status",
                           [&](std::string_view, std::string_view, double lat, double lon,
                               Where where) { return convertRow(lat, lon, out, where); });
  }

 private:
  const ConvertOptions& m_options;
  bool m_utm;
};

int runConvert(const ConvertOptions& options) {
  for (const std::string* name : {&options.from, &options.to}) {
    if (!datumConverter().isValidKey(datumKeyOf(*name, name == &options.to).key)) {
      std::cerr << "tessaglyph convert: unknown datum \"" << *name << "\"\n";
      return 2;
    }
  }
  Converter converter(options);
  if (!options.position.empty()) {
    double lat = 0, lon = 0;
    std::string problem;
    if (!readPosition(options.position[0], options.position[1], lat, lon, problem)) {
      std::cerr << "tessaglyph convert: " << problem << '\n';
      return 2;
    }
    return converter.convertRow(lat, lon, std::cout, Where{}) ? 0 : 1;
  }
  const long failed = converter.filter(std::cin, std::cout);
  if (failed > 0) {
    std::cerr << "tessaglyph convert: " << failed << (failed == 1 ? " row" : " rows")
              << " not converted\n";
  }
  return failed > 0 ? 1 : 0;
}

}  // namespace

Subcommand addConvertCommand(CLI::App& app) {
  auto options = std::make_shared<ConvertOptions>();
  CLI::App* command = app.add_subcommand(
      "convert",
      "Converts positions between datums: LAT LON, or CSV lines lat,lon on standard input");
  command->add_option("--from", options->from, "datum of the input (NAD27, NAD83, WGS84, ...)")
      ->required();
  command->add_option("--to", options->to, "datum of the output; UTM27... gives northing,easting")
      ->required();
  command->add_option("position", options->position, "LAT LON in decimal degrees")
      ->expected(2)
      ->allow_extra_args(false);
  return {command, [options] { return runConvert(*options); }};
}

}  // namespace tg::tools
