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
//
//   tessaglyph point --script S.tgp FILE LAT LON [--interp none|closest|4|12] [--datum NAME]
//       reads one value of a source file through its compiled format script and prints it
//   tessaglyph point --script S.tgp FILE [--interp ...] [--datum NAME] < points.csv
//       the same as a filter: one "lat,lon" per input line, one "lat,lon,value" per output line,
//       with the same rules for blank, comment, header and unreadable lines as convert
//   tessaglyph info --script S.tgp FILE
//       prints what the script says of the file: name, datum, resolutions, bounds
//
// Positions are asked on --datum (default: the script's own datum). Values come back as the
// library gives them, reserved values included: -32100 no data at the position, -32101 an
// interpolation lacked a point, -52000 the read failed. Exit status of point and info: 0 when
// every value was read, 1 when a row could not be read, 2 for a bad command line, a missing
// or unreadable file or script, or a file its script does not accept.
#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/console_user_interface.hpp"
#include "source/datum_conversion.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/source_file.hpp"
#include "tessaglyph/top_level_object.hpp"
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

// The CSV filter both commands share: `lat,lon` rows in; blank and `#` lines passed through; a
// first `lat,lon` row answered with `header`; each readable row handed to `row` with its trimmed
// fields, which writes the answer line and says whether it succeeded; an unreadable row reported
// on standard error with its number and written as `*,*,*`. Returns the number of failed rows.
using PositionRow = std::function<bool(std::string_view latText, std::string_view lonText,
                                       double lat, double lon, const std::string& where)>;
long filterPositions(std::istream& in, std::ostream& out, const char* command, const char* header,
                     const PositionRow& row) {
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
      out << header << '\n';
      continue;
    }
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    std::string problem;
    double lat = 0, lon = 0;
    if (fields.size() != 2) {
      problem = "expected 2 fields (lat,lon), found " + std::to_string(fields.size());
    } else if (readPosition(fields[0], fields[1], lat, lon, problem)) {
      if (!row(trimSpace(fields[0]), trimSpace(fields[1]), lat, lon, where)) ++failed;
      continue;
    }
    std::cerr << "tessaglyph " << command << ": " << where << problem << '\n';
    out << "*,*,*\n";
    ++failed;
  }
  return failed;
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
    return filterPositions(
        in, out, "convert", "lat,lon,status",
        [&](std::string_view, std::string_view, double lat, double lon, const std::string& where) {
          return convertRow(lat, lon, out, where);
        });
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

// ---- point and info ---------------------------------------------------------------------------

struct PointOptions {
  std::string script, file, interp = "closest", datum;
  std::vector<std::string> position;  // LAT LON, or empty to read standard input
};

const std::map<std::string, TG_M_INTERPOLATIONMODES>& interpolationNames() {
  static const std::map<std::string, TG_M_INTERPOLATIONMODES> names = {
      {"none", TG_M_IM_NONE},
      {"closest", TG_M_IM_CLOSESTPOINT},
      {"4", TG_M_IM_4POINT},
      {"12", TG_M_IM_12POINT}};
  return names;
}

