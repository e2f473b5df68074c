// The host's entry object. Its members are thin layers over module procedures whose state is
// shared by every object of the process, so any number of `Tessaglyph` objects behave as one.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/source_file.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

class Tessaglyph {
 public:
  // Script vocabulary: the same lookups, names, errors and defaults as the module functions of
  // vocabulary.hpp.
  std::string getRCMName(TG_RESCOMPAREMODES rcm) const;
  TG_RESCOMPAREMODES getRCMValue(std::string_view rcm) const;
  std::string getInstructionName(TG_M_INSTRUCTIONS instruction) const;
  TG_M_INSTRUCTIONS getInstructionValue(std::string_view name) const;
  bool isPermanentlyLocked(TG_M_PREDEFINEDVARIABLEINDICIES address) const;
  bool isReadOnly(TG_M_PREDEFINEDVARIABLEINDICIES address) const;
  std::string getPDVName(TG_M_PREDEFINEDVARIABLEINDICIES pdv) const;
  TG_M_PREDEFINEDVARIABLEINDICIES getPDVValue(std::string_view name) const;
  bool isValidPDVName(std::string_view name) const;
  std::string getRoutineName(TG_M_ROUTINEARRAYINDICIES routine) const;
  TG_M_ROUTINEARRAYINDICIES getRoutineValue(std::string_view name) const;
  bool isValidRoutineName(std::string_view name) const;
  std::vector<std::string> getPropertiesList() const;
  std::vector<std::string> getPropertyValuesList(std::string_view propertyName,
                                                 std::string_view filelayoutSetting = {}) const;
  bool isRecognizedProperty(std::string_view name) const;
  std::string getDefaultPropertySetting(std::string_view name,
                                        std::string_view filelayoutSetting = {}) const;

  // Opens a source file with the compiled script that reads it: the script's program is loaded
  // into a new machine, the file is named and opened (INIT, VALID, metrics), and handed back
  // open in the normal execute mode. The errors of reading the script and of opening pass
  // through; a script file the program reader gives up on raises 14005.
  std::shared_ptr<TessaglyphFile> OpenFile(const std::string& sourceFilename,
                                           const std::string& scriptFilename) const;
};

}  // namespace tg
