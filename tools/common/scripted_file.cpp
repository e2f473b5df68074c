#include "scripted_file.hpp"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>
#include <utility>
#include <vector>

#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/program.hpp"

namespace tg::tools {

const std::map<std::string, TG_M_INTERPOLATIONMODES>& interpolationNames() {
  static const std::map<std::string, TG_M_INTERPOLATIONMODES> names = {
      {"none", TG_M_IM_NONE},
      {"closest", TG_M_IM_CLOSESTPOINT},
      {"4", TG_M_IM_4POINT},
      {"12", TG_M_IM_12POINT}};
  return names;
}

std::string valueText(Single value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

const char* reservedMeaning(Single value) {
  if (value == -32100.0f) return "no data at this position";
  if (value == -32101.0f) return "an interpolation lacked a grid point (void or edge)";
  if (value == -52000.0f) return "the read failed";
  return nullptr;
}

std::string errorText(const Error& error) {
  return error.description() + " (error " + std::to_string(error.number()) + ")";
}

std::optional<std::string> unreadable(const std::string& path, const char* what) {
  std::error_code code;
  if (!std::filesystem::exists(path, code))
    return std::string(what) + " \"" + path + "\" does not exist";
  if (!std::filesystem::is_regular_file(path, code))
    return std::string(what) + " \"" + path + "\" is not a file";
  std::ifstream probe(path, std::ios::binary);
  if (!probe) return std::string(what) + " \"" + path + "\" cannot be read";
  return std::nullopt;
}

std::string scriptText(TessaglyphMachine& machine, std::string_view name) {
  const Integer index = machine.getPropertyIndex(name);
  return index < 0 ? std::string() : machine.properties(index).value;
}

std::string scriptPath(const std::string& script) {
  std::error_code code;
  if (script.find('/') != std::string::npos || script.ends_with(".tgp") ||
      std::filesystem::exists(script, code))
    return script;
  const std::string name = script + ".tgp";
  std::vector<std::filesystem::path> folders;
  const std::filesystem::path tool = std::filesystem::read_symlink("/proc/self/exe", code);
  if (!code) folders.push_back(tool.parent_path() / "scripts");
  folders.push_back(std::filesystem::path(installedDataFolder()) / "scripts");
  for (const std::filesystem::path& folder : folders) {
    if (std::filesystem::is_regular_file(folder / name, code)) return (folder / name).string();
  }
  return script;
}

std::string scriptAttribute(TessaglyphMachine& machine, std::string_view name) {
  const Integer index = machine.getAttributeIndex(name);
  return index < 0 ? std::string() : std::string(trimBlanks(machine.attribute_read(index)));
}

std::shared_ptr<TessaglyphFile> openWithScript(const std::string& command, const std::string& file,
                                               const std::string& script) {
  for (const auto& [path, what] : {std::pair{script, "script"}, std::pair{file, "file"}}) {
    if (const auto problem = unreadable(path, what)) {
      std::cerr << "tessaglyph " << command << ": " << *problem << '\n';
      return nullptr;
    }
  }
  // The steps of Tessaglyph::OpenFile, taken here so that a file its script refuses can still
  // be asked why (the "refusal" attribute of the bundled scripts).
  auto opened = std::make_shared<TessaglyphFile>();
  try {
    opened->setExecuteMode(TG_F_EM_NORMAL);
    {
      TessaglyphProgram program;
      if (program.readProgram(script, 1) == -1) {
        std::cerr << "tessaglyph " << command << ": script \"" << script
                  << "\" is not a program file the library can read\n";
        return nullptr;
      }
      auto machine = std::make_shared<TessaglyphMachine>();
      program.prepareMachine(machine);
      opened->setMachine(std::move(machine));
    }
    opened->setFilename(file);
    opened->openSource();
    if (opened->isOpen()) return opened;
    std::cerr << "tessaglyph " << command << ": \"" << file << "\" could not be opened\n";
  } catch (const Error& error) {
    std::string reason;
    if (error.number() == TG_F_E_FILEINVALID && opened->machine()) {
      try {
        reason = scriptAttribute(*opened->machine(), "refusal");
      } catch (const Error&) {
        // the refusal stands without its reason
      }
    }
    std::cerr << "tessaglyph " << command << ": cannot read \"" << file << "\" with script \""
              << script << "\": " << errorText(error) << (reason.empty() ? "" : ": ") << reason
              << '\n';
  }
  return nullptr;
}

std::string scriptDatum(TessaglyphFile& file) {
  const TG_BOUNDS& b = file.metrics().bounds;
  return file.machine()->getDatum((b.westLon + b.eastLon) / 2, (b.northLat + b.southLat) / 2);
}

}  // namespace tg::tools
