// The named records of a program: script properties, routines, attributes and literals.
#include <string>

#include "program/letter_code.hpp"
#include "program/program_lists.hpp"
#include "support/procedure_trace.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"

namespace tg {

using namespace program_lists;

namespace {

constexpr std::size_t kRoutineNameWidth = 20;

// Routine names are kept in the 20-character field the program file holds them in.
std::string paddedRoutineName(const std::string& name) {
  if (name.size() >= kRoutineNameWidth) return name;
  return name + std::string(kRoutineNameWidth - name.size(), ' ');
}

Integer oneBased(std::size_t position) {
  return Integer(position + 1);
}

}  // namespace

// ---- Script properties

TG_P_PROPERTY TessaglyphProgram::scriptProperties(Integer index) const {
  return m_properties[position(index, m_properties.size())];
}

void TessaglyphProgram::setScriptProperties(Integer index, const TG_P_PROPERTY& value) {
  m_properties[position(index, m_properties.size())] = value;
}

TG_P_PROPERTY TessaglyphProgram::getScriptPropertyByName(std::string_view name) const {
  const auto found = findProperty(name);
  if (!found)
    raiseProgramError(TG_P_E_NOSUCHPROPERTYERROR,
                      std::string(name) + " is not an existing property name.");
  return m_properties[*found];
}

void TessaglyphProgram::setScriptPropertyByName(const TG_P_PROPERTY& newValue) {
  const auto found = findProperty(newValue.propertyName);
  if (!found) {
    raiseProgramError(TG_P_E_NOSUCHPROPERTYERROR,
                      newValue.propertyName + " is not an existing property name.");
  }
  m_properties[*found] = newValue;
}

Integer TessaglyphProgram::getScriptPropertyIndex(std::string_view name) const {
  const auto found = findProperty(name);
  return found ? oneBased(*found) : Integer(0);
}

Integer TessaglyphProgram::addScriptProperty(const TG_P_PROPERTY& property) {
  ProcedureScope scope(TG_P_PN_ADDSCRIPTPROPERTY, "TessaglyphProgram::addScriptProperty");
  if (findProperty(property.propertyName)) {
    raiseProgramError(TG_P_E_PROPERTYEXISTSERROR,
                      property.propertyName + " already exists in this program.");
  }
  checkRoomForOne(m_properties.size());
  m_properties.push_back(property);
  return numScriptProperties();
}

void TessaglyphProgram::removeScriptProperty(Integer index) {
  ProcedureScope scope(TG_P_PN_REMOVESCRIPTPROPERTY, "TessaglyphProgram::removeScriptProperty");
  const auto at = position(index, m_properties.size());
  m_properties.erase(m_properties.begin() + std::ptrdiff_t(at));
}

void TessaglyphProgram::removeScriptPropertyByName(std::string_view name) {
  const auto found = findProperty(name);
  if (!found)
    raiseProgramError(TG_P_E_NOSUCHPROPERTYERROR,
                      std::string(name) + " is not an existing property name.");
  removeScriptProperty(oneBased(*found));
}

// ---- Routines

TG_P_ROUTINE TessaglyphProgram::routines(Integer index) const {
  return m_routines[position(index, m_routines.size())];
}

void TessaglyphProgram::setRoutines(Integer index, const TG_P_ROUTINE& value) {
  const auto at = position(index, m_routines.size());
  const auto message = validateRoutine(value);
  if (!message.empty()) raiseProgramError(TG_P_E_CANNOTSETVALUEERROR, message);
  m_routines[at] = TG_P_ROUTINE{paddedRoutineName(value.name), value.location};
}

TG_P_ROUTINE TessaglyphProgram::getRoutineByName(std::string_view name) const {
  const auto found = findRoutine(name);
  if (!found)
    raiseProgramError(TG_P_E_NOSUCHROUTINEERROR,
                      std::string(name) + " is not an existing routine name.");
  return m_routines[*found];
}

void TessaglyphProgram::setRoutineByName(const TG_P_ROUTINE& newValue) {
  const auto found = findRoutine(newValue.name);
  if (!found) {
    raiseProgramError(TG_P_E_NOSUCHROUTINEERROR,
                      newValue.name + "is not the name of an existing routine.");
  }
  setRoutines(oneBased(*found), newValue);
}

Integer TessaglyphProgram::getRoutineIndex(std::string_view name) const {
  const auto found = findRoutine(name);
  return found ? oneBased(*found) : Integer(0);
}

Integer TessaglyphProgram::addRoutine(const TG_P_ROUTINE& routine) {
  ProcedureScope scope(TG_P_PN_ADDROUTINE, "TessaglyphProgram::addRoutine");
  if (findRoutine(routine.name)) {
    raiseProgramError(TG_P_E_ROUTINEEXISTSERROR,
                      routine.name + "is the name of an existing routine, and will not be added.");
  }
  const auto message = validateRoutine(routine);
  if (!message.empty()) raiseProgramError(TG_P_E_CANNOTSETVALUEERROR, message);
  checkRoomForOne(m_routines.size());
  m_routines.push_back(routine);
  return numRoutines();
}

void TessaglyphProgram::removeRoutine(Integer index) {
  ProcedureScope scope(TG_P_PN_REMOVEROUTINE, "TessaglyphProgram::removeRoutine");
  const auto at = position(index, m_routines.size());
  m_routines.erase(m_routines.begin() + std::ptrdiff_t(at));
}

void TessaglyphProgram::removeRoutineByName(std::string_view name) {
  const auto found = findRoutine(name);
  if (!found)
    raiseProgramError(TG_P_E_NOSUCHROUTINEERROR,
                      std::string(name) + " is not an existing routine name.");
  removeRoutine(oneBased(*found));
}

// ---- Attributes

TG_P_ATTRIBUTE TessaglyphProgram::Attributes(Integer index) const {
  return m_attributes[position(index, m_attributes.size())];
}

void TessaglyphProgram::setAttributes(Integer index, const TG_P_ATTRIBUTE& value) {
  const auto at = position(index, m_attributes.size());
  const auto message = validateAttribute(value);
  if (!message.empty()) raiseProgramError(TG_P_E_CANNOTSETVALUEERROR, message);
  m_attributes[at] = value;
}

TG_P_ATTRIBUTE TessaglyphProgram::getAttributeByName(std::string_view name) const {
  const auto found = findAttribute(name);
  if (!found) {
    raiseProgramError(TG_P_E_NOSUCHATTRIBUTEERROR,
                      std::string(name) + " is not an existing attribute name.");
  }
  return m_attributes[*found];
}

void TessaglyphProgram::setAttributeByName(const TG_P_ATTRIBUTE& newValue) {
  const auto found = findAttribute(newValue.name);
  if (!found) {
    raiseProgramError(TG_P_E_NOSUCHATTRIBUTEERROR,
                      newValue.name + "is not an existing attribute name.");
  }
  setAttributes(oneBased(*found), newValue);
}

Integer TessaglyphProgram::getAttributeIndex(std::string_view name) const {
  const auto found = findAttribute(name);
  return found ? oneBased(*found) : Integer(0);
}

Integer TessaglyphProgram::addAttribute(const TG_P_ATTRIBUTE& attr) {
  ProcedureScope scope(TG_P_PN_ADDATTRIBUTE, "TessaglyphProgram::addAttribute");
  if (findAttribute(attr.name)) {
    raiseProgramError(TG_P_E_ATTRIBUTEEXISTSERROR,
                      attr.name + "is the name of an existing attribute, and will not be added.");
  }
  const auto message = validateAttribute(attr);
  if (!message.empty()) raiseProgramError(TG_P_E_CANNOTSETVALUEERROR, message);
  checkRoomForOne(m_attributes.size());
  m_attributes.push_back(attr);
  return numAttributes();
}

void TessaglyphProgram::removeAttribute(Integer index) {
  ProcedureScope scope(TG_P_PN_REMOVEATTRIBUTE, "TessaglyphProgram::removeAttribute");
  // This member has always answered a bad index with its own sentence, full stop included.
  if (index < 1 || std::size_t(index) > m_attributes.size()) {
    throw Error(PLATFORM_E_SUBSCRIPTOUTOFRANGE, std::string(), "Subscript out of range.");
  }
  m_attributes.erase(m_attributes.begin() + (index - 1));
}

void TessaglyphProgram::removeAttributeByName(std::string_view name) {
  const auto found = findAttribute(name);
  if (!found) {
    raiseProgramError(TG_P_E_NOSUCHATTRIBUTEERROR,
                      std::string(name) + " is not an existing attribute name.");
  }
  removeAttribute(oneBased(*found));
}

// ---- Literals

TG_P_LITERAL TessaglyphProgram::literals(Integer index) const {
  return m_literals[position(index, m_literals.size())].literal;
}

void TessaglyphProgram::setLiterals(Integer index, const TG_P_LITERAL& value) {
  const auto at = position(index, m_literals.size());
  const auto message = validateLiteral(value);
  if (!message.empty()) raiseProgramError(TG_P_E_CANNOTSETVALUEERROR, message);
  m_literals[at].literal = value;
}

TG_P_LITERAL TessaglyphProgram::getLiteralByName(std::string_view name) const {
  const auto found = findLiteral(name);
  if (!found)
    raiseProgramError(TG_P_E_NOSUCHLITERALERROR,
                      std::string(name) + " is not an existing literal name.");
  return m_literals[*found].literal;
}

void TessaglyphProgram::setLiteralByName(std::string_view name, const TG_P_LITERAL& newData) {
  const auto found = findLiteral(name);
  if (!found) {
    raiseProgramError(TG_P_E_NOSUCHLITERALERROR,
                      std::string(name) + " is not the name of an existing literal.");
  }
  setLiterals(oneBased(*found), newData);
}

Integer TessaglyphProgram::getLiteralIndex(std::string_view name) const {
  const auto found = findLiteral(name);
  return found ? oneBased(*found) : Integer(0);
}

std::string TessaglyphProgram::addLiteral(const TG_P_LITERAL& literal) {
  ProcedureScope scope(TG_P_PN_ADDLITERAL, "TessaglyphProgram::addLiteral");
  const auto message = validateLiteral(literal);
  if (!message.empty()) raiseProgramError(TG_P_E_CANNOTSETVALUEERROR, message);
  checkRoomForOne(m_literals.size());
  auto name = symbolicName(kLiteralPrefix, m_nextLiteralCode);
  m_literals.push_back(LiteralEntry{literal, name});
  ++m_nextLiteralCode;
  return name;
}

void TessaglyphProgram::removeLiteral(Integer index) {
  ProcedureScope scope(TG_P_PN_REMOVELITERAL, "TessaglyphProgram::removeLiteral");
  const auto at = position(index, m_literals.size());
  m_literals.erase(m_literals.begin() + std::ptrdiff_t(at));
}

void TessaglyphProgram::removeLiteralByName(std::string_view name) {
  const auto found = findLiteral(name);
  if (!found)
    raiseProgramError(TG_P_E_NOSUCHLITERALERROR,
                      std::string(name) + " is not an existing literal name.");
  removeLiteral(oneBased(*found));
}

std::string TessaglyphProgram::getLiteralName(Integer index) const {
  return m_literals[position(index, m_literals.size())].name;
}

Integer TessaglyphProgram::getLiteralAddress(std::string_view name) const {
  const auto found = findLiteral(name);
  if (!found) {
    raiseProgramError(TG_P_E_NOSUCHLITERALERROR,
                      std::string(name) + " is not the name of an existing literal.");
  }
  return toInteger(15 + Long(*found) + 1);
}

}  // namespace tg
