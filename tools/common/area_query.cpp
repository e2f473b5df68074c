// Preparing an area of files for the `tessaglyph` subcommands.
#include "common/area_query.hpp"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "common/position_filter.hpp"
#include "common/scripted_file.hpp"
#include "support/conversions.hpp"
#include "support/pattern_match.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/script_collection.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg::tools {

namespace {

// The script's file-type filter ("*.hgt"), or every file when it names none.
std::string fileTypeFilter(const std::string& script) {
  TessaglyphProgram program;
  if (program.readProgram(script, 1) == -1) return "*.*";
  auto machine = std::make_shared<TessaglyphMachine>();
  program.prepareMachine(machine);
  const std::string filter = machine->getPropertyValue("filetypefilter");
  return filter.empty() ? "*.*" : filter;
}

// Each path as given, and for a folder its files that pass the script's filter, by name.
bool listFiles(const std::string& command, const AreaQueryOptions& options,
               std::vector<std::string>& files) {
  std::string filter;
  for (const std::string& path : options.files) {
    std::error_code code;
    if (!std::filesystem::is_directory(path, code)) {
      if (const auto problem = unreadable(path, "file")) {
        std::cerr << "tessaglyph " << command << ": " << *problem << '\n';
        return false;
      }
      files.push_back(path);
      continue;
    }
    if (filter.empty()) filter = fileTypeFilter(options.script);
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path, code)) {
      if (entry.is_regular_file(code) && filterMatch(entry.path().filename().string(), filter))
        found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    if (found.empty()) {
      std::cerr << "tessaglyph " << command << ": folder \"" << path
                << "\" holds no file matching \"" << filter << "\"\n";
      return false;
    }
    files.insert(files.end(), found.begin(), found.end());
  }
  return true;
}

// "N,W,S,E" in decimal degrees, north above south and east of west.
std::optional<TG_BOUNDS> parseBounds(const std::string& text) {
  std::vector<std::string_view> parts;
  splitFields(text, parts);
  if (parts.size() != 4) return std::nullopt;
  double value[4];
  for (std::size_t i = 0; i < 4; ++i) {
    const std::optional<double> number = parseNumber(std::string(trimBlanks(parts[i])));
    if (!number) return std::nullopt;
    value[i] = *number;
  }
  if (value[0] <= value[2] || value[3] <= value[1]) return std::nullopt;
  TG_BOUNDS bounds;
  bounds.northLat = value[0];
  bounds.westLon = value[1];
  bounds.southLat = value[2];
  bounds.eastLon = value[3];
  return bounds;
}

// The files of the index that cover the region, ordered by the rules, as an area.
std::shared_ptr<TessaglyphArea> indexArea(const std::string& command,
                                          const AreaQueryOptions& options,
                                          const std::optional<TG_BOUNDS>& covering) {
  const auto fail = [&command](const std::string& problem) {
    std::cerr << "tessaglyph " << command << ": " << problem << '\n';
    return nullptr;
  };
  if (!options.script.empty() || !options.files.empty())
    return fail("--index reads the indexed files: give no --script and no files");
  TessaglyphIndex index;
  try {
    index.initIndexSystem();
    const Long count = index.numIndexRecords();
    if (count == 0) return fail("the index holds no file (add some with `tessaglyph index`)");
    TG_BOUNDS region;
    if (!options.bounds.empty()) {
      const std::optional<TG_BOUNDS> given = parseBounds(options.bounds);
      if (!given) return fail("--bounds wants N,W,S,E with N > S and E > W");
      region = *given;
    } else if (covering) {
      region = *covering;
    } else {
      for (Long n = 0; n < count; ++n) {
        const TG_BOUNDS b = index.getIndexRecord(n).metrics.bounds;
        region.northLat = n == 0 ? b.northLat : std::max(region.northLat, b.northLat);
        region.westLon = n == 0 ? b.westLon : std::min(region.westLon, b.westLon);
        region.southLat = n == 0 ? b.southLat : std::min(region.southLat, b.southLat);
        region.eastLon = n == 0 ? b.eastLon : std::max(region.eastLon, b.eastLon);
      }
    }
    // Every registered data type is wanted: nobody is asked.
    region.scriptCollection = std::make_shared<ScriptCollection>();
    for (Long n = 0; n < index.numScriptIndexRecords(); ++n) {
      const std::string name(trimBlanks(index.getScriptIndexRecord(n).scriptName));
      if (!name.empty() && !region.scriptCollection->exists(name))
        region.scriptCollection->add(name, true);
    }
    TessaglyphSPR rules;
    if (!options.rules.empty())
      rules.readFromINIFile(Tessaglyph().getTessaglyphININame(), options.rules);
    const std::string datum =
        options.datum.empty() ? toUpper(index.getIndexRecord(0).metrics.datum) : options.datum;
    auto area = index.prepareAreaEx(region, rules, datum, -1);
    if (!area) {
      return fail("no indexed file covers " + doubleToText(region.northLat) + "," +
                  doubleToText(region.westLon) + "," + doubleToText(region.southLat) + "," +
                  doubleToText(region.eastLon));
    }
    return area;
  } catch (const Error& error) {
    return fail(errorText(error));
  }
}

