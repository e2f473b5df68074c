// The entry points through which a host runs script code: a routine slot, an explicit
// address, an attribute's read or write code. Each puts its inputs into predefined variables,
// runs, and takes its answer from one.
#include <string>

#include "machine/interpreter.hpp"
#include "support/conversions.hpp"
#include "support/method_scope.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

namespace {

constexpr Integer kReturnAddress = TG_M_PVI_RETURN;
constexpr Integer kValueAddress = TG_M_PVI_VALUE;

// The cell an attribute write hands its code in "value": the new text as the attribute's type.
DatumRef attributeValueCell(const TG_M_ATTRIBUTEINFO& attribute, std::string_view newValue) {
  switch (attribute.dataType) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return makeUnsignedInteger(textToByte(newValue));
    case TG_M_DT_INTEGER2:
      return makeInteger2(textToInteger(newValue));
    case TG_M_DT_INTEGER4:
      return makeInteger4(textToLong(newValue));
    case TG_M_DT_SINGLE:
      return makeSingle(textToSingle(newValue));
    case TG_M_DT_DOUBLE:
      return makeDouble(textToDouble(newValue));
    case TG_M_DT_ASCII:
      break;
  }
  DatumRef cell = makeAscii();
  const TG_M_STRINGREADINFO& readInfo = attribute.readInfo;
  if (readInfo.fixedLength != 0) cell->setFixedLength(readInfo.fixedLength);
  // An empty list would make the text delimited by nothing at all.
  if (readInfo.delimiters.size() > 0) cell->setSize(readInfo.delimiters);
  cell->setString(newValue);
  return cell;
}

}  // namespace

std::string TessaglyphMachine::routine(TG_M_ROUTINEARRAYINDICIES index) {
  constexpr const char* source = "TessaglyphMachine::routine";
  MethodScope scope(profiler(), source);
  if (index < TG_M_RAI_VALID_MIN || index > TG_M_RAI_VALID_MAX) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  const Integer location = m_core->routineLocations[std::size_t(index)];
  if (location == -1) throw Error(TG_M_E_ROUTINENOTDEFINED, "", "Routine not defined.");
  run(location);
  return m_core->memory[0]->getString();
}

void TessaglyphMachine::runExplicit(Integer start) {
  MethodScope scope(profiler(), "TessaglyphMachine::runExplicit");
  if (start < 0 || start >= numInstructions()) {
    throw Error(TG_M_E_INVALIDCODEADDRESS, "",
                longToText(start) + " is not a valid instruction address.");
  }
  run(start);
}

std::string TessaglyphMachine::attribute_read(Integer index) {
  constexpr const char* source = "TessaglyphMachine::attribute_read";
  MethodScope scope(profiler(), source);
  if (index < 0 || std::size_t(index) >= m_core->attributes.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  // An attribute without read code (-1) fails in the run, on the error path, like any address
  // outside the code.
  run(m_core->attributes[std::size_t(index)].readLocation);
  return m_core->memory[kReturnAddress]->getString();
}

void TessaglyphMachine::attribute_write(Integer index, std::string_view newValue) {
  constexpr const char* source = "TessaglyphMachine::attribute_write";
  MethodScope scope(profiler(), source);
  if (index < 0 || std::size_t(index) >= m_core->attributes.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  const TG_M_ATTRIBUTEINFO& attribute = m_core->attributes[std::size_t(index)];
  if (effectiveDataLock()) {
    throw Error(TG_M_E_DATALOCKED, "", "The data-lock for this script has been activated.");
  }
  if (attribute.writeLocation == -1) {
    throw Error(TG_M_E_READONLYATTRIBUTE, "",
                "Attribute \"" + attribute.name + "\" is defined as read-only.");
  }
  const Integer location = attribute.writeLocation;
  m_core->memory[kValueAddress] = attributeValueCell(attribute, newValue);
  run(location);
}

}  // namespace tg
