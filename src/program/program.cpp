// The program object itself: its empty state, the name lookups every member shares, the
// variable memory and the dataCorrected event.
#include "tessaglyph/program.hpp"

#include <algorithm>
#include <string>

#include "program/letter_code.hpp"
#include "program/program_lists.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

using namespace program_lists;

TessaglyphProgram::TessaglyphProgram() {
  resetContent();
}

void TessaglyphProgram::resetContent() {
  m_lastUsedFilename.clear();
  m_properties.clear();
  m_routines.clear();
  m_attributes.clear();
  m_literals.clear();
  m_instructions.clear();
  m_variables.clear();
  m_nextLiteralCode = 1;
  m_nextTagCode = 1;
  m_nextVariableCode = 1;
  m_memoryFloor = -1;
  m_reading = false;
}

void TessaglyphProgram::resizeVariables(Long newSize) {
  if (newSize < 0) newSize = 0;
  if (std::size_t(newSize) > kMaxEntries) raisePlatformError(PLATFORM_E_OVERFLOW);
  m_variables.resize(std::size_t(newSize));
}

void TessaglyphProgram::raiseDataCorrected(const std::string& message, const std::string& oldValue,
                                           const std::string& newValue) {
  if (m_eventSink != nullptr) m_eventSink->dataCorrected(message, oldValue, newValue);
}

void TessaglyphProgram::correctNeededMemory(Long newSize, const std::string& message) {
  const auto oldSize = Long(m_variables.size());
  if (newSize <= oldSize) return;
  resizeVariables(newSize);
  raiseDataCorrected(message, std::to_string(oldSize), std::to_string(newSize));
}

namespace {

// As namesMatch for every entry, with the wanted name trimmed once rather than per entry: a
// look-up runs over every entry before it, and programs have thousands.
template <typename List, typename NameOf>
std::optional<std::size_t> findByName(const List& list, std::string_view name, NameOf nameOf) {
  const std::string_view wanted = trimBlanks(name);
  if (wanted.empty()) return std::nullopt;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (equalsIgnoreCase(trimBlanks(nameOf(list[i])), wanted)) return i;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::size_t> TessaglyphProgram::findProperty(std::string_view name) const {
  return findByName(m_properties, name,
                    [](const auto& p) -> const std::string& { return p.propertyName; });
}

std::optional<std::size_t> TessaglyphProgram::findRoutine(std::string_view name) const {
  return findByName(m_routines, name, [](const auto& r) -> const std::string& { return r.name; });
}

std::optional<std::size_t> TessaglyphProgram::findAttribute(std::string_view name) const {
  return findByName(m_attributes, name, [](const auto& a) -> const std::string& { return a.name; });
}

std::optional<std::size_t> TessaglyphProgram::findLiteral(std::string_view name) const {
  return findByName(m_literals, name, [](const auto& l) -> const std::string& { return l.name; });
}

std::optional<std::size_t> TessaglyphProgram::findVariable(std::string_view name) const {
  return findByName(m_variables, name, [](const auto& v) -> const std::string& { return v.name; });
}

std::optional<std::size_t> TessaglyphProgram::findTag(std::string_view name) const {
  return findByName(m_instructions, name,
                    [](const auto& i) -> const std::string& { return i.tag; });
}

std::size_t TessaglyphProgram::requireVariable(std::string_view name, const char* message) const {
  const auto found = findVariable(name);
  if (!found) raiseProgramError(TG_P_E_NOSUCHVARIABLEERROR, std::string(name) + message);
  return *found;
}

}  // namespace tg
