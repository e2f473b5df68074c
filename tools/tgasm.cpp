// tgasm: builds program files from script source, prints program files as script source, and
// tries a program's routines.
//
//   tgasm build SCRIPT.tgs [-o PROGRAM.tgp]   assemble; the program file defaults to SCRIPT.tgp
//   tgasm dump PROGRAM.tgp [-o SCRIPT.tgs]    disassemble; the source goes to standard output
//                                             unless -o names a file
//   tgasm run PROGRAM.tgp (--routine NAME | --attribute NAME) [--file DATA] [--step
//             [--source SCRIPT.tgs]] [--set NAME=VALUE ...] [--no-init] [--write]
//                                             run INIT (unless --no-init), then one routine (or
//                                             an attribute's read code), and print the register
//                                             (or the attribute's value); the script works on a
//                                             private copy of DATA unless --write is given
//
// Problems in the source are printed as "file:line:column: error: message", one per line, on
// standard error. Exit status: 0 done, 1 the input was refused, 2 a usage or set-up error
// (a bad command line, a missing or unwritable file), 3 the script stopped at an error.
#include <stdlib.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include "common/console_user_interface.hpp"

#include <cctype>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "program/assembler.hpp"
#include "program/disassembler.hpp"
#include "program/script_parser.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/user_interface.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace {

using namespace tg;

constexpr int kRefused = 1;
constexpr int kFailed = 2;
constexpr int kScriptError = 3;

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
  std::error_code code;
  if (!std::filesystem::is_regular_file(source, code)) {
    std::cerr << "tgasm: " << source
              << (std::filesystem::exists(source, code) ? " is not a file" : " does not exist")
              << '\n';
    return kFailed;
  }
  if (std::filesystem::is_directory(output, code)) {
    std::cerr << "tgasm: cannot write " << output << ": it is a folder\n";
    return kFailed;
  }
  try {
    buildProgramFile(source, output);
  } catch (const ScriptSourceError& error) {
    for (const auto& diagnostic : error.diagnostics())
      std::cerr << diagnostic.format() << '\n';
    return kRefused;
  } catch (const Error& error) {
    std::cerr << "tgasm: cannot build " << output << " from " << source << ": "
              << error.description() << '\n';
    return kFailed;
  } catch (const std::exception&) {
    std::cerr << "tgasm: cannot build " << output << " from " << source
              << ": the source cannot be read or the program file cannot be written\n";
    return kFailed;
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

// ---- tgasm run ---------------------------------------------------------------------------------

// What `tgasm run` is asked to do.
struct TrialRequest {
  std::string program;
  std::string routine;
  std::string attribute;
  std::string dataFile;
  std::string source;
  bool step = false;
  bool noInit = false;
  bool write = false;
  std::vector<std::string> settings;  // NAME=VALUE for predefined variables
};

// A copy of the data file in a folder of its own, removed with the object: a trial works on it
// so that whatever the script writes never reaches the user's file.
class PrivateCopy {
 public:
  explicit PrivateCopy(const std::string& file) {
    std::string folderTemplate =
        (std::filesystem::temp_directory_path() / "tgasm-trial-XXXXXX").string();
    if (!mkdtemp(folderTemplate.data())) throw std::runtime_error("no temporary folder");
    m_folder = folderTemplate;
    m_path = m_folder / std::filesystem::path(file).filename();
    std::filesystem::copy_file(file, m_path);
  }
  ~PrivateCopy() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }
  PrivateCopy(const PrivateCopy&) = delete;
  PrivateCopy& operator=(const PrivateCopy&) = delete;
  std::string path() const { return m_path.string(); }

 private:
  std::filesystem::path m_folder, m_path;
};

// A routine slot by name, in any case and with or without its underscores ("DATAPOINT_READ",
// "datapoint_read", "DATUMXCON" and "datum_xcon" all name a slot).
std::optional<TG_M_ROUTINEARRAYINDICIES> routineSlot(std::string_view name) {
  const auto folded = [](std::string_view text) {
    std::string result;
    for (const char c : text) {
      if (c != '_') result += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
  };
  const std::string wanted = folded(name);
  for (const RoutineInfo& entry : routineTable) {
    if (folded(entry.name) == wanted) return entry.slot;
  }
  return std::nullopt;
}

std::string routineNames() {
  std::string names;
  for (const RoutineInfo& entry : routineTable) {
    if (!names.empty()) names += ", ";
    names += entry.name;
  }
  return names;
}

// The text of each debug line of a script source: the source line of the first instruction that
// carries it (`.line` makes debug lines differ from the file's own line numbers).
std::map<Integer, std::string> debugLineTexts(const std::string& sourcePath) {
  std::ifstream in(sourcePath, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + sourcePath);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);

  std::vector<script::SyntaxError> ignored;  // a debugger shows what it can
  const script::ScriptSyntax syntax = script::parseScript(text, ignored);
  std::map<Integer, std::string> texts;
  for (const script::InstructionStatement& instruction : syntax.instructions) {
    const Long line = instruction.position.line;
    if (instruction.debugLine == 0 || line < 1 || std::size_t(line) > lines.size()) continue;
    std::string shown = lines[std::size_t(line - 1)];
    const std::size_t start = shown.find_first_not_of(" \t");
    shown.erase(0, start == std::string::npos ? shown.size() : start);
    texts.emplace(instruction.debugLine, shown);
  }
  return texts;
}