// A value as text: the shortest that reads back as the same Single.
std::string valueText(Single value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// What a reserved value means, or nothing for an ordinary one.
const char* reservedMeaning(Single value) {
  if (value == -32100.0f) return "no data at this position";
  if (value == -32101.0f) return "an interpolation lacked a grid point (void or edge)";
  if (value == -52000.0f) return "the read failed";
  return nullptr;
}

std::string errorText(const Error& error) {
  return error.description() + " (error " + std::to_string(error.number()) + ")";
}

// A readable regular file, or a message saying why not.
std::optional<std::string> unreadable(const std::string& path, const char* what) {
  std::error_code code;
  if (!std::filesystem::exists(path, code))
    return std::string(what) + " \"" + path + "\" does not exist";
  if (!std::filesystem::is_regular_file(path, code))
    return std::string(what) + " \"" + path + "\" is not a file";
  std::ifstream probe(path, std::ios::binary);
  if (!probe) return std::string(what) + " \"" + path + "\" cannot be read";
  return std::nullopt;
}

// The script's own text property (as written), empty when it has none.
std::string scriptText(TessaglyphMachine& machine, std::string_view name) {
  const Integer index = machine.getPropertyIndex(name);
  return index < 0 ? std::string() : machine.properties(index).value;
}

// Opens the file with its script; on failure prints why (prefixed by `command`) and returns
// null.
std::shared_ptr<TessaglyphFile> openWithScript(const std::string& command, const std::string& file,
                                               const std::string& script) {
  for (const auto& [path, what] : {std::pair{script, "script"}, std::pair{file, "file"}}) {
    if (const auto problem = unreadable(path, what)) {
      std::cerr << "tessaglyph " << command << ": " << *problem << '\n';
      return nullptr;
    }
  }
  try {
    auto opened = Tessaglyph().OpenFile(file, script);
    if (opened && opened->isOpen()) return opened;
    std::cerr << "tessaglyph " << command << ": \"" << file << "\" could not be opened\n";
  } catch (const Error& error) {
    std::cerr << "tessaglyph " << command << ": cannot read \"" << file << "\" with script \""
              << script << "\": " << errorText(error) << '\n';
  }
  return nullptr;
}

// The datum the script gives the file's data, at the middle of its bounds.
std::string scriptDatum(TessaglyphFile& file) {
  const TG_BOUNDS& b = file.metrics().bounds;
  return file.machine()->getDatum((b.westLon + b.eastLon) / 2, (b.northLat + b.southLat) / 2);
}

class PointReader {
 public:
  PointReader(std::shared_ptr<TessaglyphFile> file) : m_file(std::move(file)) {}

  // Reads one position; false (with a message naming `where`) when the read raised.
  bool read(double lat, double lon, Single& value, const std::string& where) {
    try {
      value = m_file->point(lat, lon);
      return true;
    } catch (const Error& error) {
      std::cerr << "tessaglyph point: " << where << "reading " << lat << "," << lon
                << " failed: " << errorText(error) << '\n';
      return false;
    }
  }

  // The filter; returns the number of rows that failed.
  long filter(std::istream& in, std::ostream& out) {
    return filterPositions(in, out, "point", "lat,lon,value",
                           [&](std::string_view latText, std::string_view lonText, double lat,
                               double lon, const std::string& where) {
                             Single value = 0;
                             const bool done = read(lat, lon, value, where);
                             out << latText << ',' << lonText << ','
                                 << (done ? valueText(value) : std::string("*")) << '\n';
                             return done;
                           });
  }

 private:
  std::shared_ptr<TessaglyphFile> m_file;
};

int runPoint(const PointOptions& options) {
  double lat = 0, lon = 0;
  if (!options.position.empty()) {
    std::string problem;
    if (!readPosition(options.position[0], options.position[1], lat, lon, problem)) {
      std::cerr << "tessaglyph point: " << problem << '\n';
      return 2;
    }
  }
  const auto file = openWithScript("point", options.file, options.script);
  if (!file) return 2;
  const TG_M_INTERPOLATIONMODES mode = interpolationNames().at(options.interp);
  try {
    file->machine()->setInterpolationMode(mode);
    if (!file->machine()->canInterpolate(mode)) {
      std::cerr << "tessaglyph point: the script cannot read with --interp " << options.interp
                << '\n';
      return 2;
    }
    const std::string own = scriptDatum(*file);
    if (options.datum.empty()) {
      file->setCurrentDatum(own);
    } else {
      // A datum the conversion does not know would leave every position unconverted, and
      // quietly read the wrong place: try it once at the middle of the file first.
      const TG_BOUNDS& b = file->metrics().bounds;
      const double midLat = (b.northLat + b.southLat) / 2, midLon = (b.westLon + b.eastLon) / 2;
      double outLat = midLat, outLon = midLon;
      Integer status = 0;
      convertDatum(midLat, midLon, options.datum, outLat, outLon, own, status);
      if (status != 0) {
        std::cerr << "tessaglyph point: positions on datum \"" << options.datum
                  << "\" cannot be converted to the file's datum \"" << own << "\" (status "
                  << status << ": " << describeDatumStatus(status) << ")\n";
        return 2;
      }
      file->setCurrentDatum(options.datum);
    }
  } catch (const Error& error) {
    std::cerr << "tessaglyph point: " << errorText(error) << '\n';
    return 2;
  }

  PointReader reader(file);
  if (!options.position.empty()) {
    Single value = 0;
    if (!reader.read(lat, lon, value, "")) return 1;
    std::cout << valueText(value) << '\n';
    if (const char* meaning = reservedMeaning(value))
      std::cerr << "tessaglyph point: " << valueText(value) << " means " << meaning << '\n';
    return 0;
  }
  const long failed = reader.filter(std::cin, std::cout);
  if (failed > 0) {
    std::cerr << "tessaglyph point: " << failed << (failed == 1 ? " row" : " rows")
              << " not read\n";
  }
  return failed > 0 ? 1 : 0;
}

int runInfo(const PointOptions& options) {
  const auto file = openWithScript("info", options.file, options.script);
  if (!file) return 2;
  try {
    TessaglyphMachine& machine = *file->machine();
    file->setCurrentDatum(scriptDatum(*file));
    const TG_FILEMETRICS& m = file->metrics();
    const auto line = [](const char* key, const std::string& value) {
      std::printf("%-14s %s\n", key, value.c_str());
    };
    char text[160];
    line("file", file->filename());
    line("script", options.script);
    line("format", scriptText(machine, "name"));
    line("description", scriptText(machine, "description"));
    line("datum", m.datum);
    std::snprintf(text, sizeof text, "%.9g", m.bounds.northLat);
    line("north", text);
    std::snprintf(text, sizeof text, "%.9g", m.bounds.southLat);
    line("south", text);
    std::snprintf(text, sizeof text, "%.9g", m.bounds.westLon);
    line("west", text);
    std::snprintf(text, sizeof text, "%.9g", m.bounds.eastLon);
    line("east", text);
    std::snprintf(text, sizeof text, "%.3f m x %.3f m", m.xResolution, m.yResolution);
    line("resolution", text);
    for (const char* name : {"rows", "columns"}) {
      const Integer index = machine.getAttributeIndex(name);
      if (index >= 0) line(name, machine.attribute_read(index));
    }
    std::string modes;
    for (const char* name : {"none", "closest", "4", "12"}) {
      if (machine.canInterpolate(interpolationNames().at(name)))
        modes += (modes.empty() ? "" : " ") + std::string(name);
    }
    line("interpolation", modes);
  } catch (const Error& error) {
    std::cerr << "tessaglyph info: " << errorText(error) << '\n';
    return 2;
  }
  return 0;
}

void addPointCommands(CLI::App& app, PointOptions& options) {
  std::vector<std::string> modeNames;
  for (const auto& entry : interpolationNames())
    modeNames.push_back(entry.first);
  CLI::App* point = app.add_subcommand(
      "point", "Reads values of a source file: LAT LON, or CSV lines lat,lon on standard input");
  point->add_option("--script", options.script, "the compiled format script (.tgp)")->required();
  point->add_option("file", options.file, "the source file")->required();
  point->add_option("position", options.position, "LAT LON in decimal degrees")
      ->expected(2)
      ->allow_extra_args(false);
  point->add_option("--interp", options.interp, "none, closest (default), 4 or 12 points")
      ->check(CLI::IsMember(modeNames));
  point->add_option("--datum", options.datum,
                    "datum of the positions (default: the file's own datum)");
  CLI::App* info =
      app.add_subcommand("info", "Prints a source file's datum, resolution and bounds");
  info->add_option("--script", options.script, "the compiled format script (.tgp)")->required();
  info->add_option("file", options.file, "the source file")->required();
}

int run(int argc, char** argv) {
  CLI::App app{"The Tessaglyph command-line tool.", "tessaglyph"};
  app.require_subcommand(1);
  ConvertOptions convertOptions;
  addConvertCommand(app, convertOptions);
  PointOptions pointOptions;
  addPointCommands(app, pointOptions);
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
  if (app.got_subcommand("point")) result = runPoint(pointOptions);
  if (app.got_subcommand("info")) result = runInfo(pointOptions);

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
