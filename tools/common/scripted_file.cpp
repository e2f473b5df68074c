#include "scripted_file.hpp"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>
#include <utility>

#include "tessaglyph/top_level_object.hpp"

namespace tg::tools {

const std::map<std::string, TG_M_INTERPOLATIONMODES>& interpolationNames() {
  static const std::map<std::string, TG_M_INTERPOLATIONMODES> names = {
      {"none", TG_M_IM_NONE},
      {"closest", TG_M_IM_CLOSESTPOINT},
      {"4", TG_M_IM_4POINT},
      {"12", TG_M_IM_12POINT}};
  return names;
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

std::shared_ptr<TessaglyphFile> openWithScript(const std::string& command, const std::string& file,
                                               const std::string& script) {
  for (const auto& [path, what] : {std::pair{script, "script"}, std::pair{file, "file"}}) {
    if (const auto problem = unreadable(path, what)) {
      std::cerr << "tessaglyph " << command << ": " << *problem << '\n';
      return nullptr;
    }
  }
  try {
    auto opened = Tessaglyph().OpenFile(file, script);
    if (opened && opened->isOpen()) return opened;
    std::cerr << "tessaglyph " << command << ": \"" << file << "\" could not be opened\n";
  } catch (const Error& error) {
    std::cerr << "tessaglyph " << command << ": cannot read \"" << file << "\" with script \""
              << script << "\": " << errorText(error) << '\n';
  }
  return nullptr;
}

std::string scriptDatum(TessaglyphFile& file) {
  const TG_BOUNDS& b = file.metrics().bounds;
  return file.machine()->getDatum((b.westLon + b.eastLon) / 2, (b.northLat + b.southLat) / 2);
}

}  // namespace tg::tools
