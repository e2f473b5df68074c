// The host's entry object. Its members are thin layers over module procedures whose state is
// shared by every object of the process, so any number of `Tessaglyph` objects behave as one.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/browser.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "tessaglyph/source_file.hpp"
#include "tessaglyph/types.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

class Tessaglyph {
 public:
  // The first object of the process resets the rule templates to one default template.
  Tessaglyph();

  // ---- The settings file ------------------------------------------------------------------
  // Keys of section "Tessa Glyph" in "Tessaglyph.ini". Reading never fails: while the file has
  // no data, or lacks the key, the default is read. A stored folder that begins with a separator
  // lies below the base directory ("\Tessaglyph\Scripts" reads as <base>Tessaglyph/Scripts).
  // Writing into a file that has no data first writes the whole default file.
  std::string iniHProgramEditorDir() const;
  void setIniHProgramEditorDir(const std::string& value) const;
  std::string iniHVirtualMachineDir() const;
  void setIniHVirtualMachineDir(const std::string& value) const;
  std::string iniHQPKManDir() const;
  void setIniHQPKManDir(const std::string& value) const;
  std::string iniHUninstallLogName() const;
  void setIniHUninstallLogName(const std::string& value) const;
  std::string iniHProgramsDir() const;
  void setIniHProgramsDir(const std::string& value) const;
  std::string iniHSourceDataDir() const;
  void setIniHSourceDataDir(const std::string& value) const;
  std::string iniHQPKUninstallDir() const;
  void setIniHQPKUninstallDir(const std::string& value) const;
  std::string iniHSourceIndex() const;
  void setIniHSourceIndex(const std::string& value) const;
  std::string iniHScriptIndex() const;
  void setIniHScriptIndex(const std::string& value) const;
  // The most files an area keeps open, 1..225 (225 when the stored value is anything else);
  // other values are ignored when written.
  Integer iniHMaxOpenAreaFiles() const;
  void setIniHMaxOpenAreaFiles(Integer value) const;

  // The base directory, ending with one separator.
  std::string getHarrowfeldDirectory() const;
  // The settings file's path; a missing file is created holding only "exists=False".
  std::string getTessaglyphININame() const;
  // Writes the default settings file over `filename`, with the section of the default rules.
  void writeDefaultIniFile(const std::string& filename) const;
  // Removes the "[SPR ...]" sections of a settings file; every other line stays in order.
  void clearINITemplateData(const std::string& filename) const;
  // True when the settings file's "exists" key reads as True.
  Boolean iniFileHasData() const;

  // The uninstall logs in the uninstall folder ("????????_????_*.TGU"), all of them or those of
  // one installation identifier (compared trimmed, without regard to case).
  Array<std::string> getQPKUninstallLogs(const std::string& uid) const;
  // A fresh uninstall log path: <folder>YYYYMMDD_HHMM_<counter>_<UID>.TGU, the counter the
  // first from 1 whose file does not exist yet.
  std::string getUninstallLogName(const std::string& uid, Date installDate) const;

  // ---- Priority-rule templates ------------------------------------------------------------
  // One list for the process, with the index of the current template.
  Integer numSPRTemplates() const;
  // The template itself (shared, not a copy); 9 outside 0..n-1.
  std::shared_ptr<TessaglyphSPR> sprTemplate(Integer index) const;
  Integer currentSPR() const;
  // 12014 outside 0..n-1.
  void setCurrentSPR(Integer value) const;
  // Rebuilds the list from section "SPR_Templates" of the file (the settings file when empty)
  // and the templates' own sections; 12014 when the section is corrupt. An empty section or a
  // count of 0 leaves one default template.
  void loadSPRTemplates(const std::string& iniFilename = {}) const;
  // Replaces every rule section of the file with the list and the templates' sections.
  void saveSPRTemplates(const std::string& iniFilename = {}) const;
  void clearSPRTemplates() const;
  // Index of the first template of that name (trimmed, without regard to case), -1 if none.
  Integer getSPRTemplateIndex(const std::string& sprName) const;
  // Appends the object itself; 12013 when its name is taken.
  void addSPRTemplate(const std::shared_ptr<TessaglyphSPR>& newSPR) const;
  // 12014 outside 0..n-1; removing the only template leaves one default template.
  void removeSPRTemplate(Integer index) const;

  // ---- Source files -----------------------------------------------------------------------
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
  // Moves metrics to another datum: each corner converted (one that fails keeps its value), the
  // bounds the rectangle around the converted corners, the resolutions unchanged.
  TG_FILEMETRICS boundsCon(const TG_FILEMETRICS& original, const std::string& toDatum) const;
  // The metrics of a source file read with a script: on the script's own datum, or on `datum`
  // when given. The file is opened (INIT, VALID) and closed again; errors of opening pass through.
  TG_FILEMETRICS getSourceMetrics(const std::string& sourceFilename,
                                  const std::string& scriptFilename,
                                  const std::optional<std::string>& datum = std::nullopt) const;

  // Shows the index browse dialog with that title (the default title when empty). Modally it
  // returns once the user accepted or cancelled: `canceled` says which, and the items chosen
  // (indices 0..numSelected-1) come back unless the dialog was cancelled. A dialog shown
  // modelessly stays open until the next call; the call returns at once with no items.
  Array<TGB_SELECTEDITEM> browseIndex(Boolean& canceled, Long& numSelected,
                                      const std::string& dialogTitle = {},
                                      Boolean modally = true) const;
};

}  // namespace tg
