// Installation packages: a package file describes scripts, the source files they read and other
// files, where each goes and how scripts and sources are registered in the index. A package is
// read, edited, written and installed here; installing returns the log that undoes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/package_uninstall.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

enum TG_QPK_ERRORS : std::int32_t {
  TG_QPK_E_ERRBASE = 60000,
  TG_QPK_E_INVALIDDATA = 60000,
  TG_QPK_E_INVALIDUID = 60001,
};

// Events of an installation, raised synchronously. Setting `continue_` to false stops the
// installation; `renameAs` arrives holding the suggestion, so a client that leaves it alone
// accepts it.
class TessaglyphQPKEvents {
 public:
  virtual ~TessaglyphQPKEvents() = default;
  virtual void installError(Long /*num*/, const std::string& /*source*/,
                            const std::string& /*description*/, Boolean& /*continue_*/) {}
  virtual void missingSource(const std::string& /*file*/, const std::string& /*destination*/,
                             Boolean& /*continue_*/) {}
  virtual void nameConflict(const std::string& /*file*/, const std::string& /*name*/,
                            const std::string& /*suggestion*/, std::string& /*renameAs*/,
                            Boolean& /*continue_*/) {}
  virtual void progressChange(Integer /*percentComplete*/) {}
  virtual void phaseChange(const std::string& /*phase*/) {}
};

// Path variables a package's paths may use. %SYS_PROGFILES is the environment variable
// "ProgramFiles" when it is set, else the per-user add-on program folder ~/.local/opt.
//   %HF_ORBDIR      the base directory
//   %HF_SCRIPTSDIR  the settings' programs folder
//   %HF_SOURCEDIR   the settings' source data folder
//   %SYS_PROGFILES  the program folder
// An installation writes only inside these folders.
class TessaglyphQPK {
 public:
  TessaglyphQPK();

  void setEventSink(TessaglyphQPKEvents* sink) noexcept { m_eventSink = sink; }

