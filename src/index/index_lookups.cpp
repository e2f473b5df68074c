// Look-ups of the index: record numbers by path and name, a file's script, folder and disk
// description, a script's program file, and the priority names in use.
#include <memory>

#include "index/index_medium_descriptions.hpp"
#include "index/index_state.hpp"
#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/index.hpp"

namespace tg {

Long TessaglyphIndex::findSource(const std::string& path) {
  return index::requireStore("Tessaglyph::findSource").findSourceKey(index::sourceKey(path));
}

Long TessaglyphIndex::findScript(const std::string& name) {
  return index::requireStore("Tessaglyph::findScript").findScriptKey(scriptKeyOf(name));
}

std::string TessaglyphIndex::getScriptFileName(const std::string& scriptName) {
  IndexStore& store = index::requireStore("Tessaglyph::getScriptFileName");
  const Long n = store.findScriptKey(scriptKeyOf(scriptName));
  return n == -1 ? std::string() : store.script(n).scriptFile;
}

std::string TessaglyphIndex::getSourceFilePath(const std::string& sourceFile) {
  IndexStore& store = index::requireStore("Tessaglyph::getSourceScriptFile");
  const auto row = store.sourceByFileName(std::string(trimBlanks(sourceFile)), true);
  return row ? row->sourcePath : std::string();
}

std::string TessaglyphIndex::getSourceScriptFile(const std::string& sourceFile) {
  IndexStore& store = index::requireStore("Tessaglyph::getSourceScriptFile");
  const auto row = store.sourceByPathAndFile(std::string(trimBlanks(folderOf(sourceFile))),
                                             std::string(trimBlanks(fileNameOf(sourceFile))));
  return row ? row->scriptFile : std::string();
}

std::string TessaglyphIndex::getSourceFileRMDesc(const std::string& sourceFile) {
  IndexStore& store = index::requireStore("Tessaglyph::getSourceFileRMDesc");
  const auto row = store.sourceByFileName(std::string(trimBlanks(sourceFile)), false);
  if (!row || !row->removable || trimBlanks(row->rmDescID).empty()) return {};
  return store.description(row->rmDescID).value_or(" ");
}

Array<std::string> TessaglyphIndex::getPriorityNames() {
  index::requireStore("Tessaglyph::getPriorityNames");
  return {};
}

namespace {

// Adds a trimmed name unless the list holds it already (without regard to case).
void addDistinct(std::vector<std::string>& names, std::string_view name) {
  const std::string_view trimmed = trimBlanks(name);
  for (const std::string& known : names)
    if (equalsIgnoreCase(known, trimmed)) return;
  names.emplace_back(trimmed);
}

Array<std::string> asNameList(std::vector<std::string> names) {
  if (names.empty()) names.emplace_back();
  return Array<std::string>(0, std::move(names));
}

}  // namespace

Array<std::string> TessaglyphIndex::getScriptPriorityNames() {
  std::vector<std::string> names;
  index::requireStore("TessaglyphIndex::getScriptPriorityNames")
      .forEachScript([&](const ScriptRow& row) { addDistinct(names, row.priority); });
  return asNameList(std::move(names));
}

Array<std::string> TessaglyphIndex::getSourcePriorityNames() {
  std::vector<std::string> names;
  index::requireStore("TessaglyphIndex::getSourcePriorityNames")
      .forEachSource([&](const SourceRow& row) { addDistinct(names, row.priority); });
  return asNameList(std::move(names));
}

namespace {

class IndexMediumDescriptions final : public MediumDescriptions {
 public:
  std::string mediumDescription(const std::string& RMDescID) const override {
    IndexStore* store = index::state().store.get();
    if (!store || trimBlanks(RMDescID).empty()) return {};
    return std::string(trimBlanks(store->description(RMDescID).value_or("")));
  }
};

}  // namespace

std::shared_ptr<const MediumDescriptions> indexMediumDescriptions() {
  static const auto instance = std::make_shared<const IndexMediumDescriptions>();
  return instance;
}

}  // namespace tg
