// The source files of the index: indexing one, the removable-disk descriptions, and the
// members addressed by record number.
#include "index/index_state.hpp"
#include "support/conversions.hpp"
#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {
namespace {

constexpr const char* kAskForDescription = "GetRMDesc";

// Asks for the description of a removable disk until the user gives one, chooses to go on
// without one (empty) or cancels (nullopt).
std::optional<std::string> askDiskDescription() {
  UserInterface& ui = userInterface();
  for (;;) {
    std::string text = ui.inputBox(
        "Enter a description for this removable disk, such as 'Colorado (East) 30-meter data'.  "
        "This description will be used to prompt you when the program needs the files on this "
        "disk.",
        "Removable Media Description", "No Description");
    if (!trimBlanks(text).empty()) return text;
    const MESSAGEBOXRESULTS answer = ui.messageBox(
        std::string("You did not enter a description for this disk.") + "\r\n\r\n" +
            "Do you want to enter a description?" + "\r\n\r\n" +
            "Click No to index the disk with no description.  The data files will be indexed "
            "for use with the software, but when you are promted for this disk, no description "
            "will be available." +
            "\r\n" + "Click Yes to enter a description." + "\r\n" +
            "Click Cancel to end this index function.",
        MB_YESNOCANCEL | MB_QUESTION, "No Description");
    if (answer == MBR_NO) return std::string();
    if (answer != MBR_YES) return std::nullopt;
  }
}

void setFound(Long* iFound, Long value) {
  if (iFound) *iFound = value;
}

void reportFailedIndex(const SourceRow& row, const std::string& reason) {
  index::diagnostic("indexSourceFile FAILED on: Path " + row.sourcePath + " File " +
                    row.sourceFile + " ScriptFile " + row.scriptFile + " ScriptName " +
                    row.scriptName + " E Lon " + doubleToText(row.eastLon) + " W Lon " +
                    doubleToText(row.westLon) + " N Lat " + doubleToText(row.northLat) + " S Lat " +
                    doubleToText(row.southLat) + " X Res " + doubleToText(row.xRes) + " Y Res " +
                    doubleToText(row.yRes) + (reason.empty() ? "" : " (" + reason + ")"));
}

bool indexable(const SourceRow& row) {
  return !row.sourcePath.empty() && !row.sourceFile.empty() && !row.scriptFile.empty() &&
         !row.scriptName.empty() && row.eastLon > row.westLon && row.northLat > row.southLat &&
         row.xRes > 0 && row.yRes > 0;
}

}  // namespace

namespace index {

TG_I_INDEXRECORD indexRecordOf(const SourceRow& row) {
  TG_I_INDEXRECORD record;
  record.sourcePath = row.sourcePath;
  record.sourceFile = row.sourceFile;
  record.scriptFile = row.scriptFile;
  record.priorityName = row.priority;
  record.metrics.datum = row.datum;
  record.metrics.xResolution = row.xRes;
  record.metrics.yResolution = row.yRes;
  record.metrics.bounds.northLat = row.northLat;
  record.metrics.bounds.westLon = row.westLon;
  record.metrics.bounds.southLat = row.southLat;
  record.metrics.bounds.eastLon = row.eastLon;
  record.useSettings = static_cast<TG_I_USESETTINGS>(row.useSettings);
  record.onRemovableMedia = row.removable;
  record.sRMDesc = row.rmDescID;
  return record;
}

std::string recordPath(const TG_I_INDEXRECORD& record) {
  const std::string& folder = record.sourcePath;
  const bool separated = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
  return folder + (separated ? "" : "/") + record.sourceFile;
}

}  // namespace index

