// The component's settings file "Tessaglyph.ini" in the base directory: its keys with their
// defaults, the expansion of stored folders, the default file and the removal of rule sections.
// Reading a key never fails; writing one first fills a file that has no data with the defaults.
#pragma once

#include <string>
#include <string_view>

#include "support/component_settings.hpp"
#include "tessaglyph/types.hpp"

namespace tg::settings {

// The settings keys of section "Tessa Glyph" that hold texts.
enum class Key {
  programEditorDir,
  virtualMachineDir,
  qpkmanDir,
  uninstallLogName,
  programsDir,
  sourceDataDir,
  qpkUninstallDir,
  sourceIndex,
  sourceRMDesc,
  scriptIndex,
};

// A stored text that begins with a separator names a place below the base directory; any other
// text is returned unchanged.
std::string expandStoredPath(std::string_view stored);

// The key's value (its default when the file has no data or lacks the key), expanded.
std::string read(Key key);
// Writes the key, filling the file with the defaults first when it has none.
void write(Key key, std::string_view value);
// Values outside 1..225 are ignored.
void setMaxOpenAreaFiles(Integer value);

// Writes the default settings file over `filename`, the default rules' section included.
void writeDefaultIniFile(const std::string& filename);
// Removes every "[SPR ...]" section of the file, keeping every other line in order.
void clearINITemplateData(const std::string& filename);

}  // namespace tg::settings
