#include "package/package_index.hpp"

#include "support/paths.hpp"
#include "tessaglyph/error.hpp"

namespace tg {
namespace {

// Until the index and its settings file join the library, packages know the base directory only;
// everything else is refused with a clear error rather than answered with made-up values.
class UnavailableIndex final : public PackageIndex {
 public:
  std::string harrowfeldDirectory() override { return baseDirectory(); }
  std::string programsDirectory() override { unavailable(); }
  std::string sourceDataDirectory() override { unavailable(); }
  std::string uninstallLogName(std::string_view, Date) override { unavailable(); }
  std::vector<std::string> uninstallLogs(std::string_view) override { unavailable(); }
  void ensureInitialised() override { unavailable(); }
  Long findSource(const std::string&) override { unavailable(); }
  Long findScript(const std::string&) override { unavailable(); }
  void deleteIndexedFile(Long) override { unavailable(); }
  void deleteIndexedScript(Long, bool) override { unavailable(); }
  void indexScriptFile(const std::string&, const std::string&, const std::string&, bool) override {
    unavailable();
  }
  bool indexSourceFile(const std::string&, const std::string&, const std::string&, bool) override {
    unavailable();
  }

 private:
  [[noreturn]] static void unavailable() {
    throw Error(PLATFORM_E_INVALIDPROCEDURECALL, "TessaglyphIndex",
                "The index is not available in this build");
  }
};

UnavailableIndex g_libraryIndex;
PackageIndex* g_installedIndex = nullptr;

}  // namespace

PackageIndex& packageIndex() {
  return g_installedIndex ? *g_installedIndex : g_libraryIndex;
}

void setPackageIndex(PackageIndex* index) noexcept {
  g_installedIndex = index;
}

}  // namespace tg
