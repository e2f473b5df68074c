// An area of source files for the `tessaglyph` subcommands: files and folders named on the
// command line, opened with one format script and joined in the order given (the first file
// wins where files overlap), or with --index the indexed files that cover the region, in the
// order of the priority rules; with the options every area query shares.
#pragma once

#include <CLI/CLI.hpp>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tessaglyph/area.hpp"
#include "tessaglyph/area_rate_log.hpp"

namespace tg::tools {

struct AreaQueryOptions {
  std::string script;
  std::vector<std::string> files;  // files and folders
  std::string interp = "closest", macro = "closest", datum, rateLog;
  int maxOpen = 0;  // 0: the settings' limit
  bool index = false;
  std::string bounds;  // "N,W,S,E"; empty: the region the command covers
  std::string rules;   // a rule template of the settings file; empty: the default rules
};

// "closest", "available", "merge", "low", "error".
const std::map<std::string, TG_S_MACROINTERPOLATIONOPTIONS>& macroInterpolationNames();

// Declares --script, --index, --bounds, --rules, --interp, --macro, --max-open, --datum and
// --rate-log on a subcommand.
void addAreaQueryOptions(CLI::App& command, AreaQueryOptions& options);

// An area ready for queries: the files, the script's file-type filter applied to folders, the
// interpolation mode and macro option, the datum of the positions and, with --rate-log, a
// started rate log. With --index the region is --bounds, else `covering` (what the command
// reads), else everything indexed; positions are on --datum, else on the datum of the first
// indexed file. On failure prints why (prefixed by "tessaglyph <command>: ") and returns null.
std::shared_ptr<TessaglyphArea> prepareArea(const std::string& command,
                                            const AreaQueryOptions& options,
                                            const std::optional<TG_BOUNDS>& covering = {});

// Stops the area's rate log and writes its graph to --rate-log; false (with a message) when
// the picture cannot be written.
bool finishRateLog(const std::string& command, TessaglyphArea& area,
                   const AreaQueryOptions& options);

}  // namespace tg::tools
