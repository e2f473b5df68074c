// What installing and uninstalling packages needs of the settings and the index: the folders the
// path variables name, the name of a new uninstall log, and the script and source records. The
// process holds one; tests install their own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

class PackageIndex {
 public:
  virtual ~PackageIndex() = default;

  // Folders of the settings, without a trailing separator unless the settings give one.
  virtual std::string harrowfeldDirectory() = 0;
  virtual std::string programsDirectory() = 0;
  virtual std::string sourceDataDirectory() = 0;
  // A path for a new uninstall log of that package and installation date.
  virtual std::string uninstallLogName(std::string_view uid, Date installDate) = 0;
  // The uninstall logs in the uninstall folder, of one package when `uid` is not empty.
  virtual std::vector<std::string> uninstallLogs(std::string_view uid) = 0;

  // Opens the index with its default tables when it is not open yet.
  virtual void ensureInitialised() = 0;
  // Record numbers, -1 when not indexed.
  virtual Long findSource(const std::string& path) = 0;
  virtual Long findScript(const std::string& name) = 0;
  virtual void deleteIndexedFile(Long recordNum) = 0;
  virtual void deleteIndexedScript(Long recordNum, bool ignoreInUse) = 0;
  virtual void indexScriptFile(const std::string& filename, const std::string& scriptName,
                               const std::string& category, bool useValid) = 0;
  // False when the file could not be indexed (its metrics are unusable): nothing was written.
  virtual bool indexSourceFile(const std::string& sourceFile, const std::string& scriptName,
                               const std::string& category, bool removable) = 0;
};

// The index packages work on: the one installed with setPackageIndex, else the library's own.
PackageIndex& packageIndex();
// Installs an index for packages (not owned); nullptr restores the library's own.
void setPackageIndex(PackageIndex* index) noexcept;

}  // namespace tg
