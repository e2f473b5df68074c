// The pertinent files of a rectangle, a circle or a point: the indexed files that may hold data
// there, with the reports of files that have gone missing and of data types left out.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

#include "index/index_state.hpp"
#include "source/elevation_helpers.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/script_collection.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {
namespace {

constexpr const char* kDefaultDatum = "NAD83";
// Selector of the Clarke 1866 spheroid in the UTM entry point.
constexpr Integer kUtmSpheroid = 5;

void addDistinct(std::vector<std::string>& names, const std::string& name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

// Shows an information box unless the searches are silent; the text always goes to the log.
void inform(const std::string& text, const std::string& title) {
  index::diagnostic(title + ": " + text);
  if (!index::state().silent) userInterface().messageBox(text, MB_OKONLY | MB_INFORMATION, title);
}

// What a search found: the records it keeps, the files that have gone.
class Findings {
 public:
  // Keeps the record unless its file, on fixed media, no longer exists.
  void offer(TG_I_INDEXRECORD record) {
    if (!record.onRemovableMedia) {
      const std::string path = index::recordPath(record);
      std::error_code error;
      if (!std::filesystem::exists(path, error)) {
        m_missing.push_back(path);
        return;
      }
    }
    m_found.push_back(std::move(record));
  }
  bool empty() const noexcept { return m_found.empty(); }
  void reportMissing() const {
    if (m_missing.empty()) return;
    std::string text = "The following files from the index were not found:";
    for (const std::string& path : m_missing)
      text += "\r\n" + path;
    inform(text, "Possible Missing Files");
  }
  // Lower bound 0; one empty record when nothing was found.
  Array<TG_I_INDEXRECORD> result() && {
    if (m_found.empty()) m_found.emplace_back();
    return Array<TG_I_INDEXRECORD>(0, std::move(m_found));
  }

 private:
  std::vector<TG_I_INDEXRECORD> m_found;
  std::vector<std::string> m_missing;
};

// The data types a rectangular search takes: a record's type is the name its script file is
// registered under, and the area's collection says whether it is wanted.
class DataTypeSelection {
 public:
  DataTypeSelection(IndexStore& store, ScriptCollection& wanted)
      : m_store(store), m_wanted(wanted) {}

  // Whether the record's type is wanted; asks about a type the collection does not know.
  bool selected(const TG_I_INDEXRECORD& record) {
    const std::string name = typeOf(record.scriptFile);
    if (m_wanted.exists(name)) return note(name, m_wanted.item(name));
    if (name.empty()) return note(name, false);
    // Nobody can answer while the searches are silent: the new type is used, and not stored.
    if (index::state().silent) return note(name, true);
    const bool answer =
        userInterface().messageBox(std::string("A topographic data type appears to have been "
                                               "added:") +
                                       "\r\n\r\n" + name + "\r\n\r\n" +
                                       "Do you want to use that data type for this study?",
                                   MB_YESNO | MB_QUESTION, "Use Data Type?") == MBR_YES;
    m_wanted.add(name, answer);
    return note(name, answer);
  }

  // Tells why nothing was found when rows were passed over for their type only.
  void reportNothingSelected() const {
    if (!m_skippedAny) return;
    std::string text = std::string("No data was found for the selected data types.") + "\r\n\r\n" +
                       "Data files may be available for other data types:";
    for (const std::string& name : m_skipped)
      text += "\r\n" + name;
    text += std::string("\r\n\r\n") + "These data types were not selected for this session." +
            "\r\n\r\n" + "The following data types were selected:";
    std::vector<std::string> listed;
    m_store.forEachScript([&](const ScriptRow& row) {
      const std::string name(trimBlanks(row.scriptName));
      if (m_wanted.exists(name) && m_wanted.item(name)) addDistinct(listed, name);
    });
    for (const std::string& name : listed)
      text += "\r\n" + name;
    text += std::string("\r\n\r\n") +
            "Be sure you have selected the data types you want to use and that all the files "
            "have been indexed.";
    inform(text, "Selected Data Type Not Found");
  }

 private:
  std::string typeOf(const std::string& scriptFile) {
    const std::string key = toUpper(trimBlanks(scriptFile));
    auto known = m_types.find(key);
    if (known == m_types.end()) {
      const std::optional<ScriptRow> row =
          m_store.scriptByFile(std::string(trimBlanks(scriptFile)));
      known = m_types.emplace(key, row ? std::string(trimBlanks(row->scriptName)) : "").first;
    }
    return known->second;
  }
  bool note(const std::string& name, bool selected) {
    if (!selected) {
      m_skippedAny = true;
      if (!name.empty()) addDistinct(m_skipped, name);
    }
    return selected;
  }

  IndexStore& m_store;
  ScriptCollection& m_wanted;
  std::map<std::string, std::string> m_types;  // upper-case script file -> type
  std::vector<std::string> m_skipped;
  bool m_skippedAny = false;
};

// The record's coverage moved to the datum of the search.
TG_BOUNDS boundsOn(const TG_I_INDEXRECORD& record, const std::string& datum) {
  return Tessaglyph().boundsCon(record.metrics, datum).bounds;
}

struct Utm {
  Double easting = 0, northing = 0;
};

// A position in UTM: in the zone its longitude picks when `zone` is 0 (the zone is stored),
// else in that zone. Nothing when the position cannot be projected there.
std::optional<Utm> toUtm(Double lat, Double lon, Integer& zone) {
  Utm utm;
  Integer used = 0;
  const Integer requested = Integer(std::abs(zone));
  try {
    _utmcon(kUtmSpheroid, used, requested, lat, lon, utm.easting, utm.northing, 1);
  } catch (const Error&) {
    return std::nullopt;
  }
  if (zone == 0) zone = used;
  return utm;
}

}  // namespace

Boolean TessaglyphIndex::boundsOverlap(const TG_BOUNDS& a, const TG_BOUNDS& b) {
  return !(a.eastLon < b.westLon || b.eastLon < a.westLon || a.southLat >= b.northLat ||
           b.southLat >= a.northLat);
}

Array<TG_I_INDEXRECORD> TessaglyphIndex::getPertinentFilesList(TG_BOUNDS& area) {
  index::requireStore("Tessaglyph::getPertinentFilesList");
  return getPertinentFilesListEx(area, kDefaultDatum);
}

Array<TG_I_INDEXRECORD> TessaglyphIndex::getPertinentFilesListEx(TG_BOUNDS& area,
                                                                 const std::string& datum) {
  IndexStore& store = index::requireStore("Tessaglyph::getPertinentFilesListEx");
  if (!area.scriptCollection) area.scriptCollection = std::make_shared<ScriptCollection>();
  DataTypeSelection types(store, *area.scriptCollection);
  Findings findings;
  const auto consider = [&](Long recordNum) {
    TG_I_INDEXRECORD record = index::indexRecordOf(store.source(recordNum));
    if (!types.selected(record)) return;
    if (!boundsOverlap(boundsOn(record, datum), area) || record.useSettings != TG_I_US_INCLUDE)
      return;
    findings.offer(std::move(record));
  };
  if (index::diagnosticSwitch("NoRSLocal")) {
    // The plain walk over every row, without the reports.
    const Long count = store.sourceCount();
    for (Long recordNum = 0; recordNum < count; ++recordNum)
      consider(recordNum);
    return std::move(findings).result();
  }
  // The bounds search pre-selects the rows within a degree around the area.
  for (const Long recordNum : store.sourcesMeeting(area.northLat + 1, area.westLon - 1,
                                                   area.southLat - 1, area.eastLon + 1))
    consider(recordNum);
  findings.reportMissing();
  if (findings.empty()) types.reportNothingSelected();
  return std::move(findings).result();
}

Array<TG_I_INDEXRECORD> TessaglyphIndex::getPertinentFilesListCircular(
    const TG_I_CIRCULARBOUNDS& area) {
  index::requireStore("Tessaglyph::getPertinentFilesListCircular");
  return getPertinentFilesListCircularEx(area, kDefaultDatum);
}

Array<TG_I_INDEXRECORD> TessaglyphIndex::getPertinentFilesListCircularEx(
    const TG_I_CIRCULARBOUNDS& area, const std::string& datum) {
  IndexStore& store = index::requireStore("Tessaglyph::getPertinentFilesListCircularEx");
  Findings findings;
  Integer zone = 0;
  const std::optional<Utm> centre = toUtm(area.centerLatitude, area.centerLongitude, zone);
  if (!centre)
    raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL,
                       "Tessaglyph::getPertinentFilesListCircularEx");
  const Long count = store.sourceCount();
  for (Long recordNum = 0; recordNum < count; ++recordNum) {
    TG_I_INDEXRECORD record = index::indexRecordOf(store.source(recordNum));
    if (record.useSettings != TG_I_US_INCLUDE) continue;
    const TG_BOUNDS b = boundsOn(record, datum);
    const Double corners[4][2] = {{b.northLat, b.westLon},
                                  {b.northLat, b.eastLon},
                                  {b.southLat, b.westLon},
                                  {b.southLat, b.eastLon}};
    bool near = false;
    for (const auto& corner : corners) {
      const std::optional<Utm> utm = toUtm(corner[0], corner[1], zone);
      if (!utm) continue;
      const Double dx = utm->easting - centre->easting, dy = utm->northing - centre->northing;
      if (std::sqrt(dx * dx + dy * dy) <= area.radiusMeters) near = true;
    }
    if (near) findings.offer(std::move(record));
  }
  findings.reportMissing();
  return std::move(findings).result();
}

Array<TG_I_INDEXRECORD> TessaglyphIndex::getPertinentFilesListByPoint(Double lat, Double lon) {
  index::requireStore("Tessaglyph::getPertinentFilesListByPoint");
  return getPertinentFilesListByPointEx(lat, lon, kDefaultDatum);
}

Array<TG_I_INDEXRECORD> TessaglyphIndex::getPertinentFilesListByPointEx(Double lat, Double lon,
                                                                        const std::string& datum) {
  IndexStore& store = index::requireStore("Tessaglyph::getPertinentFilesListByPointEx");
  Findings findings;
  // A file holding the point lies within a degree of it on any datum; the bounds search
  // leaves the others out without reading them.
  for (const Long recordNum : store.sourcesMeeting(lat + 1, lon - 1, lat - 1, lon + 1)) {
    TG_I_INDEXRECORD record = index::indexRecordOf(store.source(recordNum));
    if (record.useSettings != TG_I_US_INCLUDE) continue;
    const TG_BOUNDS b = boundsOn(record, datum);
    if (b.southLat <= lat && lat <= b.northLat && b.westLon <= lon && lon <= b.eastLon)
      findings.offer(std::move(record));
  }
  findings.reportMissing();
  return std::move(findings).result();
}

}  // namespace tg
