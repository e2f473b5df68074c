// tessaglyph: the library's command-line tool. (The build names its target tessaglyph_cli, as
// the library target is already called tessaglyph.)
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
// Exit status: 0 when every row converted, 1 when any row failed, 2 for a bad command line.
#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/console_user_interface.hpp"
#include "source/datum_conversion.hpp"
#include "support/text.hpp"
#include "tessaglyph/user_interface.hpp"

namespace {

using namespace tg;

// ---- convert ----------------------------------------------------------------------------------

struct ConvertOptions {
  std::string from, to;
  std::vector<std::string> position;  // LAT LON, or empty to read standard input
};

std::optional<double> parseNumber(std::string_view field) {
  field = trimSpace(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (field.empty() || error != std::errc() || end != field.data() + field.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

// Reads "lat,lon" from two fields; on failure `problem` says why.
bool readPosition(std::string_view latField, std::string_view lonField, double& lat, double& lon,
                  std::string& problem) {
  const auto latitude = parseNumber(latField);
  const auto longitude = parseNumber(lonField);
  if (!latitude) {
    problem = "latitude \"" + std::string(trimSpace(latField)) + "\" is not a number";
  } else if (!longitude) {
    problem = "longitude \"" + std::string(trimSpace(lonField)) + "\" is not a number";
  } else if (*latitude < -90 || *latitude > 90) {
    problem = "latitude " + std::string(trimSpace(latField)) + " is outside -90..90";
  } else if (*longitude < -360 || *longitude > 360) {
    problem = "longitude " + std::string(trimSpace(lonField)) + " is outside -360..360";
  } else {
    lat = *latitude;
    lon = *longitude;
    return true;
  }
  return false;
}

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

class Converter {
 public:
  explicit Converter(const ConvertOptions& options)
      : m_options(options), m_utm(datumKeyOf(options.to, true).projectToUtm27) {}

  // Converts one position and writes its row; false when it did not convert.
  bool convertRow(double lat, double lon, std::ostream& out, const std::string& where) {
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
    long failed = 0, lineNumber = 0;
    bool seenData = false;
    std::string line;
    while (std::getline(in, line)) {
      ++lineNumber;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string_view text = trimSpace(line);
      if (text.empty() || text.front() == '#') {
        out << line << '\n';
        continue;
      }
      const std::vector<std::string_view> fields = splitFields(text);
      const bool first = !seenData;
      seenData = true;
      if (first && fields.size() == 2 && equalsIgnoreCase(trimSpace(fields[0]), "lat") &&
          equalsIgnoreCase(trimSpace(fields[1]), "lon")) {
        out << "lat,lon,status\n";
        continue;
      }
      const std::string where = "line " + std::to_string(lineNumber) + ": ";
      std::string problem;
      double lat = 0, lon = 0;
      if (fields.size() != 2) {
        problem = "expected 2 fields (lat,lon), found " + std::to_string(fields.size());
      } else if (readPosition(fields[0], fields[1], lat, lon, problem)) {
        if (!convertRow(lat, lon, out, where)) ++failed;
        continue;
      }
      std::cerr << "tessaglyph convert: " << where << problem << '\n';
      out << "*,*,*\n";
      ++failed;
    }
    return failed;
  }

 private:
  const ConvertOptions& m_options;
  bool m_utm;
};

int runConvert(const ConvertOptions& options) {
  Converter converter(options);
  if (!options.position.empty()) {
    double lat = 0, lon = 0;
    std::string problem;
    if (!readPosition(options.position[0], options.position[1], lat, lon, problem)) {
      std::cerr << "tessaglyph convert: " << problem << '\n';
      return 2;
    }
    return converter.convertRow(lat, lon, std::cout, "") ? 0 : 1;
  }
  const long failed = converter.filter(std::cin, std::cout);
  if (failed > 0) {
    std::cerr << "tessaglyph convert: " << failed << (failed == 1 ? " row" : " rows")
              << " not converted\n";
  }
  return failed > 0 ? 1 : 0;
}

void addConvertCommand(CLI::App& app, ConvertOptions& options) {
  CLI::App* command = app.add_subcommand(
      "convert",
      "Converts positions between datums: LAT LON, or CSV lines lat,lon on standard input");
  command->add_option("--from", options.from, "datum of the input (NAD27, NAD83, WGS84, ...)")
      ->required();
  command->add_option("--to", options.to, "datum of the output; UTM27... gives northing,easting")
      ->required();
  command->add_option("position", options.position, "LAT LON in decimal degrees")
      ->expected(2)
      ->allow_extra_args(false);
}

int run(int argc, char** argv) {
  CLI::App app{"The Tessaglyph command-line tool.", "tessaglyph"};
  app.require_subcommand(1);
  ConvertOptions convertOptions;
  addConvertCommand(app, convertOptions);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? 0 : 2;
  }

  tools::ConsoleUserInterface console("tessaglyph");
  const tools::InstalledUserInterface installed(console);
  int result = 2;
  if (app.got_subcommand("convert")) result = runConvert(convertOptions);

  std::cout.flush();
  if (!std::cout) {
    std::cerr << "tessaglyph: cannot write to standard output\n";
    return 2;
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  return run(argc, argv);
}
