// tessaglyph point: values of a source file read through its compiled format script.
//
//   tessaglyph point --script S.tgp FILE LAT LON [--interp none|closest|4|12] [--datum NAME]
//       reads one value of a source file through its compiled format script and prints it
//   tessaglyph point --script S.tgp FILE [--interp ...] [--datum NAME] < points.csv
//       the same as a filter: one "lat,lon" per input line, one "lat,lon,value" per output line,
//       with the same rules for blank, comment, header and unreadable lines as convert
//
// Positions are asked on --datum (default: the script's own datum). Values come back as the
// library gives them, reserved values included: -32100 no data at the position, -32101 an
// interpolation lacked a point, -52000 the read failed. Exit status: 0 when every value was
// read, 1 when a row could not be read, 2 for a bad command line, a missing or unreadable file
// or script, or a file its script does not accept.
#include <charconv>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/position_filter.hpp"
#include "common/scripted_file.hpp"
#include "common/subcommand.hpp"
#include "source/datum_conversion.hpp"

namespace tg::tools {
namespace {

struct PointOptions {
  std::string script, file, interp = "closest", datum;
  std::vector<std::string> position;  // LAT LON, or empty to read standard input
};

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

}  // namespace

Subcommand addPointCommand(CLI::App& app) {
  auto options = std::make_shared<PointOptions>();
  std::vector<std::string> modeNames;
  for (const auto& entry : interpolationNames())
    modeNames.push_back(entry.first);
  CLI::App* point = app.add_subcommand(
      "point", "Reads values of a source file: LAT LON, or CSV lines lat,lon on standard input");
  point->add_option("--script", options->script, "the compiled format script (.tgp)")->required();
  point->add_option("file", options->file, "the source file")->required();
  point->add_option("position", options->position, "LAT LON in decimal degrees")
      ->expected(2)
      ->allow_extra_args(false);
  point->add_option("--interp", options->interp, "none, closest (default), 4 or 12 points")
      ->check(CLI::IsMember(modeNames));
  point->add_option("--datum", options->datum,
                    "datum of the positions (default: the file's own datum)");
  return {point, [options] { return runPoint(*options); }};
}

}  // namespace tg::tools
