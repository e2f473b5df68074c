#include "package/package_index.hpp"

#include "tessaglyph/index.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg {
namespace {

// The library's own index and settings file.
class LibraryIndex final : public PackageIndex {
 public:
  std::string harrowfeldDirectory() override { return Tessaglyph().getHarrowfeldDirectory(); }
  std::string programsDirectory() override { return Tessaglyph().iniHProgramsDir(); }
  std::string sourceDataDirectory() override { return Tessaglyph().iniHSourceDataDir(); }
  std::string uninstallLogName(std::string_view uid, Date installDate) override {
    return Tessaglyph().getUninstallLogName(std::string(uid), installDate);
  }
  std::vector<std::string> uninstallLogs(std::string_view uid) override {
    std::vector<std::string> logs;
    for (const std::string& log : Tessaglyph().getQPKUninstallLogs(std::string(uid))) {
      if (!log.empty()) logs.push_back(log);
    }
    return logs;
  }
  void ensureInitialised() override {
    TessaglyphIndex index;
    if (!index.initialized()) index.initIndexSystem();
  }
  Long findSource(const std::string& path) override { return TessaglyphIndex().findSource(path); }
  Long findScript(const std::string& name) override { return TessaglyphIndex().findScript(name); }
  void deleteIndexedFile(Long recordNum) override {
    TessaglyphIndex().deleteIndexedFile(recordNum);
  }
  void deleteIndexedScript(Long recordNum, bool ignoreInUse) override {
    TessaglyphIndex().deleteIndexedScript(recordNum, ignoreInUse);
  }
  void indexScriptFile(const std::string& filename, const std::string& scriptName,
                       const std::string& category, bool useValid) override {
    TessaglyphIndex().indexScriptFileEx(filename, scriptName, category, {},
                                        useValid ? TG_I_UVS_YES : TG_I_UVS_NO);
  }
  bool indexSourceFile(const std::string& sourceFile, const std::string& scriptName,
                       const std::string& category, bool removable) override {
    Long found = TG_I_FOUND_NEW;
    TessaglyphIndex().indexSourceFile(sourceFile, scriptName, category, removable, nullptr, &found);
    return found != TG_I_FOUND_NOTINDEXED;
  }
};

LibraryIndex g_libraryIndex;
PackageIndex* g_installedIndex = nullptr;

}  // namespace

PackageIndex& packageIndex() {
  return g_installedIndex ? *g_installedIndex : g_libraryIndex;
}

void setPackageIndex(PackageIndex* index) noexcept {
  g_installedIndex = index;
}

}  // namespace tg
