// tessaglyph settings: the settings file's path, its keys as the library reads them, and the
// priority-rule templates it keeps.
//
//   tessaglyph settings [--json]
//
// Exit status: 0 done, 2 for a bad command line or a settings file that cannot be read.
#include <iostream>
#include <memory>
#include <string>

#include "common/scripted_file.hpp"
#include "common/subcommand.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg::tools {
namespace {

std::string jsonText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

int runSettings(bool json) {
  try {
    const Tessaglyph top;
    const std::pair<const char*, std::string> keys[] = {
        {"program editor dir", top.iniHProgramEditorDir()},
        {"virtual machine dir", top.iniHVirtualMachineDir()},
        {"qpkman dir", top.iniHQPKManDir()},
        {"qpk uninstall log", top.iniHUninstallLogName()},
        {"programs dir", top.iniHProgramsDir()},
        {"source data dir", top.iniHSourceDataDir()},
        {"qpk uninstall dir", top.iniHQPKUninstallDir()},
        {"source index", top.iniHSourceIndex()},
        {"script index", top.iniHScriptIndex()},
        {"max open area files", std::to_string(top.iniHMaxOpenAreaFiles())},
    };
    top.loadSPRTemplates();
    const std::string file = top.getTessaglyphININame();
    if (json) {
      std::cout << "{\"file\": " << jsonText(file)
                << ", \"has data\": " << (top.iniFileHasData() ? "true" : "false")
                << ",\n \"keys\": {";
      for (std::size_t i = 0; i < std::size(keys); ++i) {
        std::cout << (i ? ",\n  " : "\n  ") << jsonText(keys[i].first) << ": "
                  << jsonText(keys[i].second);
      }
      std::cout << "},\n \"templates\": [";
      for (Integer i = 0; i < top.numSPRTemplates(); ++i)
        std::cout << (i ? ", " : "") << jsonText(top.sprTemplate(i)->sprName());
      std::cout << "]}\n";
      return 0;
    }
    std::cout << "key,value\n"
              << "file," << file << '\n'
              << "has data," << (top.iniFileHasData() ? "True" : "False") << '\n';
    for (const auto& [key, value] : keys)
      std::cout << key << ',' << value << '\n';
    for (Integer i = 0; i < top.numSPRTemplates(); ++i) {
      const auto rules = top.sprTemplate(i);
      std::cout << "template " << (i + 1) << ',' << rules->sprName() << '\n';
    }
  } catch (const Error& error) {
    std::cerr << "tessaglyph settings: " << errorText(error) << '\n';
    return 2;
  }
  return 0;
}

}  // namespace

Subcommand addSettingsCommand(CLI::App& app) {
  auto json = std::make_shared<bool>(false);
  CLI::App* settings = app.add_subcommand(
      "settings", "Prints the settings file's path, its keys and the priority-rule templates");
  settings->add_flag("--json", *json, "JSON output instead of CSV");
  return {settings, [json] { return runSettings(*json); }};
}

}  // namespace tg::tools