  // ---- Scalar properties ------------------------------------------------------------------
  const std::string& filename() const noexcept { return m_filename; }
  void setFilename(std::string value) { m_filename = std::move(value); }
  const std::string& installerTitle() const noexcept { return m_installerTitle; }
  void setInstallerTitle(std::string value) { m_installerTitle = std::move(value); }
  const std::string& installDescription() const noexcept { return m_installDescription; }
  void setInstallDescription(std::string value) { m_installDescription = std::move(value); }
  const std::string& provider() const noexcept { return m_provider; }
  void setProvider(std::string value) { m_provider = std::move(value); }
  const std::string& qpkDate() const noexcept { return m_qpkDate; }
  void setQpkDate(std::string value) { m_qpkDate = std::move(value); }
  const std::string& uid() const noexcept { return m_uid; }
  // 60001 "Invalid UID" for a UID that cannot be part of a file name.
  void setUid(std::string value);
  const std::string& scriptProvider() const noexcept { return m_scriptProvider; }
  void setScriptProvider(std::string value) { m_scriptProvider = std::move(value); }
  const std::string& scriptProviderURL() const noexcept { return m_scriptProviderURL; }
  void setScriptProviderURL(std::string value) { m_scriptProviderURL = std::move(value); }
  Boolean forceSilentInstall() const noexcept { return m_forceSilentInstall; }
  void setForceSilentInstall(Boolean value) noexcept { m_forceSilentInstall = value; }
  Boolean userConfigurableInstall() const noexcept { return m_userConfigurableInstall; }
  void setUserConfigurableInstall(Boolean value) noexcept { m_userConfigurableInstall = value; }
  Boolean overwriteExisting() const noexcept { return m_overwriteExisting; }
  void setOverwriteExisting(Boolean value) noexcept { m_overwriteExisting = value; }
  Boolean createUninstallLog() const noexcept { return m_createUninstallLog; }
  void setCreateUninstallLog(Boolean value) noexcept { m_createUninstallLog = value; }
  Boolean uninstallNonEmptyDirError() const noexcept { return m_uninstallNonEmptyDirError; }
  void setUninstallNonEmptyDirError(Boolean value) noexcept { m_uninstallNonEmptyDirError = value; }
  Boolean uninstallNonExistingItemError() const noexcept { return m_uninstallNonExistingItemError; }
  void setUninstallNonExistingItemError(Boolean value) noexcept {
    m_uninstallNonExistingItemError = value;
  }
  Boolean allowRename() const noexcept { return m_allowRename; }
  void setAllowRename(Boolean value) noexcept { m_allowRename = value; }
  const std::string& beforeFile() const noexcept { return m_beforeFile; }
  void setBeforeFile(std::string value) { m_beforeFile = std::move(value); }
  const std::string& afterFile() const noexcept { return m_afterFile; }
  void setAfterFile(std::string value) { m_afterFile = std::move(value); }
  const std::string& launchProgram() const noexcept { return m_launchProgram; }
  void setLaunchProgram(std::string value) { m_launchProgram = std::move(value); }
  Boolean forceConditionAccept() const noexcept { return m_forceConditionAccept; }
  void setForceConditionAccept(Boolean value) noexcept { m_forceConditionAccept = value; }
  Boolean allowRMInstall() const noexcept { return m_allowRMInstall; }
  void setAllowRMInstall(Boolean value) noexcept { m_allowRMInstall = value; }
  const std::string& uninstallOlderSuggestion() const noexcept {
    return m_uninstallOlderSuggestion;
  }
  void setUninstallOlderSuggestion(std::string value) {
    m_uninstallOlderSuggestion = std::move(value);
  }
  const std::string& uninstallNewerSuggestion() const noexcept {
    return m_uninstallNewerSuggestion;
  }
  void setUninstallNewerSuggestion(std::string value) {
    m_uninstallNewerSuggestion = std::move(value);
  }
  Boolean ignoreQPKErrors() const noexcept { return m_ignoreQPKErrors; }
  void setIgnoreQPKErrors(Boolean value) noexcept { m_ignoreQPKErrors = value; }
  Boolean ignoreExistingCopyFiles() const noexcept { return m_ignoreExistingCopyFiles; }
  void setIgnoreExistingCopyFiles(Boolean value) noexcept { m_ignoreExistingCopyFiles = value; }
  Boolean ignoreExistingScripts() const noexcept { return m_ignoreExistingScripts; }
  void setIgnoreExistingScripts(Boolean value) noexcept { m_ignoreExistingScripts = value; }
  const std::string& scriptCategory() const noexcept { return m_scriptCategory; }
  void setScriptCategory(std::string value) { m_scriptCategory = std::move(value); }
  Boolean useValid() const noexcept { return m_useValid; }
  void setUseValid(Boolean value) noexcept { m_useValid = value; }
  const std::string& scriptsDestination() const noexcept { return m_scriptsDestination; }
  void setScriptsDestination(std::string value) { m_scriptsDestination = std::move(value); }
  Boolean ignoreExistingSources() const noexcept { return m_ignoreExistingSources; }
  void setIgnoreExistingSources(Boolean value) noexcept { m_ignoreExistingSources = value; }
  const std::string& sourceCategory() const noexcept { return m_sourceCategory; }
  void setSourceCategory(std::string value) { m_sourceCategory = std::move(value); }
  const std::string& sourceDestination() const noexcept { return m_sourceDestination; }
  void setSourceDestination(std::string value) { m_sourceDestination = std::move(value); }
  Boolean rmInstall() const noexcept { return m_rmInstall; }
  void setRmInstall(Boolean value) noexcept { m_rmInstall = value; }

  // ---- Lists (indexed from 0; 60000 "Index out of bounds" outside them) --------------------
  Integer numCopyFiles() const noexcept { return Integer(m_copyFiles.size()); }
  const std::string& copyFileSource(Integer index) const;
  void setCopyFileSource(Integer index, std::string value);
  const std::string& copyFileDestination(Integer index) const;
  void setCopyFileDestination(Integer index, std::string value);
  Integer numScripts() const noexcept { return Integer(m_scripts.size()); }
  const std::string& scriptFilename(Integer index) const;
  void setScriptFilename(Integer index, std::string value);
  const std::string& scriptIndexName(Integer index) const;
  void setScriptIndexName(Integer index, std::string value);
  Integer numSources() const noexcept { return Integer(m_sources.size()); }
  const std::string& sourceFilename(Integer index) const;
  void setSourceFilename(Integer index, std::string value);
  const std::string& sourceScriptName(Integer index) const;
  void setSourceScriptName(Integer index, std::string value);

  void clearCopyFiles() noexcept { m_copyFiles.clear(); }
  void clearScripts() noexcept { m_scripts.clear(); }
  void clearSources() noexcept { m_sources.clear(); }
  // Blank values raise 60000.
  void addCopyFile(std::string source, std::string dest);
  void addScript(std::string filename, std::string IndexName);
  void addSource(std::string filename, std::string scriptName);
  void removeCopyFile(Integer index);
  void removeScript(Integer index);
  void removeSource(Integer index);

