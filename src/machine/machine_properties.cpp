// What the loaded program declares, as the machine reads it: instructions, debugging records,
// routine entry points, script properties and attributes, and the settings the machine takes
// from them (data lock, data-void value, self-validation).
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "machine/machine_access.hpp"
#include "support/conversions.hpp"
#include "support/method_scope.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

namespace {

template <typename T>
const T& entryAt(const std::vector<T>& list, Integer index, const char* source) {
  if (index < 0 || std::size_t(index) >= list.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  return list[std::size_t(index)];
}

// A property's text as a Boolean; empty when it is no Boolean.
std::optional<bool> booleanOf(const std::string& text) {
  try {
    return textToBoolean(text);
  } catch (const Error&) {
    return std::nullopt;
  }
}

}  // namespace

TG_M_PROPERTY TessaglyphMachine::properties(Integer index) const {
  constexpr const char* source = "TessaglyphMachine::properties Get";
  MethodScope scope(profiler(), source);
  return entryAt(m_core->properties, index, source);
}

TG_M_ATTRIBUTEINFO TessaglyphMachine::Attributes(Integer index) const {
  constexpr const char* source = "TessaglyphMachine::Attributes Get";
  MethodScope scope(profiler(), source);
  return entryAt(m_core->attributes, index, source);
}

TG_M_INSTRUCTION TessaglyphMachine::instructions(Integer index) const {
  constexpr const char* source = "TessaglyphMachine::instructions Get";
  MethodScope scope(profiler(), source);
  return entryAt(m_core->instructions, index, source);
}

TG_M_DEBUGGINGINFO TessaglyphMachine::debugInfo(Integer index) const {
  constexpr const char* source = "TessaglyphMachine::debugInfo Get";
  MethodScope scope(profiler(), source);
  return entryAt(m_core->debugInfo, index, source);
}

Integer TessaglyphMachine::routineLocations(TG_M_ROUTINEARRAYINDICIES routine) const {
  constexpr const char* source = "TessaglyphMachine::routineLocations Get";
  MethodScope scope(profiler(), source);
  if (routine < TG_M_RAI_VALID_MIN || routine > TG_M_RAI_VALID_MAX) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  return m_core->routineLocations[std::size_t(routine)];
}

Integer TessaglyphMachine::getPropertyIndex(std::string_view name) const {
  MethodScope scope(profiler(), "TessaglyphMachine::getPropertyIndex");
  for (std::size_t i = 0; i < m_core->properties.size(); ++i) {
    if (sameName(m_core->properties[i].name, name)) return Integer(i);
  }
  return -1;
}

Integer TessaglyphMachine::getAttributeIndex(std::string_view name) const {
  MethodScope scope(profiler(), "TessaglyphMachine::getAttributeIndex");
  for (std::size_t i = 0; i < m_core->attributes.size(); ++i) {
    if (sameName(m_core->attributes[i].name, name)) return Integer(i);
  }
  return -1;
}

std::string TessaglyphMachine::getPropertyValue(std::string_view name) const {
  constexpr const char* source = "TessaglyphMachine::getPropertyValue";
  MethodScope scope(profiler(), source);
  const Integer index = getPropertyIndex(name);
  if (index >= 0) return toLower(m_core->properties[std::size_t(index)].value);

  const std::string key = toLower(trimBlanks(name));
  if (key == "latlonformat") return {};
  if (!isRecognizedProperty(key)) {
    throw Error(TG_M_E_INVALIDPROPERTYNAME, source,
                "\"" + std::string(name) + "\" is not a defined property name.");
  }
  const std::string layout = key == "filelayout" ? "unspecified" : getPropertyValue("filelayout");
  return toLower(getDefaultPropertySetting(key, layout));
}

Boolean TessaglyphMachine::selfValidating() const {
  MethodScope scope(profiler(), "TessaglyphMachine::selfValidating Get");
  if (!m_core->selfValidating) {
    m_core->selfValidating = booleanOf(getPropertyValue("selfvalidating")).value_or(false);
  }
  return *m_core->selfValidating;
}

bool TessaglyphMachine::effectiveDataLock() const {
  switch (m_core->dataLock) {
    case TG_M_DL_FALSE:
      return false;
    case TG_M_DL_USESCRIPT:
      if (!m_core->scriptDataLock) {
        m_core->scriptDataLock = booleanOf(getPropertyValue("datalock")).value_or(true);
      }
      return *m_core->scriptDataLock;
    case TG_M_DL_TRUE:
      break;
  }
  // Any value the enumeration does not know locks, like TG_M_DL_TRUE.
  return true;
}

Single TessaglyphMachine::datavoidValue() const {
  MethodScope scope(profiler(), "TessaglyphMachine::datavoidValue Get");
  if (!m_core->datavoidValue) {
    Single value = TG_M_DPEC_NONEXISTENTPOINT;
    std::string setting = getPropertyValue("datavoidvalue");
    if (setting == "byfile") {
      // The file itself says, through the script's "ddatavoidvalue" attribute; a script
      // without one keeps -32100. Reading it runs script code, which changes machine state
      // but not what this property reports, so the read is done through the mutable machine.
      const Integer attribute = getAttributeIndex("ddatavoidvalue");
      setting.clear();
      if (attribute >= 0) {
        setting = const_cast<TessaglyphMachine*>(this)->attribute_read(attribute);
      }
    }
    const auto number = parseNumber(setting);
    if (number && std::fabs(*number) <= std::numeric_limits<Single>::max()) {
      value = Single(*number);
    }
    m_core->datavoidValue = value;
  }
  return *m_core->datavoidValue;
}

void TessaglyphMachine::setDatavoidValue(Single value) {
  MethodScope scope(profiler(), "TessaglyphMachine::datavoidValue Let");
  m_core->datavoidValue = value;
}

}  // namespace tg