void TessaglyphIndex::indexSourceFile(const std::string& sourceFile, const std::string& scriptName,
                                      const std::string& sCategory, Boolean bRemovable,
                                      std::string* sRMDesc, Long* iFound) {
  IndexStore& store = index::requireStore("Tessaglyph::indexSourceFile");
  setFound(iFound, TG_I_FOUND_NEW);
  const std::string scriptFile = getScriptFileName(scriptName);
  if (scriptFile.empty()) {
    throw Error(TG_I_E_SCRIPTNOTFOUND, "TessaglyphIndex::indexSourceFile",
                "The script " + scriptName + " does not exist in the registry");
  }

  SourceRow row;
  row.sourcePath = std::string(trimBlanks(folderOf(sourceFile)));
  row.sourceFile = std::string(trimBlanks(fileNameOf(sourceFile)));
  row.scriptFile = std::string(trimBlanks(scriptFile));
  row.scriptName = std::string(trimBlanks(scriptName));
  row.priority = sCategory;
  row.removable = bRemovable;

  if (bRemovable && sRMDesc) {
    if (*sRMDesc == kAskForDescription) {
      const std::optional<std::string> description = askDiskDescription();
      if (!description) return;
      // The identifier replaces the request, so the next file of the disk is not asked again.
      *sRMDesc = description->empty() ? std::string() : store.addDescription(*description);
    }
    row.rmDescID = std::string(trimBlanks(*sRMDesc));
  }

  if (!index::state().sourceKeys.insert(index::sourceKey(sourceFile)).second) {
    setFound(iFound, TG_I_FOUND_ALREADY);
    return;
  }

  std::string reason;
  try {
    const TG_FILEMETRICS metrics = Tessaglyph().getSourceMetrics(sourceFile, scriptFile);
    row.westLon = metrics.bounds.westLon;
    row.eastLon = metrics.bounds.eastLon;
    row.southLat = metrics.bounds.southLat;
    row.northLat = metrics.bounds.northLat;
    row.xRes = metrics.xResolution;
    row.yRes = metrics.yResolution;
    row.datum = toLower(trimBlanks(metrics.datum));
  } catch (const Error& error) {
    // A file its script cannot open is not indexed; it is no error of the index.
    reason = "error " + std::to_string(error.number()) + ": " + error.description();
  }

  if (!reason.empty() || !indexable(row)) {
    setFound(iFound, TG_I_FOUND_NOTINDEXED);
    reportFailedIndex(row, reason);
    return;
  }
  row.useSettings = TG_I_US_INCLUDE;
  if (!store.addSource(row)) setFound(iFound, TG_I_FOUND_ALREADY);
}

void TessaglyphIndex::indexSourceFileEx(const std::string& sourceFile,
                                        const std::string& scriptName,
                                        const std::string& category) {
  index::requireStore("Tessaglyph::indexSourceFileEx");
  indexSourceFile(sourceFile, scriptName, category);
}

void TessaglyphIndex::updateSource(Long /*recordNum*/) {
  index::requireStore("Tessaglyph::updateSource");
}

void TessaglyphIndex::setPriorityName(Long recordNum, const std::string& priorityName) {
  index::requireStore("Tessaglyph::setPriorityName").setSourcePriority(recordNum, priorityName);
}

void TessaglyphIndex::setUseSettings(Long recordNum, TG_I_USESETTINGS useSettings) {
  index::requireStore("Tessaglyph::setUseSettings").setSourceUseSettings(recordNum, useSettings);
}

void TessaglyphIndex::deleteIndexedFile(Long recordNum) {
  index::requireStore("Tessaglyph::deleteIndexedFile").deleteSource(recordNum);
}

Long TessaglyphIndex::numIndexRecords() {
  return index::requireStore("Tessaglyph::numIndexRecords").sourceCount();
}

TG_I_INDEXRECORD TessaglyphIndex::getIndexRecord(Long recordNum) {
  return index::indexRecordOf(index::requireStore("Tessaglyph::getIndexRecord").source(recordNum));
}

Array<std::string> TessaglyphIndex::getAssociatedFilesList(const std::string& scriptFile) {
  IndexStore& store = index::requireStore("Tessaglyph::getAssociatedFilesList");
  std::vector<std::string> files{std::string()};
  for (std::string& path : store.sourcesOfScriptFile(std::string(trimBlanks(scriptFile))))
    files.push_back(std::move(path));
  return Array<std::string>(0, std::move(files));
}

}  // namespace tg
