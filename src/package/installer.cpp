// Installing a package: files copied (folders made one level at a time), scripts and sources
// registered, every step logged as it is taken, the client asked through events.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "package/package_index.hpp"
#include "package/package_paths.hpp"
#include "support/date_text.hpp"
#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/package.hpp"

namespace tg {
namespace {

constexpr const char* kInstallSource = "TessaglyphQPK::install";
// Answers to a name conflict that cannot be used before the installation gives up on the client.
constexpr int kMaxRenameAttempts = 100;

bool pathExists(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::exists(resolvePath(path), error);
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(resolvePath(a), resolvePath(b), error);
}

// Copies through a file beside the target, renamed into place, so a failed copy leaves nothing.
bool copyContents(const std::string& source, const std::string& target) {
  const std::string partial = target + ".part";
  {
    std::ifstream in(resolvePath(source), std::ios::binary);
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    out.flush();
    if (!in || !out) {
      std::remove(partial.c_str());
      return false;
    }
  }
  if (std::rename(partial.c_str(), target.c_str()) != 0) {
    std::remove(partial.c_str());
    return false;
  }
  return true;
}

}  // namespace

class TessaglyphQPK::Installation {
 public:
  explicit Installation(TessaglyphQPK& package)
      : m_package(package), m_log(std::make_shared<TessaglyphQPKUninstall>()) {}

  std::shared_ptr<TessaglyphQPKUninstall> run() {
    phase("Preparing to install...");
    progress(0);
    m_total =
        std::size_t(m_package.numCopyFiles() + m_package.numScripts() + m_package.numSources());
    prepareLog();
    if (logCanBeSaved() && copyFiles() && installScripts() && installSources()) {
      phase("Finished.");
      progress(100);
    }
    return m_log;
  }

 private:
  TessaglyphQPKEvents* sink() const { return m_package.m_eventSink; }
  void phase(const std::string& text) {
    if (sink()) sink()->phaseChange(text);
  }
  void progress(int percent) {
    if (percent == m_lastPercent) return;
    m_lastPercent = percent;
    if (sink()) sink()->progressChange(Integer(percent));
  }
  void itemDone() {
    ++m_done;
    progress(int(m_done * 100 / m_total));
  }
  bool installError(Long number, const std::string& source, const std::string& description) {
    Boolean continue_ = true;
    if (sink()) sink()->installError(number, source, description, continue_);
    return continue_;
  }
  bool missingSource(const std::string& file, const std::string& destination) {
    Boolean continue_ = true;
    if (sink()) sink()->missingSource(file, destination, continue_);
    return continue_;
  }

  void prepareLog() {
    const TessaglyphQPK& p = m_package;
    m_log->setInstallUID(p.uid().empty() ? createRandomUID(25) : p.uid());
    std::string description = p.installDescription();
    if (description.empty()) description = p.expandPathname(p.filename());
    if (description.empty()) description = "Unknown QPK";
    m_log->setInstallDescription(description);
    const std::optional<Date> date = parseDateText(p.qpkDate());
    m_log->setQpkDate(date ? *date : std::chrono::system_clock::now());
    m_log->setNonEmptyDirError(p.uninstallNonEmptyDirError());
    m_log->setNonExistentItemError(p.uninstallNonExistingItemError());
  }

  // Keeps the saved log in step with what was done. A log that cannot be written stops the
  // installation: going on would leave files no uninstall knows of.
  bool persist() {
    if (!m_package.createUninstallLog()) return true;
    try {
      m_log->update();
      return true;
    } catch (const Error& error) {
      installError(error.number(), error.source(), error.description());
      return false;
    }
  }

  // Before anything is done: the log must have a place to go.
  bool logCanBeSaved() {
    if (!m_package.createUninstallLog()) return true;
    try {
      packageIndex().uninstallLogName(m_log->installUID(), m_log->installDate());
      return true;
    } catch (const Error& error) {
      installError(error.number(), error.source(), error.description());
      return false;
    }
  }

