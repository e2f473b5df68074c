// The subcommands of the `tessaglyph` tool. Each lives in its own file: its add function
// declares its options on the tool's command line and returns how to run it once the line is
// parsed. The tool's main lists the add functions in `subcommands()`.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace tg::tools {

// One registered subcommand: its parser and the function that runs it (returning the exit
// status) after a successful parse.
struct Subcommand {
  CLI::App* command = nullptr;
  std::function<int()> run;
};

using AddSubcommand = Subcommand (*)(CLI::App& app);

Subcommand addConvertCommand(CLI::App& app);
Subcommand addPointCommand(CLI::App& app);
Subcommand addInfoCommand(CLI::App& app);
Subcommand addPackageCommand(CLI::App& app);
Subcommand addProfileCommand(CLI::App& app);
Subcommand addAreaCommand(CLI::App& app);
Subcommand addIndexCommand(CLI::App& app);
Subcommand addSettingsCommand(CLI::App& app);
Subcommand addBrowseCommand(CLI::App& app);

}  // namespace tg::tools
