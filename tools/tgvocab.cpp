// tgvocab: prints the script vocabulary as CSV on standard output, or tells what a name is.
//
//   tgvocab                  every table, each after a "# <table>" line and separated by a blank
//   line tgvocab instructions     opcode,name,operand tgvocab pdv
//   address,name,read_only,permanently_locked tgvocab routines         slot,name tgvocab properties
//   name,default,allowed_values ("|" between values) tgvocab rcm              value,name tgvocab
//   bounds           boundsmode,key tgvocab lookup NAME      kind,number,name for every table that
//   knows NAME; exit 1 if none does
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <exception>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace {

using namespace tg;

// A CSV field, quoted only when it has to be.
std::string csv(std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void row(std::ostream& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) out << ',';
    out << csv(field);
    first = false;
  }
  out << '\n';
}

std::string_view operandKindName(OperandKind kind) {
  switch (kind) {
    case OperandKind::None:
      return "none";
    case OperandKind::MemoryAddress:
      return "memory address";
    case OperandKind::MemoryBlock:
      return "memory block";
    case OperandKind::IndirectAddress:
      return "indirect address";
    case OperandKind::CodeAddress:
      return "code address";
    case OperandKind::Number:
      return "number";
    case OperandKind::Unused:
      return "unused";
  }
  return "unknown";
}

std::string joined(const std::vector<std::string>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += '|';
    text += values[i];
  }
  return text;
}

std::string_view yesNo(bool value) {
  return value ? "yes" : "no";
}

void printInstructions(std::ostream& out) {
  row(out, {"opcode", "name", "operand"});
  for (const InstructionInfo& info : instructionTable) {
    row(out, {std::to_string(info.opcode), getInstructionName(info.opcode),
              operandKindName(info.operand)});
  }
}

void printPredefinedVariables(std::ostream& out) {
  row(out, {"address", "name", "read_only", "permanently_locked"});
  for (const PredefinedVariableInfo& info : predefinedVariableTable) {
    row(out, {std::to_string(info.address), getPDVName(info.address),
              yesNo(isReadOnly(info.address)), yesNo(isPermanentlyLocked(info.address))});
  }
}

void printRoutines(std::ostream& out) {
  row(out, {"slot", "name"});
  for (const RoutineInfo& info : routineTable) {
    row(out, {std::to_string(info.slot), getRoutineName(info.slot)});
  }
}

// The allowed values as the lookups hand them out. "nextorder" depends on the file layout, so its
// cell names each layout that has values ("grid:...;list:..."); properties that take any text have
// an empty cell, and so does the default of "nextorder", which has none.
void printProperties(std::ostream& out) {
  row(out, {"name", "default", "allowed_values"});
  for (const std::string& name : getPropertiesList()) {
    std::string defaultValue;
    std::string allowed;
    if (sameName(name, "nextorder")) {
      allowed = "grid:" + joined(getPropertyValuesList(name, "grid")) +
                ";list:" + joined(getPropertyValuesList(name, "list"));
    } else {
      defaultValue = getDefaultPropertySetting(name);
      try {
        allowed = joined(getPropertyValuesList(name));
      } catch (const Error& error) {
        if (error.number() != TG_E_NOPROPERTYVALUES) throw;
      }
    }
    row(out, {name, defaultValue, allowed});
  }
}

void printRCMs(std::ostream& out) {
  row(out, {"value", "name"});
  for (const RCMInfo& info : rcmTable) {
    row(out, {std::to_string(info.value), getRCMName(info.value)});
  }
}

void printBoundsKeys(std::ostream& out) {
  row(out, {"boundsmode", "key"});
  for (const BoundsKeys& mode : boundsKeysTable) {
    for (std::string_view key : mode.keys)
      row(out, {mode.boundsmode, key});
    for (std::string_view key : resolutionKeys)
      row(out, {mode.boundsmode, key});
  }
}

struct Section {
  const char* command;
  const char* title;
  const char* help;
  void (*print)(std::ostream&);
};

