// The scripts of the index: registering and deleting them, and finding the scripts that may
// read a file.
#include "index/index_state.hpp"
#include "support/conversions.hpp"
#include "support/paths.hpp"
#include "support/pattern_match.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/source_file.hpp"

namespace tg {
namespace {

// The program's "filetypefilter" property, or "*.*". Errors of reading the program pass through.
std::string filterOfProgram(const std::string& filename) {
  TessaglyphProgram program;
  if (program.readProgram(filename, 1) == -1) return "*.*";
  for (Integer i = 1; i <= program.numScriptProperties(); ++i) {
    const TG_P_PROPERTY property = program.scriptProperties(i);
    if (sameName(property.propertyName, "filetypefilter")) return property.propertyValue;
  }
  return "*.*";
}

// True when the script, opened on the file without involving the user, accepts it.
bool scriptAcceptsFile(const std::string& sourceFile, const std::string& scriptFile) {
  try {
    TessaglyphProgram program;
    if (program.readProgram(scriptFile, 1) == -1) return false;
    auto machine = std::make_shared<TessaglyphMachine>();
    program.prepareMachine(machine);
    TessaglyphFile file;
    file.setMachine(std::move(machine));
    file.setExecuteMode(TG_F_EM_SILENT);
    file.setFilename(sourceFile);
    file.openSource();
    file.closeSource();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool filterMatches(std::string_view fileName, const std::string& filter) {
  if (trimBlanks(filter).empty()) return true;
  try {
    return likeMatch(toUpper(fileName), toUpper(trimBlanks(filter)));
  } catch (const Error&) {
    return false;  // a malformed pattern matches nothing
  }
}

}  // namespace

void TessaglyphIndex::indexScriptFileEx(const std::string& filename, const std::string& scriptName,
                                        const std::string& category,
                                        const std::string& sourceFilter, Long useValid) {
  IndexStore& store = index::requireStore("Tessaglyph::indexScriptFileEx");
  std::string filter(trimBlanks(sourceFilter));
  if (filter.empty()) filter = filterOfProgram(filename);
  if (!getScriptFileName(scriptName).empty()) return;
  ScriptRow row;
  row.scriptFile = std::string(trimBlanks(filename));
  row.scriptName = scriptName;
  row.filter = filter;
  row.priority = category;
  row.useValid = useValid;
  store.addScript(row);
}

void TessaglyphIndex::indexScriptFile(const std::string& filename, const std::string& scriptName,
                                      const std::string& sourceFilter, Long useValid) {
  index::requireStore("Tessaglyph::indexScriptFile");
  indexScriptFileEx(filename, scriptName, {}, sourceFilter, useValid);
}

void TessaglyphIndex::deleteIndexedScript(Long recordNum, Boolean ignoreInUse) {
  IndexStore& store = index::requireStore("Tessaglyph::deleteIndexedScript");
  const ScriptRow row = store.script(recordNum);
  if (!ignoreInUse && !store.sourcesOfScriptFile(std::string(trimBlanks(row.scriptFile))).empty()) {
    return;  // files still use it
  }
  store.deleteScript(recordNum);
}

Long TessaglyphIndex::numScriptIndexRecords() {
  return index::requireStore("Tessaglyph::numScriptIndexRecords").scriptCount();
}

TG_I_SCRIPTINDEXRECORD TessaglyphIndex::getScriptIndexRecord(Long recordNum) {
  const ScriptRow row = index::requireStore("Tessaglyph::getScriptIndexRecord").script(recordNum);
  return {row.scriptFile, row.scriptName, row.filter, row.priority, row.useValid != 0};
}

void TessaglyphIndex::setScriptPriorityName(Long recordNum, const std::string& priorityName) {
  index::requireStore("Tessaglyph::setScriptPriorityName")
      .setScriptPriority(recordNum, priorityName);
}

Array<TG_I_SCRIPTCANDIDATE> TessaglyphIndex::findScriptFile(const std::string& sourceFile,
                                                            std::optional<Boolean> /*useFilters*/) {
  IndexStore& store = index::requireStore("Tessaglyph::findScriptFile");
  const std::string_view name = fileNameOf(sourceFile);
  std::vector<ScriptRow> matching;
  store.forEachScript([&](const ScriptRow& row) {
    if (filterMatches(name, row.filter)) matching.push_back(row);
  });
  std::vector<TG_I_SCRIPTCANDIDATE> candidates;
  for (const ScriptRow& row : matching) {
    const bool validated = row.useValid != 0;
    if (validated && !scriptAcceptsFile(sourceFile, row.scriptFile)) continue;
    candidates.push_back({validated, row.scriptName, row.scriptFile, row.priority});
  }
  return Array<TG_I_SCRIPTCANDIDATE>(0, std::move(candidates));
}

namespace {

// The recursive quicksort of the candidates, pivot the middle element; `before(a, b)` is true
// when a belongs before b.
template <typename Before>
void quicksort(Array<TG_I_SCRIPTCANDIDATE>& a, Long low, Long high, Before before) {
  while (low < high) {
    const TG_I_SCRIPTCANDIDATE pivot = a[low + (high - low) / 2];
    Long i = low, j = high;
    while (i <= j) {
      while (before(a[i], pivot))
        ++i;
      while (before(pivot, a[j]))
        --j;
      if (i <= j) {
        std::swap(a[i], a[j]);
        ++i;
        --j;
      }
    }
    // Recurse into the smaller part, loop over the larger, so the depth stays logarithmic.
    if (j - low < high - i) {
      quicksort(a, low, j, before);
      low = i;
    } else {
      quicksort(a, i, high, before);
      high = j;
    }
  }
}

template <typename Before>
void sortRange(Array<TG_I_SCRIPTCANDIDATE>& candidates, Long startIndex, Long endIndex,
               Before before) {
  if (candidates.empty()) return;
  const Long low = startIndex == -1 ? candidates.lbound() : startIndex;
  const Long high = endIndex == -1 ? candidates.ubound() : endIndex;
  if (!candidates.contains(low) || !candidates.contains(high)) raiseSubscriptOutOfRange();
  quicksort(candidates, low, high, before);
}

double priorityValue(const std::string& priority) {
  const std::optional<double> value = parseNumber(priority);
  return value ? *value : 0;
}

}  // namespace

void TessaglyphIndex::sortScriptCandidatesByMatch(Array<TG_I_SCRIPTCANDIDATE>& candidates,
                                                  Long startIndex, Long endIndex) {
  sortRange(candidates, startIndex, endIndex,
            [](const TG_I_SCRIPTCANDIDATE& a, const TG_I_SCRIPTCANDIDATE& b) {
              return a.strongMatch && !b.strongMatch;
            });
}

void TessaglyphIndex::sortScriptCandidatesByPriority(Array<TG_I_SCRIPTCANDIDATE>& candidates,
                                                     Long startIndex, Long endIndex) {
  sortRange(candidates, startIndex, endIndex,
            [](const TG_I_SCRIPTCANDIDATE& a, const TG_I_SCRIPTCANDIDATE& b) {
              return priorityValue(a.scriptPriority) < priorityValue(b.scriptPriority);
            });
}

}  // namespace tg
