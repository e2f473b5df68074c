// The per-user application settings store: values kept by application name, section and key in
// one settings file of the user ("user-settings.ini" in the settings folder), where each
// application's section is "<application>\<section>".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tg {

// The file that holds the store.
std::string userSettingsPath();
// The stored value, or empty when the application, section or key has none.
std::optional<std::string> readUserSetting(std::string_view application, std::string_view section,
                                           std::string_view key);
// Stores a value (creating the file and the section); error 75 when the file cannot be written.
void writeUserSetting(std::string_view application, std::string_view section, std::string_view key,
                      std::string_view value);

}  // namespace tg
