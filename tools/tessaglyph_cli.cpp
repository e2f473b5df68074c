// tessaglyph: the library's command-line tool. (The build names its target tessaglyph_cli, as
// the library target is already called tessaglyph.) Each subcommand lives in its own file under
// common/ (NAME_command.cpp, see common/subcommand.hpp for what it provides); this file only
// lists them.
#include <CLI/CLI.hpp>

#include <iostream>
#include <vector>

#include "common/console_user_interface.hpp"
#include "common/subcommand.hpp"

namespace {

using namespace tg;

// The subcommands, in the order `--help` lists them.
const std::vector<tools::AddSubcommand>& subcommands() {
  static const std::vector<tools::AddSubcommand> list = {
      tools::addConvertCommand,  tools::addPointCommand,   tools::addInfoCommand,
      tools::addProfileCommand,  tools::addAreaCommand,    tools::addIndexCommand,
      tools::addSettingsCommand, tools::addPackageCommand, tools::addBrowseCommand,
  };
  return list;
}

int run(int argc, char** argv) {
  // Rows go out in blocks, not one system call each; standard error flushes them first (it is
  // tied to standard output), so messages and rows keep their order on a terminal.
  std::ios::sync_with_stdio(false);
  static char outputBuffer[1 << 16];
  std::cout.rdbuf()->pubsetbuf(outputBuffer, sizeof outputBuffer);

  CLI::App app{"The Tessaglyph command-line tool.", "tessaglyph"};
  app.footer(
      "Exit status: 0 every row answered; 1 a row could not be read or converted, or raised a\n"
      "script error (counted on standard error); 2 a usage or set-up error.");
  app.set_version_flag("--version", "tessaglyph " TG_VERSION);
  app.require_subcommand(1);
  std::vector<tools::Subcommand> registered;
  for (const tools::AddSubcommand add : subcommands())
    registered.push_back(add(app));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? 0 : 2;
  }

  tools::ConsoleUserInterface console("tessaglyph");
  const tools::InstalledUserInterface installed(console);
  int result = 2;
  for (const tools::Subcommand& subcommand : registered) {
    if (subcommand.command->parsed()) result = subcommand.run();
  }

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