  // Makes the missing folders of `path`, outermost first, logging each. False when one cannot
  // be made or logged; `goOn` then holds whether the installation goes on.
  bool makeFolders(const std::string& path, bool& goOn) {
    goOn = true;
    const std::string folder(folderOf(toNativePath(path)));
    std::string partial;
    for (std::size_t at = 0; at < folder.size(); ++at) {
      partial += folder[at];
      if (folder[at] != '/' || partial == "/" || pathExists(partial)) continue;
      const std::string made = resolvePath(partial);
      if (::mkdir(made.c_str(), 0777) != 0) {
        goOn = installError(PLATFORM_E_PATHFILEACCESSERROR, kInstallSource,
                            "Cannot create the folder " + made);
        return false;
      }
      m_log->logDirectory(made);
      if (!persist()) return goOn = false;
    }
    return true;
  }

  // Copies one file. `copiedTo` receives the file that now holds the data (empty when none);
  // false stops the installation.
  bool copyFile(const std::string& source, const std::string& destination, std::string& copiedTo) {
    copiedTo.clear();
    if (!pathExists(source)) return missingSource(source, destination);
    if (sameFile(source, destination)) {
      copiedTo = destination;  // already in place: nothing to copy, nothing to undo
      return true;
    }
    std::string target = destination;
    if (pathExists(target) && !m_package.overwriteExisting()) {
      if (m_package.ignoreExistingCopyFiles()) {
        copiedTo = target;
        return true;
      }
      if (!askNewName(source, target)) return false;
    }
    if (!m_package.isAllowedDestination(target)) {
      return installError(TG_QPK_E_INVALIDDATA, kInstallSource,
                          "Destination outside the allowed folders: " + target);
    }
    // From here on the path is the one just checked: absolute, without "." or "..".
    target = canonicalPath(target);
    if (bool goOn = true; !makeFolders(target, goOn)) return goOn;
    const std::string resolved = resolvePath(target);
    if (!copyContents(source, resolved)) {
      return installError(PLATFORM_E_PATHFILEACCESSERROR, kInstallSource,
                          "Cannot copy " + source + " to " + resolved);
    }
    m_log->logFile(resolved);
    copiedTo = resolved;
    return persist();
  }

  // Asks the client for another name until it gives one that does not exist; false when the
  // client stops (or keeps answering names that cannot be used).
  bool askNewName(const std::string& source, std::string& target) {
    for (int attempt = 0; attempt < kMaxRenameAttempts; ++attempt) {
      const std::string suggestion = suggestNewFilename(target);
      std::string renameAs = suggestion;
      Boolean continue_ = true;
      if (sink()) sink()->nameConflict(source, target, suggestion, renameAs, continue_);
      if (!continue_) return false;
      if (!renameAs.empty() && !pathExists(renameAs)) {
        target = renameAs;
        return true;
      }
    }
    installError(TG_QPK_E_INVALIDDATA, kInstallSource, "No usable name for " + target);
    return false;
  }

  bool copyFiles() {
    for (Pair& entry : m_package.m_copyFiles) {
      entry.first = m_package.expandPathname(entry.first);
      entry.second = m_package.expandPathname(entry.second);
      phase("Copying file " + entry.first + " to " + entry.second + "...");
      std::string copiedTo;
      if (!guarded([&] { return copyFile(entry.first, entry.second, copiedTo); })) return false;
      itemDone();
    }
    return true;
  }

  // The destination of a script or source: the destination folder + its name, or its own path.
  std::string destinationOf(const std::string& file, const std::string& folder) const {
    if (folder.empty()) return file;
    return joinPath(m_package.expandPathname(folder), fileNameOf(toNativePath(file)));
  }

  bool installScripts() {
    for (Pair& entry : m_package.m_scripts) {
      entry.first = m_package.expandPathname(entry.first);
      const std::string destination = destinationOf(entry.first, m_package.scriptsDestination());
      phase("Copying script file " + entry.first + " to " + destination + "...");
      std::string copiedTo;
      if (!guarded([&] { return copyFile(entry.first, destination, copiedTo); })) return false;
      phase("Indexing script " + entry.second + "...");
      const std::string file = copiedTo.empty() ? destination : copiedTo;
      if (!guarded([&] { return registerScript(file, entry.second); })) return false;
      itemDone();
    }
    return true;
  }

