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
  return entryAt(m_properties, index, source);
}

TG_M_ATTRIBUTEINFO TessaglyphMachine::Attributes(Integer index) const {
  constexpr const char* source = "TessaglyphMachine::Attributes Get";
  MethodScope scope(profiler(), source);
  return entryAt(m_attributes, index, source);
}

TG_M_INSTRUCTION TessaglyphMachine::instructions(Integer index) const {
  constexpr const char* source = "TessaglyphMachine::instructions Get";
  MethodScope scope(profiler(), source);
  return entryAt(m_instructions, index, source);
}

TG_M_DEBUGGINGINFO TessaglyphMachine::debugInfo(Integer index) const {
  constexpr const char* source = "TessaglyphMachine::debugInfo Get";
  MethodScope scope(profiler(), source);
  return entryAt(m_debugInfo, index, source);
}

Integer TessaglyphMachine::routineLocations(TG_M_ROUTINEARRAYINDICIES routine) const {
  constexpr const char* source = "TessaglyphMachine::routineLocations Get";
  MethodScope scope(profiler(), source);
  if (routine < TG_M_RAI_VALID_MIN || routine > TG_M_RAI_VALID_MAX) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  return m_routineLocations[std::size_t(routine)];
}

Integer TessaglyphMachine::getPropertyIndex(std::string_view name) const {
  MethodScope scope(profiler(), "TessaglyphMachine::getPropertyIndex");
  for (std::size_t i = 0; i < m_properties.size(); ++i) {
    if (sameName(m_properties[i].name, name)) return Integer(i);
  }
  return -1;
}

Integer TessaglyphMachine::getAttributeIndex(std::string_view name) const {
  MethodScope scope(profiler(), "TessaglyphMachine::getAttributeIndex");
  for (std::size_t i = 0; i < m_attributes.size(); ++i) {
    if (sameName(m_attributes[i].name, name)) return Integer(i);
  }
  return -1;
}

std::string TessaglyphMachine::getPropertyValue(std::string_view name) const {
  constexpr const char* source = "TessaglyphMachine::getPropertyValue";
  MethodScope scope(profiler(), source);
  const Integer index = getPropertyIndex(name);
  if (index >= 0) return toLower(m_properties[std::size_t(index)].value);

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
  if (!m_selfValidating) {
    m_selfValidating = booleanOf(getPropertyValue("selfvalidating")).value_or(false);
  }
  return *m_selfValidating;
}

bool TessaglyphMachine::effectiveDataLock() const {
  switch (m_dataLock) {
    case TG_M_DL_FALSE:
      return false;
    case TG_M_DL_USESCRIPT:
      if (!m_scriptDataLock) {
        m_scriptDataLock = booleanOf(getPropertyValue("datalock")).value_or(true);
      }
      return *m_scriptDataLock;
    case TG_M_DL_TRUE:
      break;
  }
  // Any value the enumeration does not know locks, like TG_M_DL_TRUE.
  return true;
}

Single TessaglyphMachine::datavoidValue() const {
  MethodScope scope(profiler(), "TessaglyphMachine::datavoidValue Get");
  if (!m_datavoidValue) {
    Single value = TG_M_DPEC_NONEXISTENTPOINT;
    const std::string setting = getPropertyValue("datavoidvalue");
    if (setting != "byfile") {
      const auto number = parseNumber(setting);
      if (number && std::fabs(*number) <= std::numeric_limits<Single>::max()) {
        value = Single(*number);
      }
    }
    // "byfile" names the value through the script's "ddatavoidvalue" attribute. Reading it
    // needs the attribute code to run, which this machine cannot do yet, so such a script
    // keeps -32100.
    m_datavoidValue = value;
  }
  return *m_datavoidValue;
}

void TessaglyphMachine::setDatavoidValue(Single value) {
  MethodScope scope(profiler(), "TessaglyphMachine::datavoidValue Let");
  m_datavoidValue = value;
}

}  // namespace tg
