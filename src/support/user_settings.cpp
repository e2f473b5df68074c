#include "support/user_settings.hpp"

#include "support/paths.hpp"
#include "support/profile_file.hpp"

namespace tg {

namespace {

std::string storeSection(std::string_view application, std::string_view section) {
  std::string name(application);
  name += '\\';
  name += section;
  return name;
}

}  // namespace

std::string userSettingsPath() {
  return settingsFilePath("user-settings.ini");
}

std::optional<std::string> readUserSetting(std::string_view application, std::string_view section,
                                           std::string_view key) {
  const std::string path = userSettingsPath();
  // A value of its own marks a missing key, since a stored value may be any text but a line end.
  constexpr std::string_view kMissing = "\n";
  std::string value = readProfileString(storeSection(application, section), key, kMissing, path);
  if (value == kMissing) return std::nullopt;
  return value;
}

void writeUserSetting(std::string_view application, std::string_view section, std::string_view key,
                      std::string_view value) {
  const std::string path = userSettingsPath();
  ensureFolder(folderOf(path));
  writeProfileString(storeSection(application, section), key, value, path);
}

}  // namespace tg