  // Index of the first entry whose expanded path equals the expanded argument without regard
  // to case; -1 when none.
  Integer findCopyFileBySource(std::string_view sourcePath) const;
  Integer findCopyFileByDestination(std::string_view destPath) const;
  Integer findScriptBySource(std::string_view sourcePath) const;
  Integer findScriptByIndexName(std::string_view IndexName) const;
  Integer findSourceByFilename(std::string_view filename) const;
  // The next source after `lastIndex` read by that script; -1 when none.
  Integer enumSourcesByScriptName(std::string_view scriptName, Integer lastIndex) const;

  // Whether the expanded source path names an existing file, and the next entry after
  // `lastIndex` (start with -1) whose source does not; -1 when none.
  Boolean validateCopyFileSource(Integer index) const;
  Boolean validateScriptSource(Integer index) const;
  Boolean validateSource(Integer index) const;
  Integer enumInvalidCopyFileSources(Integer lastIndex = -1) const;
  Integer enumInvalidScriptSources(Integer lastIndex = -1) const;
  Integer enumInvalidSources(Integer lastIndex = -1) const;

  // ---- Errors found reading a package file -------------------------------------------------
  Long numQPKErrors() const noexcept { return Long(m_qpkErrors.size()); }
  const std::string& qpkError(Long index) const;
  void clearQPKErrors() noexcept { m_qpkErrors.clear(); }

  // ---- Path variables ----------------------------------------------------------------------
  void acquirePathVariables();
  std::string expandPathname(std::string_view path) const;

  // ---- Whole package -----------------------------------------------------------------------
  static std::string createRandomUID(Integer uidLength);
  void applyDefaults();
  void clearData();
  // Writes the package file anew; a given name becomes `filename` first.
  void writeQPK(const std::string& filename = {});
  // Reads a package file; problems are recorded as qpkError texts "[Line n] ..." and reading
  // goes on. A file that cannot be opened raises the platform's file error.
  Boolean readQPK(const std::string& filename = {});
  // The text writeQPK writes.
  std::string qpkText() const;
  // A name in the same folder that does not exist yet: "title yyyymmdd.ext", then
  // "title yyyymmdd-001.ext", "title yyyymmdd-002.ext", ...
  static std::string suggestNewFilename(std::string_view filename);

  // Copies and registers everything, raising the events, and returns the log of what was done
  // (saved as it grows when createUninstallLog is true).
  std::shared_ptr<TessaglyphQPKUninstall> install();

 private:
  struct Pair {
    std::string first;
    std::string second;
  };
  class Installation;

  void readLine(std::string_view section, std::string_view key, std::string_view value);
  // False for a key the section does not know.
  bool setQpkKey(std::string_view writtenKey, std::string_view value);
  // True when the expanded path lies in or below a folder a path variable names.
  bool isAllowedDestination(std::string_view path) const;
  Integer findExpanded(const std::vector<Pair>& list, bool second, std::string_view path) const;
  Integer nextInvalid(const std::vector<Pair>& list, Integer lastIndex) const;

  std::string m_filename;
  std::string m_installerTitle;
  std::string m_installDescription;
  std::string m_provider;
  std::string m_qpkDate;
  std::string m_uid;
  std::string m_scriptProvider;
  std::string m_scriptProviderURL;
  bool m_forceSilentInstall = false;
  bool m_userConfigurableInstall = false;
  bool m_overwriteExisting = false;
  bool m_createUninstallLog = false;
  bool m_uninstallNonEmptyDirError = false;
  bool m_uninstallNonExistingItemError = false;
  bool m_allowRename = false;
  std::string m_beforeFile;
  std::string m_afterFile;
  std::string m_launchProgram;
  bool m_forceConditionAccept = false;
  bool m_allowRMInstall = false;
  std::string m_uninstallOlderSuggestion;
  std::string m_uninstallNewerSuggestion;
  bool m_ignoreQPKErrors = false;
  bool m_ignoreExistingCopyFiles = false;
  bool m_ignoreExistingScripts = false;
  std::string m_scriptCategory;
  bool m_useValid = false;
  std::string m_scriptsDestination;
  bool m_ignoreExistingSources = false;
  std::string m_sourceCategory;
  std::string m_sourceDestination;
  bool m_rmInstall = false;

  std::vector<Pair> m_copyFiles;
  std::vector<Pair> m_scripts;
  std::vector<Pair> m_sources;
  std::vector<std::string> m_qpkErrors;

  std::string m_orbDir;
  std::string m_scriptsDir;
  std::string m_sourceDir;
  std::string m_programFilesDir;

  TessaglyphQPKEvents* m_eventSink = nullptr;
};

}  // namespace tg
