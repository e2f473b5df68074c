// Tessaglyph's settings members and the naming of uninstall logs.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "index/settings_file.hpp"
#include "support/paths.hpp"
#include "support/pattern_match.hpp"
#include "support/text.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg {

using settings::Key;

std::string Tessaglyph::iniHProgramEditorDir() const {
  return settings::read(Key::programEditorDir);
}
void Tessaglyph::setIniHProgramEditorDir(const std::string& value) const {
  settings::write(Key::programEditorDir, value);
}
std::string Tessaglyph::iniHVirtualMachineDir() const {
  return settings::read(Key::virtualMachineDir);
}
void Tessaglyph::setIniHVirtualMachineDir(const std::string& value) const {
  settings::write(Key::virtualMachineDir, value);
}
std::string Tessaglyph::iniHQPKManDir() const {
  return settings::read(Key::qpkmanDir);
}
void Tessaglyph::setIniHQPKManDir(const std::string& value) const {
  settings::write(Key::qpkmanDir, value);
}
std::string Tessaglyph::iniHUninstallLogName() const {
  return settings::read(Key::uninstallLogName);
}
void Tessaglyph::setIniHUninstallLogName(const std::string& value) const {
  settings::write(Key::uninstallLogName, value);
}
std::string Tessaglyph::iniHProgramsDir() const {
  return settings::read(Key::programsDir);
}
void Tessaglyph::setIniHProgramsDir(const std::string& value) const {
  settings::write(Key::programsDir, value);
}
std::string Tessaglyph::iniHSourceDataDir() const {
  return settings::read(Key::sourceDataDir);
}
void Tessaglyph::setIniHSourceDataDir(const std::string& value) const {
  settings::write(Key::sourceDataDir, value);
}
std::string Tessaglyph::iniHQPKUninstallDir() const {
  return settings::read(Key::qpkUninstallDir);
}
void Tessaglyph::setIniHQPKUninstallDir(const std::string& value) const {
  settings::write(Key::qpkUninstallDir, value);
}
std::string Tessaglyph::iniHSourceIndex() const {
  return settings::read(Key::sourceIndex);
}
void Tessaglyph::setIniHSourceIndex(const std::string& value) const {
  settings::write(Key::sourceIndex, value);
}
std::string Tessaglyph::iniHScriptIndex() const {
  return settings::read(Key::scriptIndex);
}
void Tessaglyph::setIniHScriptIndex(const std::string& value) const {
  settings::write(Key::scriptIndex, value);
}
Integer Tessaglyph::iniHMaxOpenAreaFiles() const {
  return settings::maxOpenAreaFiles();
}
void Tessaglyph::setIniHMaxOpenAreaFiles(Integer value) const {
  settings::setMaxOpenAreaFiles(value);
}

std::string Tessaglyph::getHarrowfeldDirectory() const {
  return settings::harrowfeldDirectory();
}
std::string Tessaglyph::getTessaglyphININame() const {
  return settings::iniFileName();
}
void Tessaglyph::writeDefaultIniFile(const std::string& filename) const {
  settings::writeDefaultIniFile(filename);
}
void Tessaglyph::clearINITemplateData(const std::string& filename) const {
  settings::clearINITemplateData(filename);
}
Boolean Tessaglyph::iniFileHasData() const {
  return settings::iniFileHasData();
}

namespace {

std::string uninstallFolder() {
  std::string folder = settings::read(Key::qpkUninstallDir);
  if (folder.empty() || !isPathSeparator(folder.back())) folder += '/';
  return folder;
}

// The installation identifier of a log name: the text between the third "_" and the extension.
std::string_view uidOfLogName(std::string_view name) {
  std::size_t position = 0;
  for (int i = 0; i < 3; ++i) {
    position = name.find('_', position);
    if (position == std::string_view::npos) return {};
    ++position;
  }
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot < position) return name.substr(position);
  return name.substr(position, dot - position);
}

}  // namespace

Array<std::string> Tessaglyph::getQPKUninstallLogs(const std::string& uid) const {
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  const std::string folder = resolvePath(uninstallFolder());
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    const std::string name = it->path().filename().string();
    if (!likeMatch(name, "????????_????_*.TGU", PatternCase::Insensitive)) continue;
    if (!trimBlanks(uid).empty() && !sameName(uidOfLogName(name), uid)) continue;
    found.push_back(joinPath(folder, name));
  }
  std::sort(found.begin(), found.end());
  return Array<std::string>(0, std::move(found));
}

std::string Tessaglyph::getUninstallLogName(const std::string& uid, Date installDate) const {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(installDate);
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d_%02d%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
  const std::string folder = uninstallFolder();
  const std::string suffix = "_" + toUpper(trimBlanks(uid)) + ".TGU";
  for (long counter = 1;; ++counter) {
    std::string candidate = folder + stamp + "_" + std::to_string(counter) + suffix;
    std::error_code error;
    if (!std::filesystem::exists(resolvePath(candidate), error)) return candidate;
  }
}

}  // namespace tg
