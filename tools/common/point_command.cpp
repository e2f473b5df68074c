// tessaglyph point: values of a source file read through its compiled format script.
//
//   tessaglyph point --script S.tgp FILE LAT LON [--interp none|closest|4|12] [--datum NAME]
//       reads one value of a source file through its compiled format script and prints it
//   tessaglyph point --script S.tgp FILE [--interp ...] [--datum NAME] < points.csv
//       the same as a filter: one "lat,lon" per input line, one "lat,lon,value" per output line,
//       with the same rules for blank, comment, header and unreadable lines as convert
//
// --script names a compiled script file, or a bundled script by its name ("srtm_hgt"), found in
// the scripts folder beside the tool or in the installed one. Positions are asked on --datum
// (default: the script's own datum); longitudes from 180 to 360 (and -360 to -180) are taken
// 360 degrees west (east). Values come back as the library gives them, reserved values
// included: -32100 no data at the position, -32101 an interpolation lacked a point, -52000 the
// read failed. Exit status: 0 when every row answered (no data is an answer), 1 when any row
// could not be read (-52000), raised a script error or was not a position (a summary on
// standard error counts them), 2 for a bad command line, a missing or unreadable file or
// script, an unknown datum, or a file its script does not accept.
#include <unistd.h>

#include <charconv>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/console_user_interface.hpp"
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

// A longitude from -180 to 180: those from 180 to 360 (and -360 to -180) are taken 360
// degrees west (east), as the datum conversion does.
double wrappedLongitude(double lon) {
  if (lon > 180) return lon - 360;
  if (lon < -180) return lon + 360;
  return lon;
}

class PointReader {
 public:
  PointReader(std::shared_ptr<TessaglyphFile> file) : m_file(std::move(file)) {}

  // Reads one position; false (with a message naming `where`) when the read raised, reported
  // a script error or failed (-52000).
  bool read(double lat, double lon, Single& value, const std::string& where) {
    ConsoleUserInterface* console = installedConsole();
    if (console) console->holdMessages(true);
    bool done = true;
    try {
      value = m_file->point(lat, wrappedLongitude(lon));
    } catch (const Error& error) {
      std::cerr << "tessaglyph point: " << where << "reading " << lat << "," << lon
                << " failed: " << errorText(error) << '\n';
      done = false;
    }
    if (console) {
      console->holdMessages(false);
      for (const std::string& message : console->takeHeldMessages()) {
        std::cerr << "tessaglyph point: " << where << "script error reading " << lat << "," << lon
                  << ": " << message << '\n';
        done = false;
      }
    }
    if (done && value == Single(TG_M_DPEC_RETRIEVALERROR)) {
      std::cerr << "tessaglyph point: " << where << "reading " << lat << "," << lon
                << " failed (-52000)\n";
      done = false;
    }
    return done;
  }

  // The filter; returns the number of rows that failed.
  long filter(std::istream& in, std::ostream& out) {
    return filterPositions(in, out, "point", "lat,lon,value",
                           [&](std::string_view latText, std::string_view lonText, double lat,
                               double lon, const std::string& where) {
                             Single value = Single(TG_M_DPEC_RETRIEVALERROR);
                             const bool done = read(lat, lon, value, where);
                             out << latText << ',' << lonText << ',' << valueText(value) << '\n';
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
  const auto script = scriptPath(options.script);
  const auto file = openWithScript("point", options.file, script);
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
    Single value = Single(TG_M_DPEC_RETRIEVALERROR);
    const bool done = reader.read(lat, lon, value, "");
    std::cout << valueText(value) << '\n';
    if (const char* meaning = reservedMeaning(value); meaning && done)
      std::cerr << "tessaglyph point: " << valueText(value) << " means " << meaning << '\n';
    return done ? 0 : 1;
  }
  if (::isatty(STDIN_FILENO)) {
    std::cerr << "tessaglyph point: reading lat,lon lines from the terminal (end with Ctrl-D); "
                 "give LAT LON after the file to read one position\n";
  }
  // Reading a line would flush the answers written so far, one write per row: the answers go out
  // in blocks instead (the stream is flushed on the way out).
  std::cin.tie(nullptr);
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
  point
      ->add_option("--script", options->script,
                   "the compiled format script (.tgp), or a bundled script's name")
      ->required();
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
