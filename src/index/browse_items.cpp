#include "index/browse_items.hpp"

#include <algorithm>
#include <tuple>

#include "support/text.hpp"
#include "tessaglyph/index.hpp"

namespace tg {

std::vector<TGB_SELECTEDITEM> indexedItems(TessaglyphIndex& index) {
  std::vector<TGB_SELECTEDITEM> items;
  const Long scripts = index.numScriptIndexRecords();
  for (Long row = 0; row < scripts; ++row) {
    const TG_I_SCRIPTINDEXRECORD record = index.getScriptIndexRecord(row);
    TGB_SELECTEDITEM item;
    item.name = std::string(trimBlanks(record.scriptName));
    item.filename = record.scriptFile;
    item.Priority = std::string(trimBlanks(record.priorityName));
    item.index = row;
    item.type = TGB_ST_SCRIPT;
    items.push_back(std::move(item));
  }
  const Long sources = index.numIndexRecords();
  for (Long row = 0; row < sources; ++row) {
    const TG_I_INDEXRECORD record = index.getIndexRecord(row);
    TGB_SELECTEDITEM item;
    item.name = record.sourceFile;
    item.filename = record.sourcePath + record.sourceFile;
    item.Priority = std::string(trimBlanks(record.priorityName));
    item.xRes = record.metrics.xResolution;
    item.yRes = record.metrics.yResolution;
    item.sLat = record.metrics.bounds.southLat;
    item.nLat = record.metrics.bounds.northLat;
    item.eLon = record.metrics.bounds.eastLon;
    item.wLon = record.metrics.bounds.westLon;
    item.index = row;
    item.type = TGB_ST_SOURCE;
    items.push_back(std::move(item));
  }
  return items;
}

namespace {

// The sort key of an item: what the option compares first, then the name and the row.
auto sortKey(const TGB_SELECTEDITEM& item, TGB_SORTOPTIONS sort) {
  const bool placed = item.type == TGB_ST_SOURCE;
  std::string text;
  double first = 0;
  double second = 0;
  switch (sort) {
    case TGB_SO_PATH:
      text = toUpper(item.filename);
      break;
    case TGB_SO_CATEGORY:
      text = toUpper(item.Priority);
      break;
    case TGB_SO_LOCATION:
      // North to south, then west to east: the order of a map read line by line.
      if (placed) {
        first = -item.nLat;
        second = item.wLon;
      }
      break;
    case TGB_SO_RESOLUTION:
      // The finest first.
      if (placed) {
        first = item.xRes;
        second = item.yRes;
      }
      break;
  }
  return std::make_tuple(item.type, std::move(text), first, second, toUpper(item.name), item.index);
}

}  // namespace

std::vector<TGB_SELECTEDITEM> displayedItems(const std::vector<TGB_SELECTEDITEM>& items,
                                             bool showScripts, bool showSources,
                                             TGB_SORTOPTIONS sort) {
  std::vector<TGB_SELECTEDITEM> shown;
  for (const TGB_SELECTEDITEM& item : items) {
    if ((item.type == TGB_ST_SCRIPT && showScripts) || (item.type == TGB_ST_SOURCE && showSources))
      shown.push_back(item);
  }
  std::sort(shown.begin(), shown.end(),
            [sort](const auto& a, const auto& b) { return sortKey(a, sort) < sortKey(b, sort); });
  return shown;
}

std::string itemLabel(const TGB_SELECTEDITEM& item, TGB_DIALOGDISPLAYOPTIONS display) {
  return display == TGB_DDO_FILENAMES ? item.filename : item.name;
}

}  // namespace tg
