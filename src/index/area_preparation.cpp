// Area preparation: the pertinent files of a region, ordered by priority rules, opened as one
// area.
#include "index/index_medium_descriptions.hpp"
#include "index/index_state.hpp"
#include "index/script_machine.hpp"
#include "support/conversions.hpp"
#include "support/error_report.hpp"
#include "tessaglyph/area.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "tessaglyph/user_interface.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {
namespace {

constexpr const char* kDefaultDatum = "NAD83";
constexpr Integer kTrue = -1;
// Preparation that has run this long with no more than half the files done shows its window.
constexpr double kProgressDelaySeconds = 2;

const std::string kNoFiles = "No files could be found for use in this area.";
const std::string kIndexFirst = std::string("You must index data files before they can be used.") +
                                "\r\n" + "(from the Configuration menu, select Topographic Data)";

// A search result holds no file when its only record names no script.
bool noFiles(const Array<TG_I_INDEXRECORD>& list) {
  return list.empty() || (list.size() == 1 && list[list.lbound()].scriptFile.empty());
}

std::string corner(Double latitude, Double longitude) {
  return doubleToText(latitude) + " " + doubleToText(longitude);
}

// A closed file of the area for an index record, its positions given in `datum`.
std::shared_ptr<TessaglyphFile> areaFileFor(const TG_I_INDEXRECORD& record,
                                            const std::string& datum) {
  auto file = std::make_shared<TessaglyphFile>();
  file->setAreaFile(false);
  file->setExecuteMode(TG_F_EM_NORMAL);
  file->setOnRemovableMedia(record.onRemovableMedia);
  file->setRMDescID(record.sRMDesc);
  file->setMediumDescriptions(indexMediumDescriptions());
  file->setMachine(index::machineFromScript(record.scriptFile, "TessaglyphIndex::setupArea"));
  file->setFilename(index::recordPath(record));
  file->setCurrentDatum(datum);
  return file;
}

}  // namespace

std::shared_ptr<TessaglyphArea> TessaglyphIndex::setupArea(const Array<TG_I_INDEXRECORD>& filesList,
                                                           const std::string& datum,
                                                           Integer iSilent) {
  index::state().silent = iSilent != 0;
  if (noFiles(filesList)) {
    if (iSilent == kTrue) return nullptr;
    throw Error(TG_E_NOFILES, "TessaglyphIndex::setupArea", kNoFiles + "\r\n\r\n" + kIndexFirst);
  }
  auto area = std::make_shared<TessaglyphArea>();
  UserInterface& ui = userInterface();
  const std::unique_ptr<ProgressWindow> window = ui.createProgressWindow("Area Files");
  const std::string text =
      std::string("Preparing the topographic data files for the ") + "area in use...";
  const double start = index::seconds();
  bool shown = false;
  const Long count = Long(filesList.size());
  for (Long done = 0; done < count; ++done) {
    const TG_I_INDEXRECORD& record = filesList[filesList.lbound() + done];
    window->setText(text + "\r\n" + record.sourceFile);
    const std::shared_ptr<TessaglyphFile> file = areaFileFor(record, datum);
    // Beyond the open-file limit a file is opened only to learn its metrics.
    if (area->numOpenFiles() >= area->maximumOpenFiles()) {
      file->openSource();
      file->closeSource();
    }
    area->addFile(file);
    if (area->numOpenFiles() < area->maximumOpenFiles()) area->setFileOpen(area->numFiles(), true);
    window->setProgress(double(done + 1) / double(count));
    if (!shown && index::seconds() - start >= kProgressDelaySeconds && done <= (count - 1) / 2) {
      window->show();
      shown = true;
    }
    ui.yield();
    if (window->cancelled()) {
      window->hide();
      throw Error(TG_I_E_PREPAREAREACANCELED, "TessaglyphIndex::prepareArea",
                  "The area preparation was canceled by the user");
    }
  }
  window->hide();
  area->initialize();
  return area;
}

std::shared_ptr<TessaglyphArea> TessaglyphIndex::prepareArea(TG_BOUNDS& area, TessaglyphSPR& spr) {
  index::requireStore("Tessaglyph::prepareArea");
  return prepareAreaEx(area, spr, kDefaultDatum, 0);
}

std::shared_ptr<TessaglyphArea> TessaglyphIndex::prepareAreaEx(TG_BOUNDS& area, TessaglyphSPR& spr,
                                                               const std::string& datum,
                                                               Integer iSilent) {
  index::requireStore("Tessaglyph::prepareAreaEx");
  index::state().silent = iSilent != 0;
  Array<TG_I_INDEXRECORD> list = getPertinentFilesListEx(area, datum);
  if (noFiles(list)) {
    if (iSilent == kTrue) return nullptr;
    reportError(TG_E_NOFILES,
                kNoFiles + "\r\n" + corner(area.northLat, area.westLon) + "\r\n" +
                    corner(area.southLat, area.eastLon) + "\r\n\r\n" + kIndexFirst,
                "Tessaglyph::prepareArea");
    return nullptr;
  }
  if (!index::diagnosticSwitch("Skip_Priority_List"))
    list = spr.prioritizedList(list, 0, Integer(list.ubound()));
  return setupArea(list, datum, iSilent);
}

std::shared_ptr<TessaglyphArea> TessaglyphIndex::prepareAreaCircular(
    const TG_I_CIRCULARBOUNDS& area, TessaglyphSPR& spr) {
  index::requireStore("Tessaglyph::prepareAreaCircular");
  return prepareAreaCircularEx(area, spr, kDefaultDatum);
}

std::shared_ptr<TessaglyphArea> TessaglyphIndex::prepareAreaCircularEx(
    const TG_I_CIRCULARBOUNDS& area, TessaglyphSPR& spr, const std::string& datum) {
  index::requireStore("Tessaglyph::prepareAreaCircularEx");
  index::state().silent = false;
  Array<TG_I_INDEXRECORD> list = getPertinentFilesListCircularEx(area, datum);
  if (noFiles(list))
    throw Error(TG_E_NOFILES, "Tessaglyph::prepareAreaCircular", kNoFiles + "\r\n" + kIndexFirst);
  list = spr.prioritizedList(list, 0, Integer(list.ubound()));
  return setupArea(list, datum, 0);
}

}  // namespace tg