// Input boxes at the console: the prompt on standard error, the answer from standard input
// (the default text when there is none). Message boxes as the tools show them everywhere.
class TrialUserInterface final : public UserInterface {
 public:
  MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t style,
                               const std::string& title) override {
    return m_console.messageBox(prompt, style, title);
  }
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override {
    std::cerr << "tgasm: " << title << ": " << prompt << ' ' << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
      std::cerr << '\n';
      return defaultText;
    }
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    // A terminal has echoed the answer already; piped answers are shown as if typed.
    if (isatty(STDIN_FILENO) == 0) std::cerr << answer << '\n';
    return answer;
  }

 private:
  tools::ConsoleUserInterface m_console{"tgasm"};
};

// Prints the line events and the script's own events, and stops the whole run at the first
// script error (a subroutine's error would otherwise end only the subroutine).
class TrialEvents : public TessaglyphMachineEvents {
 public:
  TrialEvents(TessaglyphMachine& machine, std::map<Integer, std::string> lineTexts)
      : m_machine(machine), m_lineTexts(std::move(lineTexts)) {}

  bool failed() const noexcept { return m_failed; }

  void reachedNewLine(Integer lineNumber, Integer instructionNumber) override {
    std::cout << "line " << lineNumber;
    const auto text = m_lineTexts.find(lineNumber);
    if (text != m_lineTexts.end()) {
      std::cout << ": " << text->second;
    } else if (m_lineTexts.empty()) {
      std::cout << " (instruction " << instructionNumber << ")";
    }
    std::cout << '\n';
  }
  void executionErrorExt(Long errorNumber, const std::string& description, Integer instrNum,
                         Integer lineNum, Boolean& continue_) override {
    std::cout.flush();
    std::cerr << "error " << errorNumber << ": " << description << " (instruction " << instrNum;
    if (lineNum != 0) std::cerr << ", line " << lineNum;
    std::cerr << ")\n";
    continue_ = false;
    m_failed = true;
    m_machine.cancelExecution();
  }
  void dataChanged(const std::string& dataName, const std::string& newValue) override {
    std::cout << "raiseevent " << dataName << " = " << newValue << '\n';
  }

 private:
  TessaglyphMachine& m_machine;
  std::map<Integer, std::string> m_lineTexts;
  bool m_failed = false;
};

int tryScript(const TrialRequest& request) {
  std::optional<TG_M_ROUTINEARRAYINDICIES> slot;
  if (!request.routine.empty()) {
    slot = routineSlot(request.routine);
    if (!slot) {
      std::cerr << "tgasm: \"" << request.routine << "\" is not a routine; the routines are "
                << routineNames() << '\n';
      return kRefused;
    }
  }
  if (!request.dataFile.empty() && !std::filesystem::is_regular_file(request.dataFile)) {
    std::cerr << "tgasm: " << request.dataFile << ": no such file\n";
    return kRefused;
  }
  std::map<Integer, std::string> lineTexts;
  if (!request.source.empty()) {
    try {
      lineTexts = debugLineTexts(request.source);
    } catch (const std::runtime_error& error) {
      std::cerr << "tgasm: " << error.what() << '\n';
      return kRefused;
    }
  }

  auto machine = std::make_shared<TessaglyphMachine>();
  try {
    WarningEvents warnings(request.program);
    TessaglyphProgram program;
    program.setEventSink(&warnings);
    if (program.readProgram(request.program, 1) == -1) {
      std::cerr << request.program << ": error: the program file could not be read\n";
      return kRefused;
    }
    program.prepareMachine(machine);
  } catch (const Error& error) {
    std::cerr << request.program << ": error: " << error.description() << '\n';
    return kRefused;
  }

  Integer attribute = -1;
  if (!request.attribute.empty()) {
    attribute = machine->getAttributeIndex(request.attribute);
    if (attribute < 0) {
      std::cerr << "tgasm: the program has no attribute \"" << request.attribute << "\"\n";
      return kRefused;
    }
  } else if (machine->routineLocations(*slot) == -1) {
    std::cerr << "tgasm: the program does not define the routine " << getRoutineName(*slot) << '\n';
    return kRefused;
  }
  for (const std::string& setting : request.settings) {
    const std::size_t equals = setting.find('=');
    const std::string name = setting.substr(0, equals);
    if (equals == std::string::npos || !isValidPDVName(name)) {
      std::cerr << "tgasm: --set " << setting
                << ": expected NAME=VALUE with a predefined variable's name (x, y, offset, ...)\n";
      return kFailed;
    }
    try {
      machine->setPredefinedVariables(getPDVValue(name), setting.substr(equals + 1));
    } catch (const Error& error) {
      std::cerr << "tgasm: --set " << setting << ": " << error.description() << '\n';
      return kFailed;
    }
  }
  std::optional<PrivateCopy> copy;
  if (!request.dataFile.empty()) {
    std::string dataFile = std::filesystem::absolute(request.dataFile).string();
    if (request.write) {
      machine->setDataLock(TG_M_DL_FALSE);
    } else {
      try {
        copy.emplace(dataFile);
      } catch (const std::exception&) {
        std::cerr << "tgasm: cannot make a private copy of " << request.dataFile
                  << " to try the script on (--write works on the file itself)\n";
        return kFailed;
      }
      dataFile = copy->path();
    }
    machine->setFileInfo(dataFile);
  }

  TrialEvents events(*machine, std::move(lineTexts));
  machine->setEventSink(&events);
  if (request.step) {
    machine->setEnableDebug(true);
    machine->setRunMethod(TG_M_RM_STEP);
    machine->setApplyRunMethod(TG_M_ARM_ALWAYS);
  }
  // A script's routines expect INIT to have run, as it does when the library opens a file.
  const bool runInit = !request.noInit && (attribute >= 0 || *slot != TG_M_RAI_INIT) &&
                       machine->routineLocations(TG_M_RAI_INIT) != -1;
  if (runInit) {
    machine->routine(TG_M_RAI_INIT);
    if (events.failed()) return kScriptError;
  }
  const std::string result =
      attribute >= 0 ? machine->attribute_read(attribute) : machine->routine(*slot);
  if (events.failed()) return kScriptError;
  std::cout << result << '\n';
  return 0;
}

