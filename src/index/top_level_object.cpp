// Each member calls the module function of the same name; the qualification matters, since the
// unqualified name would find the member itself.
#include "tessaglyph/top_level_object.hpp"

namespace tg {

std::string Tessaglyph::getRCMName(TG_RESCOMPAREMODES rcm) const {
  return tg::getRCMName(rcm);
}

TG_RESCOMPAREMODES Tessaglyph::getRCMValue(std::string_view rcm) const {
  return tg::getRCMValue(rcm);
}

std::string Tessaglyph::getInstructionName(TG_M_INSTRUCTIONS instruction) const {
  return tg::getInstructionName(instruction);
}

TG_M_INSTRUCTIONS Tessaglyph::getInstructionValue(std::string_view name) const {
  return tg::getInstructionValue(name);
}

bool Tessaglyph::isPermanentlyLocked(TG_M_PREDEFINEDVARIABLEINDICIES address) const {
  return tg::isPermanentlyLocked(address);
}

bool Tessaglyph::isReadOnly(TG_M_PREDEFINEDVARIABLEINDICIES address) const {
  return tg::isReadOnly(address);
}

std::string Tessaglyph::getPDVName(TG_M_PREDEFINEDVARIABLEINDICIES pdv) const {
  return tg::getPDVName(pdv);
}

TG_M_PREDEFINEDVARIABLEINDICIES Tessaglyph::getPDVValue(std::string_view name) const {
  return tg::getPDVValue(name);
}

bool Tessaglyph::isValidPDVName(std::string_view name) const {
  return tg::isValidPDVName(name);
}

std::string Tessaglyph::getRoutineName(TG_M_ROUTINEARRAYINDICIES routine) const {
  return tg::getRoutineName(routine);
}

TG_M_ROUTINEARRAYINDICIES Tessaglyph::getRoutineValue(std::string_view name) const {
  return tg::getRoutineValue(name);
}

bool Tessaglyph::isValidRoutineName(std::string_view name) const {
  return tg::isValidRoutineName(name);
}

std::vector<std::string> Tessaglyph::getPropertiesList() const {
  return tg::getPropertiesList();
}

std::vector<std::string> Tessaglyph::getPropertyValuesList(
    std::string_view propertyName, std::string_view filelayoutSetting) const {
  return tg::getPropertyValuesList(propertyName, filelayoutSetting);
}

bool Tessaglyph::isRecognizedProperty(std::string_view name) const {
  return tg::isRecognizedProperty(name);
}

std::string Tessaglyph::getDefaultPropertySetting(std::string_view name,
                                                  std::string_view filelayoutSetting) const {
  return tg::getDefaultPropertySetting(name, filelayoutSetting);
}

}  // namespace tg
