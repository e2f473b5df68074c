// Preparing an area of files for the `tessaglyph` subcommands.
#include "common/area_query.hpp"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "common/scripted_file.hpp"
#include "support/pattern_match.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"
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
  command.add_option("--script", options.script, "the compiled format script (.tgp)")->required();
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
                                            const AreaQueryOptions& options) {
  if (const auto problem = unreadable(options.script, "script")) {
    std::cerr << "tessaglyph " << command << ": " << *problem << '\n';
    return nullptr;
  }
  std::vector<std::string> files;
  if (!listFiles(command, options, files)) return nullptr;
  auto area = std::make_shared<TessaglyphArea>();
  const TG_M_INTERPOLATIONMODES mode = interpolationNames().at(options.interp);
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
    area->setInterpolationMode(mode);
    area->setMacroInterpolationOption(macroInterpolationNames().at(options.macro));
  } catch (const Error& error) {
    std::cerr << "tessaglyph " << command << ": ";
    if (!path.empty())
      std::cerr << "cannot read \"" << path << "\" with script \"" << options.script << "\": ";
    std::cerr << errorText(error) << '\n';
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
