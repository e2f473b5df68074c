// tessaglyph index: the catalogue of source files and format scripts.
//
//   tessaglyph index defaults                 registers the bundled scripts
//   tessaglyph index add-script PROGRAM|BUNDLED_NAME --name NAME [--category C]
//                                            [--filter PATTERN] [--use-valid]
//   tessaglyph index add FILE... [--script NAME] [--category C]
//                               [--removable [--description TEXT]]
//       without --script, the best script findScriptFile offers (a script whose VALID routine
//       accepted the file first, then the lowest script priority); one line per file
//   tessaglyph index scan DIR [--category C]  indexes the files below DIR a script could read
//   tessaglyph index list [--scripts]         the indexed files, or the registered scripts
//   tessaglyph index remove FILE
//   tessaglyph index remove-script NAME [--force]
// Output is CSV, or JSON with --json. The index lives in the base directory (TESSAGLYPH_HOME).
//
// Exit status: 0 done, 1 when some file could not be indexed or was not found, 2 for a bad
// command line or an index that cannot be opened.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "common/console_user_interface.hpp"
#include "common/scripted_file.hpp"
#include "common/subcommand.hpp"
#include "index/default_scripts.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg::tools {
namespace {

struct IndexOptions {
  bool json = false;
  std::string program, name, category, filter, script, description, root;
  bool useValid = false, removable = false, scripts = false, force = false;
  std::vector<std::string> files;
};

// The folder of the bundled script programs: "scripts" beside the tool.
std::string bundledScriptsFolder() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("scripts/") : (self.parent_path() / "scripts").string() + "/";
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

// Prints rows of named fields as CSV (with a header line) or as a JSON array of objects.
class Table {
 public:
  Table(bool json, std::vector<std::string> columns) : m_json(json), m_columns(std::move(columns)) {
    if (m_json) {
      std::cout << "[";
    } else {
      for (std::size_t i = 0; i < m_columns.size(); ++i)
        std::cout << (i ? "," : "") << m_columns[i];
      std::cout << '\n';
    }
  }
  ~Table() { std::cout << (m_json ? (m_rows ? "\n]\n" : "]\n") : ""); }
  void row(const std::vector<std::string>& values) {
    if (m_json) {
      std::cout << (m_rows ? ",\n " : "\n ") << "{";
      for (std::size_t i = 0; i < values.size(); ++i)
        std::cout << (i ? ", " : "") << jsonString(m_columns[i]) << ": " << jsonString(values[i]);
      std::cout << "}";
    } else {
      for (std::size_t i = 0; i < values.size(); ++i)
        std::cout << (i ? "," : "") << csvField(values[i]);
      std::cout << '\n';
    }
    ++m_rows;
  }

 private:
  bool m_json;
  std::vector<std::string> m_columns;
  int m_rows = 0;
};

std::string number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

// Answers the disk-description box with the text given on the command line.
class DescribingUserInterface final : public UserInterface {
 public:
  explicit DescribingUserInterface(std::string description)
      : m_description(std::move(description)) {}
  std::string inputBox(const std::string&, const std::string&, const std::string&) override {
    return m_description;
  }
  MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t style,
                               const std::string& title) override {
    return m_console.messageBox(prompt, style, title);
  }

 private:
  std::string m_description;
  ConsoleUserInterface m_console{"tessaglyph"};
};

// The best script for a file: a validated match first, then the lowest script priority.
std::string bestScript(TessaglyphIndex& index, const std::string& file) {
  Array<TG_I_SCRIPTCANDIDATE> candidates = index.findScriptFile(file);
  if (candidates.empty()) return {};
  TessaglyphIndex::sortScriptCandidatesByPriority(candidates);
  TessaglyphIndex::sortScriptCandidatesByMatch(candidates);
  return candidates[0].scriptName;
}

int addFiles(TessaglyphIndex& index, const IndexOptions& o, const std::vector<std::string>& files) {
  DescribingUserInterface describing(o.description);
  std::unique_ptr<InstalledUserInterface> installed;
  if (o.removable && !o.description.empty())
    installed = std::make_unique<InstalledUserInterface>(describing);
  std::string disk = o.removable ? "GetRMDesc" : "";
  Table table(o.json, {"file", "script", "result"});
  int failures = 0;
  for (const std::string& given : files) {
    std::error_code error;
    const std::string file = std::filesystem::absolute(given, error).lexically_normal().string();
    const std::string script = o.script.empty() ? bestScript(index, file) : o.script;
    if (script.empty()) {
      table.row({file, "", "not indexed: no registered script reads it"});
      ++failures;
      continue;
    }
    Long found = 0;
    try {
      index.indexSourceFile(file, script, o.category, o.removable, o.removable ? &disk : nullptr,
                            &found);
    } catch (const Error& e) {
      table.row({file, script, "not indexed: " + errorText(e)});
      ++failures;
      continue;
    }
    if (found == TG_I_FOUND_NOTINDEXED) {
      table.row({file, script, "not indexed: the script gives it no usable bounds or resolution"});
      ++failures;
    } else {
      table.row({file, script, found == TG_I_FOUND_ALREADY ? "already indexed" : "indexed"});
    }
  }
  return failures ? 1 : 0;
}

int listFiles(TessaglyphIndex& index, bool json) {
  Table table(json, {"record", "file", "script", "priority", "datum", "north", "south", "west",
                     "east", "xres", "yres", "removable"});
  const Long count = index.numIndexRecords();
  for (Long n = 0; n < count; ++n) {
    const TG_I_INDEXRECORD r = index.getIndexRecord(n);
    const TG_BOUNDS& b = r.metrics.bounds;
    table.row({std::to_string(n), r.sourcePath + r.sourceFile, r.scriptFile, r.priorityName,
               r.metrics.datum, number(b.northLat), number(b.southLat), number(b.westLon),
               number(b.eastLon), number(r.metrics.xResolution), number(r.metrics.yResolution),
               r.onRemovableMedia ? "yes" : "no"});
  }
  return 0;
}

