// Selection priority rules: which of several indexed files covering the same ground is read
// first. The rules order three categories (resolution, file priority, script priority), say how
// two resolutions compare, and rank the priority names of files and of scripts; they sort
// lists of index records by that, save themselves to a settings file and read themselves back.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tessaglyph/index.hpp"
#include "tessaglyph/types.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

enum TG_PRIORITYCATEGORIES : std::int32_t {
  TG_PC_RESOLUTION = 0,
  TG_PC_FILEPRIORITY = 1,
  TG_PC_SCRIPTPRIORITY = 2,
  TG_PC_VALID_MIN = 0,
  TG_PC_VALID_MAX = 2,
};

constexpr std::int32_t TG_RCM_VALID_MIN = 0;
constexpr std::int32_t TG_RCM_VALID_MAX = 5;

enum TG_SPR_ERRORS : std::int32_t {
  TG_SPR_E_ERRBASE = 33000,
  TG_SPR_E_ALREADYEXISTS = 33001,
  TG_SPR_E_INVALIDINSERTIONINDEX = 33002,
  TG_SPR_E_INVALIDDELETIONINDEX = 33003,
  TG_SPR_E_INVALIDMOVEINDEX = 33004,
  TG_SPR_E_SPRNOTFOUND = 33005,
  TG_SPR_E_INVALIDSPRDATA = 33006,
};

// Where a host keeps an object's state between its own runs.
class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  virtual std::string read(const std::string& key, const std::string& defaultValue) = 0;
  virtual void write(const std::string& key, const std::string& value) = 0;
};

// A property bag kept as one section of a settings file.
class IniSectionPropertyBag final : public PropertyBag {
 public:
  IniSectionPropertyBag(std::string filename, std::string section)
      : m_filename(std::move(filename)), m_section(std::move(section)) {}
  std::string read(const std::string& key, const std::string& defaultValue) override;
  void write(const std::string& key, const std::string& value) override;

 private:
  std::string m_filename;
  std::string m_section;
};

class TessaglyphSPR {
 public:
  TessaglyphSPR();

  std::string sprName() const { return m_SPRName; }
  void setSprName(const std::string& value) { m_SPRName = value; }
  std::string sprDescription() const { return m_SPRDescription; }
  void setSprDescription(const std::string& value) { m_SPRDescription = value; }
  Date lastSaveDate() const { return m_lastSavedOn; }
  Integer numPriorityCategories() const { return 3; }
  // Raises 9 outside 0..2.
  TG_PRIORITYCATEGORIES categoryOrder(Integer index) const;
  TG_RESCOMPAREMODES resolutionCompareMode() const { return m_rcm; }
  void setResolutionCompareMode(TG_RESCOMPAREMODES value) { m_rcm = value; }
  Integer numFilePriorityEntries() const { return Integer(m_filePriorities.size()); }
  // Raises 9 outside the list.
  std::string filePriorityEntry(Integer index) const;
  Integer numScriptPriorityEntries() const { return Integer(m_scriptPriorityNames.size()); }
  std::string scriptPriorityEntry(Integer index) const;

  // A new object with copies of the fields (the script priority cache starts empty).
  std::shared_ptr<TessaglyphSPR> clone() const;
  // Writes section "SPR " + name of the file, replacing what the section held.
  void saveToINIFile(const std::string& iniFilename);
  // Reads section "SPR " + name (`sprName`, when given, becomes the name first): 33005 when the
  // section does not exist, 33006 when it is corrupted; fields read before a failure stay.
  void readFromINIFile(const std::string& iniFilename, const std::string& sprName = {});
  // Lets the user edit the rules (through the installed user interface).
  void guiConfigure();

  // Saving into and restoring from a host's property bag.
  void writeProperties(PropertyBag& bag) const;
  void readProperties(PropertyBag& bag);

  Integer getPriorityCategoryIndex(TG_PRIORITYCATEGORIES pc) const;
  // Index of the first equal name (trimmed, without regard to case), -1 if none.
  Integer getFilePriorityIndex(const std::string& priorityName) const;
  Integer getScriptPriorityIndex(const std::string& priorityName) const;
  // Inserts at `insertIndex` (-1: appends): 33002 outside 0..n, 33001 for a known name.
  void addFilePriorityName(const std::string& filePriority, Integer insertIndex = -1);
  void addScriptPriorityName(const std::string& scriptPriority, Integer insertIndex = -1);
  // 33003 outside the list; the empty name is never removed, only moved to the end.
  void removeFilePriorityName(Integer index);
  void removeScriptPriorityName(Integer index);
  // 33004 outside the list.
  void movePriorityCategory(Integer moveFrom, Integer moveTo);
  void moveFilePriorityName(Integer moveFrom, Integer moveTo);
  void moveScriptPriorityName(Integer moveFrom, Integer moveTo);

  Double getSignificantResolutionValue(const TG_FILEMETRICS& metric) const;
  // -1 when the first ranks first, 0 equal, 1 when the second ranks first.
  Integer compareFilePriorities(const std::string& priority1, const std::string& priority2) const;
  Integer compareScriptPriorities(const std::string& priority1, const std::string& priority2) const;
  // Raises 6 when an area overflows.
  Integer compareResolutions(const TG_FILEMETRICS& metric1, const TG_FILEMETRICS& metric2) const;

  // The elements startIndex..endIndex sorted by the three categories in order (the last
  // deciding); the whole list unchanged when endIndex <= startIndex.
  Array<TG_I_INDEXRECORD> prioritizedList(const Array<TG_I_INDEXRECORD>& list, Integer startIndex,
                                          Integer endIndex);
  // Sorts in place between two indices (-1: the bounds of the array). Not stable.
  void sortByResolution(Array<TG_I_INDEXRECORD>& list, Long startIndex = -1, Long endIndex = -1);
  void sortByScriptPriorities(Array<TG_I_INDEXRECORD>& list, Long startIndex = -1,
                              Long endIndex = -1);
  void sortByFilePriorities(Array<TG_I_INDEXRECORD>& list, Long startIndex = -1,
                            Long endIndex = -1);

 private:
  std::string scriptPriorityOf(const std::string& scriptFile);

  std::string m_SPRName = "Default";
  std::string m_SPRDescription = "Default SPR settings";
  Date m_lastSavedOn;
  std::array<TG_PRIORITYCATEGORIES, 3> m_pcOrder{TG_PC_RESOLUTION, TG_PC_SCRIPTPRIORITY,
                                                 TG_PC_FILEPRIORITY};
  TG_RESCOMPAREMODES m_rcm = TG_RCM_SMALLESTAREA;
  std::vector<std::string> m_filePriorities{std::string()};
  std::vector<std::string> m_scriptPriorityNames{std::string()};
  std::vector<std::string> m_scriptPriorityCache;
  bool m_cacheFilled = false;
};

// Two classes the host may create; they carry no members.
class TessaglyphIndexConfig {};
class TessaglyphSPRTConfig {};

}  // namespace tg
