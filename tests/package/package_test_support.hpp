// Builders shared by the package tests: an index of scripts and sources kept in memory, installed
// as the packages' index for the lifetime of the object, and file helpers.
#pragma once

#include <algorithm>
#include <set>

#include "package/package_index.hpp"
#include "support/test_environment.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg::test {

class MemoryPackageIndex : public PackageIndex {
 public:
  explicit MemoryPackageIndex(std::string base) : m_base(std::move(base)) { setPackageIndex(this); }
  ~MemoryPackageIndex() override { setPackageIndex(nullptr); }
  MemoryPackageIndex(const MemoryPackageIndex&) = delete;
  MemoryPackageIndex& operator=(const MemoryPackageIndex&) = delete;

  std::string harrowfeldDirectory() override { return m_base; }
  std::string programsDirectory() override { return m_base + "Tessaglyph/Scripts"; }
  std::string sourceDataDirectory() override { return m_base + "Tessaglyph/Source Data"; }
  std::string uninstallLogName(std::string_view uid, Date) override {
    if (refuseLogs) throw Error(75, "Tessaglyph::getUninstallLogName", "Path/File access error");
    for (int counter = 1;; ++counter) {
      const std::string name =
          m_base + "QPK Uninstall/" + std::to_string(counter) + "_" + toUpper(uid) + ".TGU";
      if (!std::filesystem::exists(name)) return name;
    }
  }
  std::vector<std::string> uninstallLogs(std::string_view) override { return {}; }
  void ensureInitialised() override { ++initialisations; }
  Long findSource(const std::string& path) override { return find(sources, path); }
  Long findScript(const std::string& name) override { return find(scripts, name); }
  void deleteIndexedFile(Long record) override { sources.erase(sources.begin() + record); }
  void deleteIndexedScript(Long record, bool ignoreInUse) override {
    if (ignoreInUse || !inUse.count(toUpper(scripts.at(std::size_t(record)))))
      scripts.erase(scripts.begin() + record);
  }
  void indexScriptFile(const std::string&, const std::string& name, const std::string&,
                       bool) override {
    scripts.push_back(name);
  }
  bool indexSourceFile(const std::string& file, const std::string& scriptName, const std::string&,
                       bool) override {
    if (findScript(scriptName) == -1)
      throw Error(32002, "TessaglyphIndex::indexSourceFile",
                  "The script " + scriptName + " does not exist in the registry");
    if (unusable.count(file)) return false;
    sources.push_back(file);
    sourceScripts.push_back(scriptName);
    return true;
  }

  std::vector<std::string> sources;
  std::vector<std::string> sourceScripts;  // the script each source was registered with
  std::vector<std::string> scripts;
  std::set<std::string> inUse;  // upper-case names of scripts that other sources use
  int initialisations = 0;
  bool refuseLogs = false;         // no uninstall log can be named
  std::set<std::string> unusable;  // source files whose metrics cannot be read

 private:
  static Long find(const std::vector<std::string>& rows, const std::string& key) {
    const auto it =
        std::find_if(rows.begin(), rows.end(), [&](auto& r) { return sameName(r, key); });
    return it == rows.end() ? -1 : Long(it - rows.begin());
  }
  std::string m_base;
};

inline void writeTextFile(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline std::string readTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file and folder below `root`, relative and sorted: the tree compared before and after.
inline std::vector<std::string> treeOf(const std::filesystem::path& root) {
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    entries.push_back(std::filesystem::relative(entry.path(), root).string() +
                      (entry.is_directory() ? "/" : ""));
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace tg::test
