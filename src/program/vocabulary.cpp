// Name and number lookups over the vocabulary tables. The tables are small, so every lookup is a
// linear scan; none of them sits on a hot path (names are resolved once, when a program loads).
#include "tessaglyph/vocabulary.hpp"

#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg {
namespace {

// Quotes a name exactly as the caller passed it, as every lookup error does. Built by appending:
// g++ 12 at -O3 reports a false -Wrestrict for `"\"" + std::string(name)`.
std::string quoted(std::string_view name) {
  std::string text;
  text.reserve(name.size() + 2);
  text += '"';
  text += name;
  text += '"';
  return text;
}

[[noreturn]] void raise(std::int32_t number, std::string description) {
  throw Error(number, "", std::move(description));
}

std::vector<std::string> toStrings(std::span<const std::string_view> values) {
  return {values.begin(), values.end()};
}

// Table entries are stored in their canonical spelling, so a trimmed, lower-cased name compares
// with equalsIgnoreCase; that also matches "NOP", the one entry in capitals.
template <typename Table>
auto findByName(const Table& table, std::string_view name) -> decltype(&table[0]) {
  const std::string_view wanted = trimBlanks(name);
  for (const auto& entry : table) {
    if (equalsIgnoreCase(entry.name, wanted)) return &entry;
  }
  return nullptr;
}

const RoutineInfo* findRoutine(std::string_view name) {
  return findByName(routineTable, name);
}

const PropertyInfo* findProperty(std::string_view name) {
  return findByName(propertyTable, name);
}

}  // namespace

std::string getRCMName(TG_RESCOMPAREMODES rcm) {
  if (rcm < 0 || static_cast<std::size_t>(rcm) >= rcmTable.size()) return {};
  return std::string(rcmTable[static_cast<std::size_t>(rcm)].name);
}

TG_RESCOMPAREMODES getRCMValue(std::string_view rcm) {
  // Display texts: compared without regard to case, but blanks count.
  for (const RCMInfo& entry : rcmTable) {
    if (equalsIgnoreCase(entry.name, rcm)) return entry.value;
  }
  raise(TG_E_NOSUCHRCM, quoted(rcm) + " is not a recognized resolution comparisson mode");
}

std::string getInstructionName(TG_M_INSTRUCTIONS instruction) {
  if (instruction < TG_M_I_VALID_MIN || instruction > TG_M_I_VALID_MAX) return {};
  return std::string(instructionTable[static_cast<std::size_t>(instruction)].name);
}

TG_M_INSTRUCTIONS getInstructionValue(std::string_view name) {
  if (const InstructionInfo* entry = findByName(instructionTable, name)) return entry->opcode;
  raise(TG_E_NOSUCHINSTRUCTION, quoted(name) + " is not a recognized instruction name.");
}

bool isPermanentlyLocked(TG_M_PREDEFINEDVARIABLEINDICIES address) {
  if (address < TG_M_PVI_VALID_MIN || address > TG_M_PVI_VALID_MAX) return false;
  return predefinedVariableTable[static_cast<std::size_t>(address)].permanentlyLocked;
}

bool isReadOnly(TG_M_PREDEFINEDVARIABLEINDICIES address) {
  if (address < TG_M_PVI_VALID_MIN || address > TG_M_PVI_VALID_MAX) return false;
  return predefinedVariableTable[static_cast<std::size_t>(address)].readOnly;
}

std::string getPDVName(TG_M_PREDEFINEDVARIABLEINDICIES pdv) {
  if (pdv < TG_M_PVI_VALID_MIN || pdv > TG_M_PVI_VALID_MAX) return {};
  return std::string(predefinedVariableTable[static_cast<std::size_t>(pdv)].name);
}

TG_M_PREDEFINEDVARIABLEINDICIES getPDVValue(std::string_view name) {
  if (const auto* entry = findByName(predefinedVariableTable, name)) return entry->address;
  raise(TG_E_NOSUCHPREDEFINEDVARIABLE,
        quoted(name) + " is not a recognized pre-defined variable name.");
}

bool isValidPDVName(std::string_view name) {
  return findByName(predefinedVariableTable, name) != nullptr;
}

std::string getRoutineName(TG_M_ROUTINEARRAYINDICIES routine) {
  for (const RoutineInfo& entry : routineTable) {
    if (entry.slot == routine) return std::string(entry.name);
  }
  return {};
}

TG_M_ROUTINEARRAYINDICIES getRoutineValue(std::string_view name) {
  if (const RoutineInfo* entry = findRoutine(name)) return entry->slot;
  raise(TG_E_NOSUCHROUTINE, quoted(name) + " is not a valid routine name.");
}

bool isValidRoutineName(std::string_view name) {
  return findRoutine(name) != nullptr;
}

std::vector<std::string> getPropertiesList() {
  std::vector<std::string> names;
  names.reserve(propertyTable.size());
  for (const PropertyInfo& entry : propertyTable)
    names.emplace_back(entry.name);
  return names;
}

std::vector<std::string> getPropertyValuesList(std::string_view propertyName,
                                               std::string_view filelayoutSetting) {
  const PropertyInfo* entry = findProperty(propertyName);
  if (entry == nullptr) {
    raise(TG_E_NOSUCHPROPERTY, quoted(propertyName) + " is not a recognized property name.");
  }
  switch (entry->rule) {
    case PropertyValueRule::Listed:
      return toStrings(entry->values);
    case PropertyValueRule::None:
      raise(TG_E_NOPROPERTYVALUES, "There are no pre-defined property values for the " +
                                       std::string(entry->name) + " property.");
    case PropertyValueRule::ByFileLayout: {
      // The layout is lower-cased but not trimmed: " grid" is not a grid layout.
      const std::string layout = toLower(filelayoutSetting);
      if (layout == "grid") return toStrings(nextOrderGridValues);
      if (layout == "list") return toStrings(nextOrderListValues);
      raise(TG_E_NOPROPERTYVALUES,
            "There are no property values for the nextorder property when the filelayout "
            "property is \"" +
                std::string(filelayoutSetting) + ".\"");
    }
  }
  // Unreachable: the switch covers every rule.
  raise(TG_E_NOSUCHPROPERTY, quoted(propertyName) + " is not a recognized property name.");
}

bool isRecognizedProperty(std::string_view name) {
  return findProperty(name) != nullptr;
}

std::string getDefaultPropertySetting(std::string_view name,
                                      std::string_view /*filelayoutSetting*/) {
  // Only lower-cased here; every other name goes through getPropertyValuesList, which trims, and
  // its errors (nextorder with no layout, unknown names) reach the caller unchanged.
  const std::string lowered = toLower(name);
  if (lowered == "latlonformat") return {};
  if (lowered == "filetypefilter") return "*.*";
  if (lowered == "datalock") return "true";
  return getPropertyValuesList(name, "unspecified").front();
}

}  // namespace tg