  bool installSources() {
    for (Pair& entry : m_package.m_sources) {
      entry.first = m_package.expandPathname(entry.first);
      const std::string destination = destinationOf(entry.first, m_package.sourceDestination());
      phase("Copying source file " + entry.first + " to " + destination + "...");
      std::string copiedTo;
      if (!guarded([&] { return copyFile(entry.first, destination, copiedTo); })) return false;
      const std::string file = copiedTo.empty() ? destination : copiedTo;
      phase("Indexing source " + file + "...");
      const auto renamed = m_scriptNames.find(toUpper(trimBlanks(entry.second)));
      const std::string script = renamed == m_scriptNames.end() ? entry.second : renamed->second;
      if (!guarded([&] { return registerSource(file, script); })) return false;
      itemDone();
    }
    return true;
  }

  bool registerScript(const std::string& file, const std::string& requestedName) {
    if (!pathExists(file)) return missingSource(file, "SCRIPT INDEX");
    PackageIndex& index = packageIndex();
    index.ensureInitialised();
    std::string name = requestedName;
    if (index.findScript(name) != -1) {
      if (m_package.ignoreExistingScripts()) {
        m_scriptNames[toUpper(trimBlanks(requestedName))] = name;
        return true;
      }
      if (!m_package.overwriteExisting() && !askNewScriptName(file, name)) return false;
    }
    index.indexScriptFile(resolvePath(file), name, m_package.scriptCategory(),
                          m_package.useValid());
    m_scriptNames[toUpper(trimBlanks(requestedName))] = name;
    m_log->logIndexedScript(name);
    return persist();
  }

  bool askNewScriptName(const std::string& file, std::string& name) {
    PackageIndex& index = packageIndex();
    const std::string day = dayStamp(std::chrono::system_clock::now());
    for (int attempt = 0; attempt < kMaxRenameAttempts; ++attempt) {
      std::string suggestion = name + " (" + day + ")";
      for (int n = 1; index.findScript(suggestion) != -1; ++n) {
        suggestion = name + " (" + day + "-" + std::to_string(n) + ")";
      }
      std::string renameAs = suggestion;
      Boolean continue_ = true;
      if (sink()) sink()->nameConflict(file, name, suggestion, renameAs, continue_);
      if (!continue_) return false;
      if (!trimBlanks(renameAs).empty() && index.findScript(renameAs) == -1) {
        name = renameAs;
        return true;
      }
    }
    installError(TG_QPK_E_INVALIDDATA, kInstallSource, "No usable name for script " + name);
    return false;
  }

  bool registerSource(const std::string& file, const std::string& scriptName) {
    if (!pathExists(file)) return missingSource(file, "INDEX");
    PackageIndex& index = packageIndex();
    index.ensureInitialised();
    const std::string path = resolvePath(file);
    if (const Long record = index.findSource(path); record != -1) {
      if (m_package.ignoreExistingSources()) return true;
      index.deleteIndexedFile(record);
    }
    if (!index.indexSourceFile(path, scriptName, m_package.sourceCategory(),
                               m_package.rmInstall())) {
      return installError(TG_QPK_E_INVALIDDATA, kInstallSource,
                          "The source file " + path + " could not be indexed");
    }
    m_log->logIndexedSource(path);
    return persist();
  }

  // An unexpected error of one step goes to the client, who decides whether to go on.
  template <typename Step>
  bool guarded(Step step) {
    try {
      return step();
    } catch (const Error& error) {
      return installError(error.number(), error.source(), error.description());
    }
  }

  TessaglyphQPK& m_package;
  std::shared_ptr<TessaglyphQPKUninstall> m_log;
  std::map<std::string, std::string> m_scriptNames;  // upper-case package name -> index name
  std::size_t m_total = 0;
  std::size_t m_done = 0;
  int m_lastPercent = -1;
};

std::shared_ptr<TessaglyphQPKUninstall> TessaglyphQPK::install() {
  return Installation(*this).run();
}

}  // namespace tg