int run(int argc, char** argv) {
  CLI::App app{
      "Builds program files from script source, prints program files as source and "
      "tries a program's routines.",
      "tgasm"};
  app.set_version_flag("--version", "tgasm " TG_VERSION);
  app.footer(
      "Exit status: 0 done; 1 the input was refused; 2 a usage or set-up error; 3 the script "
      "stopped at an error (run).");
  app.require_subcommand(1);
  std::string input;
  std::string output;
  auto* buildCommand = app.add_subcommand("build", "Assemble script source into a program file");
  buildCommand->add_option("SCRIPT", input, "the script source (.tgs)")->required();
  buildCommand->add_option("-o,--output", output, "the program file (default: SCRIPT.tgp)");
  auto* dumpCommand = app.add_subcommand("dump", "Print a program file as script source");
  dumpCommand->add_option("PROGRAM", input, "the program file (.tgp)")->required();
  dumpCommand->add_option("-o,--output", output, "the source file (default: standard output)");
  TrialRequest trial;
  auto* runCommand = app.add_subcommand(
      "run",
      "Run one routine of a program (or an attribute's read code) and print the register (or the "
      "attribute's value), after INIT unless --no-init. The script works on a private copy of "
      "--file unless --write is given. NOTIFY boxes are printed on standard error; USERINPUT reads "
      "a line from standard "
      "input.");
  runCommand->add_option("PROGRAM", trial.program, "the program file (.tgp)")->required();
  auto* routineOption = runCommand->add_option(
      "-r,--routine", trial.routine, "the routine to run: init, datapoint_read, ... (any case)");
  auto* attributeOption = runCommand->add_option("-a,--attribute", trial.attribute,
                                                 "read this attribute instead and print its value");
  routineOption->excludes(attributeOption);
  runCommand->add_option("-f,--file", trial.dataFile,
                         "the data file the script works on (its \"filename\" and the other file "
                         "variables); the script opens it itself");
  auto* stepFlag =
      runCommand->add_flag("-s,--step", trial.step, "print each source line as the run reaches it");
  runCommand
      ->add_option("--source", trial.source,
                   "the program's script source, to print the text of each stepped line")
      ->needs(stepFlag);
  runCommand->add_flag("--no-init", trial.noInit,
                       "do not run INIT first (it runs before any other routine or attribute)");
  runCommand->add_option("--set", trial.settings,
                         "NAME=VALUE: set a predefined variable before the run (--set x=-121.5 "
                         "--set y=46.5); repeatable");
  runCommand->add_flag("--write", trial.write,
                       "let the script write to --file itself; without it the trial works on a "
                       "private copy, so the file never changes");
  try {
    app.parse(argc, argv);
    if (runCommand->parsed() && trial.routine.empty() && trial.attribute.empty()) {
      throw CLI::RequiredError("--routine or --attribute");
    }
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kFailed;
  }
  if (runCommand->parsed()) {
    TrialUserInterface console;
    const tools::InstalledUserInterface installed(console);
    return tryScript(trial);
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
  } catch (const std::exception&) {
    std::cerr << "tgasm: a file could not be read or written\n";
  }
  return kFailed;
}