// The files and folders named on the command line, read with one script, as an area.
std::shared_ptr<TessaglyphArea> scriptArea(const std::string& command,
                                           const AreaQueryOptions& options,
                                           TG_M_INTERPOLATIONMODES mode) {
  if (const auto problem = unreadable(options.script, "script")) {
    std::cerr << "tessaglyph " << command << ": " << *problem << '\n';
    return nullptr;
  }
  std::vector<std::string> files;
  if (!listFiles(command, options, files)) return nullptr;
  auto area = std::make_shared<TessaglyphArea>();
  std::string path;
  try {
    if (options.maxOpen > 0) area->setMaximumOpenFiles(Integer(options.maxOpen));
    for (const std::string& name : files) {
      path = name;
      auto file = Tessaglyph().OpenFile(name, options.script);
      // A script error inside an area read gives -52000 for that read and a line in the log.
      file->setExecuteMode(TG_F_EM_SILENTLOGGED);
      file->setCurrentDatum(options.datum.empty() ? scriptDatum(*file) : options.datum);
      if (!file->machine()->canInterpolate(mode)) {
        std::cerr << "tessaglyph " << command << ": the script cannot read \"" << name
                  << "\" with --interp " << options.interp << '\n';
        return nullptr;
      }
      area->addFile(file);
    }
    path.clear();
    area->initialize();
  } catch (const Error& error) {
    std::cerr << "tessaglyph " << command << ": ";
    if (!path.empty())
      std::cerr << "cannot read \"" << path << "\" with script \"" << options.script << "\": ";
    std::cerr << errorText(error) << '\n';
    return nullptr;
  }
  return area;
}

}  // namespace

const std::map<std::string, TG_S_MACROINTERPOLATIONOPTIONS>& macroInterpolationNames() {
  static const std::map<std::string, TG_S_MACROINTERPOLATIONOPTIONS> names = {
      {"closest", TG_S_MIO_DEFAULTTOCLOSESTPOINT},
      {"available", TG_S_MIO_USEAVAILDATA},
      {"merge", TG_S_MIO_MERGEFILEDATA},
      {"low", TG_S_MIO_RETURNLOWELEVATION},
      {"error", TG_S_MIO_RAISEERROR}};
  return names;
}

void addAreaQueryOptions(CLI::App& command, AreaQueryOptions& options) {
  std::vector<std::string> modeNames, macroNames;
  for (const auto& entry : interpolationNames())
    modeNames.push_back(entry.first);
  for (const auto& entry : macroInterpolationNames())
    macroNames.push_back(entry.first);
  command.add_option("--script", options.script, "the compiled format script (.tgp)");
  command.add_flag("--index", options.index,
                   "read the indexed files that cover the region, best ranked first");
  command.add_option("--bounds", options.bounds,
                     "with --index: the region N,W,S,E (default: what the command reads)");
  command.add_option("--rules", options.rules,
                     "with --index: the priority-rule template to rank the files by");
  command.add_option("--interp", options.interp, "none, closest (default), 4 or 12 points")
      ->check(CLI::IsMember(modeNames));
  command
      .add_option("--macro", options.macro,
                  "at a file border an interpolation lacking points reads the closest point "
                  "(closest, the default), uses the points there are (available), takes them "
                  "from the files beside it (merge), gives no data (low) or fails (error)")
      ->check(CLI::IsMember(macroNames));
  command.add_option("--max-open", options.maxOpen, "files kept open at once, 1..225")
      ->check(CLI::Range(1, 225));
  command.add_option("--datum", options.datum,
                     "datum of the positions (default: each file's own datum)");
  command.add_option("--rate-log", options.rateLog,
                     "write a graph of points per second and file events (SVG)");
}

std::shared_ptr<TessaglyphArea> prepareArea(const std::string& command,
                                            const AreaQueryOptions& options,
                                            const std::optional<TG_BOUNDS>& covering) {
  std::shared_ptr<TessaglyphArea> area;
  const TG_M_INTERPOLATIONMODES mode = interpolationNames().at(options.interp);
  if (options.index) {
    area = indexArea(command, options, covering);
    if (!area) return nullptr;
    for (Integer i = 1; i <= area->numFiles(); ++i) {
      const auto file = area->files(i);
      file->setExecuteMode(TG_F_EM_SILENTLOGGED);
      if (!file->machine()->canInterpolate(mode)) {
        std::cerr << "tessaglyph " << command << ": the script of \"" << file->filename()
                  << "\" cannot read with --interp " << options.interp << '\n';
        return nullptr;
      }
    }
  } else {
    if (options.script.empty()) {
      std::cerr << "tessaglyph " << command << ": give --script and files, or --index\n";
      return nullptr;
    }
    area = scriptArea(command, options, mode);
    if (!area) return nullptr;
  }
  try {
    if (options.maxOpen > 0) area->setMaximumOpenFiles(Integer(options.maxOpen));
    area->setInterpolationMode(mode);
    area->setMacroInterpolationOption(macroInterpolationNames().at(options.macro));
  } catch (const Error& error) {
    std::cerr << "tessaglyph " << command << ": " << errorText(error) << '\n';
    return nullptr;
  }
  if (!options.rateLog.empty()) {
    auto log = std::make_shared<TessaglyphAreaRateLog>();
    area->setRateLog(log);
    log->start();
  }
  return area;
}

bool finishRateLog(const std::string& command, TessaglyphArea& area,
                   const AreaQueryOptions& options) {
  const auto& log = area.rateLog();
  if (!log || options.rateLog.empty()) return true;
  log->stopLog();
  try {
    const auto grapher = log->createNewGrapher();
    grapher->setDialogTitle("tessaglyph " + command + ": points per second");
    grapher->writeSvg(options.rateLog);
  } catch (const Error& error) {
    std::cerr << "tessaglyph " << command << ": cannot write the rate graph \"" << options.rateLog
              << "\": " << errorText(error) << '\n';
    return false;
  }
  std::cerr << "tessaglyph " << command << ": " << log->numPoints() << " points, "
            << log->numValidPoints() << " valid, " << log->numEvents() << " events; graph in "
            << options.rateLog << '\n';
  return true;
}

}  // namespace tg::tools
