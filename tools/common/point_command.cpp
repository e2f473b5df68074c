// tessaglyph point: values of a source file read through its compiled format script.
//
//   tessaglyph point --script S.tgp FILE LAT LON [--interp none|closest|4|12] [--datum NAME]
//       reads one value of a source file through its compiled format script and prints it
//   tessaglyph point --script S.tgp FILE [--interp ...] [--datum NAME] < points.csv
//       the same as a filter: one "lat,lon" per input line, one "lat,lon,value" per output line,
//       with the same rules for blank, comment, header and unreadable lines as convert
//   tessaglyph point --script S.tgp FILE|FOLDER... [LAT LON] [--macro M] [--max-open N]
//                    [--rate-log FILE.svg]
//       the same over an area of several files (a folder stands for its files the script's
//       file-type filter accepts), the first named winning where files overlap; a single file
//       is read as an area too when --macro, --max-open or --rate-log is given
//   tessaglyph point --index [--bounds N,W,S,E] [--rules NAME] [LAT LON] [--macro M] ...
//       the same over the indexed files, ranked by the priority rules (the default rules, or a
//       template of the settings file): those that cover the position, or --bounds, or for the
//       CSV stream everything indexed; positions on --datum, else on the first indexed file's
//       datum
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

#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/area_query.hpp"
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

// FILE... [LAT LON]: the last two arguments are the position when the last is a number and
// neither names an existing file.
void splitArguments(const std::vector<std::string>& arguments, std::vector<std::string>& files,
                    std::vector<std::string>& position) {
  files = arguments;
  position.clear();
  if (arguments.size() < 3) return;
  const std::string& lat = arguments[arguments.size() - 2];
  const std::string& lon = arguments.back();
  std::error_code code;
  // A number last that names no file makes the last two a position, so a mistyped latitude is
  // reported as such rather than as a missing file.
  if (parseNumber(lon) && !std::filesystem::exists(lat, code) &&
      !std::filesystem::exists(lon, code)) {
    position = {lat, lon};
    files.resize(arguments.size() - 2);
  }
}

// A longitude from -180 to 180: those from 180 to 360 (and -360 to -180) are taken 360
// degrees west (east), as the datum conversion does.
double wrappedLongitude(double lon) {
  if (lon > 180) return lon - 360;
  if (lon < -180) return lon + 360;
  return lon;
}

// Reads positions through a source file or an area.
class PointReader {
 public:
  using Read = std::function<Single(double lat, double lon)>;
  explicit PointReader(Read read) : m_read(std::move(read)) {}

  // Reads one position; false (with a message naming `where`) when the read raised, reported
  // a script error or failed (-52000).
  bool read(double lat, double lon, Single& value, Where where) {
    ConsoleUserInterface* console = installedConsole();
    if (console) console->holdMessages(true);
    bool done = true;
    try {
      value = m_read(lat, wrappedLongitude(lon));
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
                               double lon, Where where) {
                             Single value = Single(TG_M_DPEC_RETRIEVALERROR);
                             const bool done = read(lat, lon, value, where);
                             // One write per row: a stream insertion per piece costs more than
                             // the read on a warm file.
                             m_row.assign(latText).append(1, ',').append(lonText).append(1, ',');
                             m_row.append(valueText(value)).append(1, '\n');
                             out.write(m_row.data(), std::streamsize(m_row.size()));
                             return done;
                           });
  }

 private:
  Read m_read;
  std::string m_row;  // the answer line being written, its room kept from row to row
};

// Answers the one position, or the CSV lines of standard input; returns the exit status.
int answer(PointReader& reader, const std::vector<std::string>& position, double lat, double lon) {
  if (!position.empty()) {
    Single value = Single(TG_M_DPEC_RETRIEVALERROR);
    const bool done = reader.read(lat, lon, value, Where{});
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

// Reads positions through an area of the files.
int runAreaPoint(const AreaQueryOptions& options, const std::vector<std::string>& position) {
  double lat = 0, lon = 0;
  std::optional<TG_BOUNDS> covering;
  if (!position.empty()) {
    std::string problem;
    if (!readPosition(position[0], position[1], lat, lon, problem)) {
      std::cerr << "tessaglyph point: " << problem << '\n';
      return 2;
    }
    // A region around the position: files that only touch it along a parallel count too.
    constexpr double kAround = 1e-6;
    covering = TG_BOUNDS{lat + kAround, wrappedLongitude(lon) - kAround, lat - kAround,
                         wrappedLongitude(lon) + kAround, nullptr};
  }
  const auto area = prepareArea("point", options, covering);
  if (!area) return 2;
  PointReader reader([&area](double y, double x) { return area->point(y, x); });
  const int result = answer(reader, position, lat, lon);
  if (!finishRateLog("point", *area, options)) return 2;
  return result;
}

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

  PointReader reader([&file](double y, double x) { return file->point(y, x); });
  return answer(reader, options.position, lat, lon);
}

}  // namespace

Subcommand addPointCommand(CLI::App& app) {
  auto options = std::make_shared<AreaQueryOptions>();
  auto arguments = std::make_shared<std::vector<std::string>>();
  CLI::App* point = app.add_subcommand(
      "point",
      "Reads values of source files: LAT LON, or CSV lines lat,lon on standard input; several "
      "files (or folders) are read as one area");
  addAreaQueryOptions(*point, *options);
  point->add_option("files", *arguments,
                    "FILE|FOLDER... [LAT LON] (position in decimal degrees); with --index only "
                    "[LAT LON]");
  return {point, [point, options, arguments] {
            if (options->index) {
              if (arguments->size() != 0 && arguments->size() != 2) {
                std::cerr << "tessaglyph point: --index takes no files, only LAT LON\n";
                return 2;
              }
              return runAreaPoint(*options, *arguments);
            }
            if (arguments->empty()) {
              std::cerr << "tessaglyph point: give the files to read, or --index\n";
              return 2;
            }
            PointOptions single;
            std::vector<std::string> files;
            splitArguments(*arguments, files, single.position);
            std::error_code code;
            const bool asArea = files.size() > 1 || std::filesystem::is_directory(files[0], code) ||
                                point->count("--macro") > 0 || point->count("--max-open") > 0 ||
                                point->count("--rate-log") > 0;
            if (asArea) {
              AreaQueryOptions area = *options;
              area.script = scriptPath(options->script);
              area.files = files;
              return runAreaPoint(area, single.position);
            }
            single.script = options->script;
            single.file = files[0];
            single.interp = options->interp;
            single.datum = options->datum;
            return runPoint(single);
          }};
}

}  // namespace tg::tools
