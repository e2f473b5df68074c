// The settings an area reads when it is created.
#include "source/area_settings.hpp"

#include <optional>
#include <string>

#include "support/component_settings.hpp"
#include "support/conversions.hpp"
#include "support/profile_file.hpp"

namespace tg {

Double areaBoundaryResolutionSetting() {
  const std::string text =
      readProfileString("TessaglyphArea", "m_boundaryResolution", "", settings::iniFileName());
  const std::optional<double> value = parseNumber(text);
  return value ? *value : 0;
}

}  // namespace tg
