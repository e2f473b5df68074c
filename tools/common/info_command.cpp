// tessaglyph info: what a format script says of a source file.
//
//   tessaglyph info --script S.tgp FILE
//       prints the format, datum, bounds (degrees), resolution (metres), grid size and the
//       interpolation modes the script allows
//
// Exit status: 0 done, 2 for a bad command line, a missing or unreadable file or script, or a
// file its script does not accept.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "common/scripted_file.hpp"
#include "common/subcommand.hpp"

namespace tg::tools {
namespace {

struct InfoOptions {
  std::string script, file;
};

int runInfo(const InfoOptions& options) {
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

}  // namespace

Subcommand addInfoCommand(CLI::App& app) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* info =
      app.add_subcommand("info", "Prints a source file's datum, resolution and bounds");
  info->add_option("--script", options->script, "the compiled format script (.tgp)")->required();
  info->add_option("file", options->file, "the source file")->required();
  return {info, [options] { return runInfo(*options); }};
}

}  // namespace tg::tools
