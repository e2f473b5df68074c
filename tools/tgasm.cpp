// tgasm: builds program files from script source and prints program files as script source.
//
//   tgasm build SCRIPT.tgs [-o PROGRAM.tgp]   assemble; the program file defaults to SCRIPT.tgp
//   tgasm dump PROGRAM.tgp [-o SCRIPT.tgs]    disassemble; the source goes to standard output
//                                             unless -o names a file
//
// Problems in the source are printed as "file:line:column: error: message", one per line, on
// standard error. Exit status: 0 done, 1 the input was refused, 2 anything else went wrong.
#include <CLI/CLI.hpp>

#include "common/console_user_interface.hpp"

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "program/assembler.hpp"
#include "program/disassembler.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/user_interface.hpp"

namespace {

using namespace tg;

constexpr int kRefused = 1;
constexpr int kFailed = 2;

// What the program file's reader repaired, as warnings.
class WarningEvents : public TessaglyphProgramEvents {
 public:
  explicit WarningEvents(std::string file) : m_file(std::move(file)) {}
  void dataCorrected(const std::string& message, const std::string& oldValue,
                     const std::string& newValue) override {
    std::cerr << m_file << ": warning: " << message << " (" << oldValue << " -> " << newValue
              << ")\n";
  }

 private:
  std::string m_file;
};

int build(const std::string& source, std::string output) {
  if (output.empty()) output = std::filesystem::path(source).replace_extension(".tgp").string();
  try {
    buildProgramFile(source, output);
  } catch (const ScriptSourceError& error) {
    for (const auto& diagnostic : error.diagnostics())
      std::cerr << diagnostic.format() << '\n';
    return kRefused;
  }
  return 0;
}

int dump(const std::string& programFile, const std::string& output) {
  WarningEvents warnings(programFile);
  std::string text;
  try {
    text = disassembleFile(programFile, &warnings);
  } catch (const Error& error) {
    std::cerr << programFile << ": error: " << error.description() << '\n';
    return kRefused;
  }
  if (output.empty()) {
    std::cout << text;
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "tgasm: cannot write to standard output\n";
      return kFailed;
    }
    return 0;
  }
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    std::cerr << "tgasm: cannot write " << output << '\n';
    return kFailed;
  }
  return 0;
}

int run(int argc, char** argv) {
  CLI::App app{"Builds program files from script source and prints program files as source.",
               "tgasm"};
  app.require_subcommand(1);
  std::string input;
  std::string output;
  auto* buildCommand = app.add_subcommand("build", "Assemble script source into a program file");
  buildCommand->add_option("SCRIPT", input, "the script source (.tgs)")->required();
  buildCommand->add_option("-o,--output", output, "the program file (default: SCRIPT.tgp)");
  auto* dumpCommand = app.add_subcommand("dump", "Print a program file as script source");
  dumpCommand->add_option("PROGRAM", input, "the program file (.tgp)")->required();
  dumpCommand->add_option("-o,--output", output, "the source file (default: standard output)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error);
  }
  tools::ConsoleUserInterface console("tgasm");
  const tools::InstalledUserInterface installed(console);
  return buildCommand->parsed() ? build(input, output) : dump(input, output);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const Error& error) {
    std::cerr << "tgasm: error " << error.number() << ": " << error.description() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "tgasm: " << error.what() << '\n';
  }
  return kFailed;
}