int listScripts(TessaglyphIndex& index, bool json) {
  Table table(json, {"record", "name", "program", "filter", "priority", "validate"});
  const Long count = index.numScriptIndexRecords();
  for (Long n = 0; n < count; ++n) {
    const TG_I_SCRIPTINDEXRECORD r = index.getScriptIndexRecord(n);
    table.row({std::to_string(n), r.scriptName, r.scriptFile, r.sourceFileFilter, r.priorityName,
               r.useValid ? "yes" : "no"});
  }
  return 0;
}

int runIndex(CLI::App& command, const IndexOptions& o) {
  TessaglyphIndex index;
  try {
    index.initIndexSystem();
  } catch (const Error& e) {
    std::cerr << "tessaglyph index: cannot open the index: " << errorText(e) << '\n';
    return 2;
  }
  const std::string sub = command.get_subcommands().empty()
                              ? std::string()
                              : command.get_subcommands().front()->get_name();
  try {
    if (sub == "defaults") {
      const int found = registerDefaultScripts(index, bundledScriptsFolder());
      std::cerr << "tessaglyph index: " << found << " bundled scripts registered\n";
      return listScripts(index, o.json);
    }
    if (sub == "add-script") {
      std::string program = o.program;
      std::error_code error;
      if (!std::filesystem::is_regular_file(program, error)) {
        program = bundledScriptsFolder() + o.program + ".tgp";
        if (!std::filesystem::is_regular_file(program, error)) {
          std::cerr << "tessaglyph index: no script program " << o.program << '\n';
          return 2;
        }
      }
      program = std::filesystem::absolute(program, error).lexically_normal().string();
      if (index.findScript(o.name) != -1) {
        std::cerr << "tessaglyph index: a script named " << o.name << " is registered already\n";
        return 1;
      }
      index.indexScriptFileEx(program, o.name, o.category, o.filter, o.useValid ? -1 : 0);
      return listScripts(index, o.json);
    }
    if (sub == "add") return addFiles(index, o, o.files);
    if (sub == "scan") {
      Long found = 0;
      const Array<std::string> files = index.directoryScan(o.root, found);
      std::vector<std::string> list(files.begin() + 1, files.end());
      return addFiles(index, o, list);
    }
    if (sub == "list") return o.scripts ? listScripts(index, o.json) : listFiles(index, o.json);
    if (sub == "remove") {
      std::error_code error;
      const Long n = index.findSource(
          std::filesystem::absolute(o.files.front(), error).lexically_normal().string());
      if (n == -1) {
        std::cerr << "tessaglyph index: " << o.files.front() << " is not indexed\n";
        return 1;
      }
      index.deleteIndexedFile(n);
      return 0;
    }
    if (sub == "remove-script") {
      const Long n = index.findScript(o.name);
      if (n == -1) {
        std::cerr << "tessaglyph index: no script named " << o.name << '\n';
        return 1;
      }
      index.deleteIndexedScript(n, o.force);
      if (index.findScript(o.name) != -1) {
        std::cerr << "tessaglyph index: " << o.name
                  << " still reads indexed files; --force removes it anyway\n";
        return 1;
      }
      return 0;
    }
  } catch (const Error& e) {
    std::cerr << "tessaglyph index: " << errorText(e) << '\n';
    return 2;
  }
  return 2;
}

}  // namespace

Subcommand addIndexCommand(CLI::App& app) {
  auto o = std::make_shared<IndexOptions>();
  CLI::App* index = app.add_subcommand("index", "Keeps the catalogue of source files and scripts");
  index->require_subcommand(1);
  index->add_flag("--json", o->json, "JSON output instead of CSV");

  index->add_subcommand("defaults", "Registers the bundled format scripts");
  CLI::App* addScript = index->add_subcommand("add-script", "Registers a format script");
  addScript->add_option("program", o->program, "a compiled script (.tgp) or a bundled name")
      ->required();
  addScript->add_option("--name", o->name, "the name to register it under")->required();
  addScript->add_option("--category", o->category, "its priority name");
  addScript->add_option("--filter", o->filter, "the pattern of the file names it reads");
  addScript->add_flag("--use-valid", o->useValid, "offer it only for files its VALID accepts");

  CLI::App* add = index->add_subcommand("add", "Indexes source files");
  add->add_option("files", o->files, "the source files")->required();
  add->add_option("--script", o->script, "the registered script that reads them");
  add->add_option("--category", o->category, "their priority name");
  CLI::Option* removable =
      add->add_flag("--removable", o->removable, "they lie on a removable disk");
  add->add_option("--description", o->description, "the disk's description")->needs(removable);

  CLI::App* scan = index->add_subcommand("scan", "Indexes the files below a folder");
  scan->add_option("folder", o->root, "the folder")->required();
  scan->add_option("--category", o->category, "their priority name");

  CLI::App* list = index->add_subcommand("list", "Lists the indexed files");
  list->add_flag("--scripts", o->scripts, "list the registered scripts instead");

  CLI::App* remove = index->add_subcommand("remove", "Removes a file from the index");
  remove->add_option("file", o->files, "the source file")->required()->expected(1);
  CLI::App* removeScript = index->add_subcommand("remove-script", "Removes a script");
  removeScript->add_option("name", o->name, "its registered name")->required();
  removeScript->add_flag("--force", o->force, "even while indexed files use it");

  return {index, [index, o] { return runIndex(*index, *o); }};
}

}  // namespace tg::tools
