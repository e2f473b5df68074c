// The settings an area reads when it is created.
#include "source/area_settings.hpp"

#include <optional>
#include <string>

#include "support/conversions.hpp"
#include "support/paths.hpp"
#include "support/profile_file.hpp"
#include "tessaglyph/area.hpp"

namespace tg {

namespace {

std::string componentSettingsFile() {
  return resolvePath(joinPath(baseDirectory(), "Tessaglyph.ini"));
}

}  // namespace

Integer areaMaximumOpenFilesSetting() {
  const std::string text =
      readProfileString("Tessa Glyph", "max open area files", "", componentSettingsFile());
  const std::optional<double> value = parseNumber(text);
  if (!value || *value < 1 || *value > kMaxAreaOpenFiles) return kMaxAreaOpenFiles;
  return Integer(roundHalfEven(*value));
}

Double areaBoundaryResolutionSetting() {
  const std::string text =
      readProfileString("TessaglyphArea", "m_boundaryResolution", "", componentSettingsFile());
  const std::optional<double> value = parseNumber(text);
  return value ? *value : 0;
}

}  // namespace tg