const Section kSections[] = {
    {"instructions", "instructions", "Instructions: opcode,name,operand", printInstructions},
    {"pdv", "predefined variables",
     "Predefined variables: address,name,read_only,permanently_locked", printPredefinedVariables},
    {"routines", "routine slots", "Routine slots: slot,name", printRoutines},
    {"properties", "properties", "Script properties: name,default,allowed_values", printProperties},
    {"rcm", "resolution comparison modes", "Resolution comparison modes: value,name", printRCMs},
    {"bounds", "bounds keys", "Keys declaring a file's extent: boundsmode,key", printBoundsKeys},
};

void printAll(std::ostream& out) {
  bool first = true;
  for (const Section& section : kSections) {
    if (!first) out << '\n';
    out << "# " << section.title << '\n';
    section.print(out);
    first = false;
  }
}

// Every table that knows `name`, compared as the lookups compare it. Returns false when none does.
bool lookup(std::ostream& out, const std::string& name) {
  std::vector<std::vector<std::string>> found;
  auto attempt = [&](const char* kind, const std::function<std::vector<std::string>()>& probe) {
    try {
      found.push_back(probe());
      found.back().insert(found.back().begin(), kind);
    } catch (const Error&) {
      // Not a name of this table.
    }
  };
  attempt("instruction", [&] {
    const TG_M_INSTRUCTIONS opcode = getInstructionValue(name);
    return std::vector<std::string>{std::to_string(opcode), getInstructionName(opcode)};
  });
  attempt("routine", [&] {
    const TG_M_ROUTINEARRAYINDICIES slot = getRoutineValue(name);
    return std::vector<std::string>{std::to_string(slot), getRoutineName(slot)};
  });
  attempt("predefined variable", [&] {
    const TG_M_PREDEFINEDVARIABLEINDICIES address = getPDVValue(name);
    return std::vector<std::string>{std::to_string(address), getPDVName(address)};
  });
  const std::vector<std::string> properties = getPropertiesList();
  for (std::size_t i = 0; i < properties.size(); ++i) {
    if (sameName(properties[i], name)) {
      found.push_back({"property", std::to_string(i), properties[i]});
    }
  }
  attempt("resolution comparison mode", [&] {
    const TG_RESCOMPAREMODES rcm = getRCMValue(name);
    return std::vector<std::string>{std::to_string(rcm), getRCMName(rcm)};
  });
  for (const BoundsKeys& mode : boundsKeysTable) {
    for (std::string_view key : mode.keys) {
      if (sameName(key, name)) found.push_back({"bounds key", "", std::string(key)});
    }
  }
  for (std::string_view key : resolutionKeys) {
    if (sameName(key, name)) found.push_back({"bounds key", "", std::string(key)});
  }
  if (found.empty()) return false;
  row(out, {"kind", "number", "name"});
  for (const auto& fields : found)
    row(out, {fields[0], fields[1], fields[2]});
  return true;
}

int run(int argc, char** argv) {
  CLI::App app{"Prints the script vocabulary as CSV, or tells what a name of it is.", "tgvocab"};
  app.require_subcommand(0, 1);
  app.set_version_flag("--version", "tgvocab " TG_VERSION);
  app.footer("Exit status: 0 done; 1 lookup found nothing; 2 a usage error.");
  std::vector<std::pair<CLI::App*, const Section*>> tables;
  for (const Section& section : kSections) {
    tables.emplace_back(app.add_subcommand(section.command, section.help), &section);
  }
  std::string name;
  CLI::App* lookupCommand =
      app.add_subcommand("lookup", "What NAME is: kind,number,name per match; exit 1 if unknown");
  lookupCommand->add_option("NAME", name, "a name of the vocabulary")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }

  if (lookupCommand->parsed()) {
    if (!lookup(std::cout, name)) {
      std::cerr << "tgvocab: \"" << name
                << "\" is not an instruction, routine, predefined variable, property, "
                   "resolution comparison mode or bounds key\n";
      return 1;
    }
  } else {
    bool printed = false;
    for (const auto& [command, section] : tables) {
      if (command->parsed()) {
        section->print(std::cout);
        printed = true;
      }
    }
    if (!printed) printAll(std::cout);
  }

  std::cout.flush();
  if (!std::cout) {
    std::cerr << "tgvocab: cannot write to standard output\n";
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const tg::Error& error) {
    std::cerr << "tgvocab: error " << error.number() << ": " << error.description() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "tgvocab: " << error.what() << '\n';
  }
  return 2;
}
