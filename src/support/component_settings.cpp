// The component's settings file: its place, whether it holds data, and the keys every layer reads.
#include "support/component_settings.hpp"

#include <filesystem>
#include <fstream>
#include <optional>

#include "support/conversions.hpp"
#include "support/paths.hpp"
#include "support/profile_file.hpp"
#include "tessaglyph/error.hpp"

namespace tg::settings {
namespace {

bool fileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

void raiseAccessError() {
  throw Error(PLATFORM_E_PATHFILEACCESSERROR, {}, "Path/File access error");
}
std::string harrowfeldDirectory() {
  std::string folder = baseDirectory();
  while (!folder.empty() && folder.back() == '\0')
    folder.pop_back();
  while (folder.size() >= 2 && isPathSeparator(folder.back()) &&
         isPathSeparator(folder[folder.size() - 2])) {
    folder.pop_back();
  }
  return folder;
}

std::string iniFileName() {
  // Kept between calls while the base directory stays where it is; a file that went away is
  // created again.
  static std::string base, cached;
  const std::string folder = harrowfeldDirectory();
  if (cached.empty() || folder != base || !fileExists(cached)) {
    base = folder;
    cached = resolvePath(folder + "Tessaglyph.ini");
    if (!fileExists(cached)) {
      std::ofstream out(cached, std::ios::binary | std::ios::trunc);
      out << "[Tessa Glyph]\nexists=False\n";
      if (!out) raiseAccessError();
    }
  }
  return cached;
}

bool iniFileHasData() {
  const std::string file = iniFileName();
  try {
    return textToBoolean(readProfileString(kSection, "exists", "False", file));
  } catch (const Error&) {
    return false;  // a value that is no Boolean is no data either
  }
}

std::string storedSetting(const char* key, const char* defaultValue) {
  const std::string file = iniFileName();
  if (!iniFileHasData()) return defaultValue;
  return readProfileString(kSection, key, defaultValue, file);
}

Integer maxOpenAreaFiles() {
  const std::string text = storedSetting(kMaxOpenAreaFilesKey, "225");
  const std::optional<double> value = parseNumber(text);
  if (!value || *value < 1 || *value > kMaxOpenAreaFilesLimit) return kMaxOpenAreaFilesLimit;
  return roundToInteger(*value);
}

}  // namespace tg::settings
