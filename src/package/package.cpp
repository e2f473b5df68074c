// The package in memory: its properties, its three lists, path variables and the names it makes.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "package/package_index.hpp"
#include "package/package_paths.hpp"
#include "support/date_text.hpp"
#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/package.hpp"

namespace tg {
namespace {

[[noreturn]] void invalidData(const std::string& member, std::string description) {
  throw Error(TG_QPK_E_INVALIDDATA, "TessaglyphQPK::" + member, std::move(description));
}

template <typename List>
void checkIndex(const List& list, Long index, const std::string& member) {
  if (index < 0 || std::size_t(index) >= list.size()) invalidData(member, "Index out of bounds");
}

void checkNotBlank(std::string_view value, const std::string& member, const char* description) {
  if (trimBlanks(value).empty()) invalidData(member, description);
}

constexpr const char* kBlankCopySource = "Cannot specify a blank copy-file source";
constexpr const char* kBlankCopyDestination = "Cannot specify a blank copy-file destination";
constexpr const char* kBlankScriptFile = "Cannot specify a blank script filename";
constexpr const char* kBlankScriptName = "Cannot specify a blank script index name";
constexpr const char* kBlankSourceFile = "Cannot specify a blank source filename";
constexpr const char* kBlankSourceScript = "Cannot specify a blank source script name";

bool fileExists(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(resolvePath(path), error);
}

}  // namespace

TessaglyphQPK::TessaglyphQPK() {
  applyDefaults();
  acquirePathVariables();
}

void TessaglyphQPK::setUid(std::string value) {
  if (!isValidPackageUid(value)) {
    throw Error(TG_QPK_E_INVALIDUID, "TessaglyphQPK::uid Let", "Invalid UID");
  }
  m_uid = std::move(value);
}

// ---- Lists ----------------------------------------------------------------------------------

const std::string& TessaglyphQPK::copyFileSource(Integer index) const {
  checkIndex(m_copyFiles, index, "copyFileSource Get");
  return m_copyFiles[std::size_t(index)].first;
}
void TessaglyphQPK::setCopyFileSource(Integer index, std::string value) {
  checkIndex(m_copyFiles, index, "copyFileSource Let");
  checkNotBlank(value, "copyFileSource Let", kBlankCopySource);
  m_copyFiles[std::size_t(index)].first = std::move(value);
}
const std::string& TessaglyphQPK::copyFileDestination(Integer index) const {
  checkIndex(m_copyFiles, index, "copyFileDestination Get");
  return m_copyFiles[std::size_t(index)].second;
}
void TessaglyphQPK::setCopyFileDestination(Integer index, std::string value) {
  checkIndex(m_copyFiles, index, "copyFileDestination Let");
  checkNotBlank(value, "copyFileDestination Let", kBlankCopyDestination);
  m_copyFiles[std::size_t(index)].second = std::move(value);
}
const std::string& TessaglyphQPK::scriptFilename(Integer index) const {
  checkIndex(m_scripts, index, "scriptFilename Get");
  return m_scripts[std::size_t(index)].first;
}
void TessaglyphQPK::setScriptFilename(Integer index, std::string value) {
  checkIndex(m_scripts, index, "scriptFilename Let");
  checkNotBlank(value, "scriptFilename Let", kBlankScriptFile);
  m_scripts[std::size_t(index)].first = std::move(value);
}
const std::string& TessaglyphQPK::scriptIndexName(Integer index) const {
  checkIndex(m_scripts, index, "scriptIndexName Get");
  return m_scripts[std::size_t(index)].second;
}
void TessaglyphQPK::setScriptIndexName(Integer index, std::string value) {
  checkIndex(m_scripts, index, "scriptIndexName Let");
  checkNotBlank(value, "scriptIndexName Let", kBlankScriptName);
  m_scripts[std::size_t(index)].second = std::move(value);
}
const std::string& TessaglyphQPK::sourceFilename(Integer index) const {
  checkIndex(m_sources, index, "sourceFilename Get");
  return m_sources[std::size_t(index)].first;
}
void TessaglyphQPK::setSourceFilename(Integer index, std::string value) {
  checkIndex(m_sources, index, "sourceFilename Let");
  checkNotBlank(value, "sourceFilename Let", kBlankSourceFile);
  m_sources[std::size_t(index)].first = std::move(value);
}
const std::string& TessaglyphQPK::sourceScriptName(Integer index) const {
  checkIndex(m_sources, index, "sourceScriptName Get");
  return m_sources[std::size_t(index)].second;
}
void TessaglyphQPK::setSourceScriptName(Integer index, std::string value) {
  checkIndex(m_sources, index, "sourceScriptName Let");
  checkNotBlank(value, "sourceScriptName Let", kBlankSourceScript);
  m_sources[std::size_t(index)].second = std::move(value);
}

void TessaglyphQPK::addCopyFile(std::string source, std::string dest) {
  checkNotBlank(source, "addCopyFile", kBlankCopySource);
  checkNotBlank(dest, "addCopyFile", kBlankCopyDestination);
  m_copyFiles.push_back(Pair{std::move(source), std::move(dest)});
}
void TessaglyphQPK::addScript(std::string filename, std::string IndexName) {
  checkNotBlank(filename, "addScript", kBlankScriptFile);
  checkNotBlank(IndexName, "addScript", kBlankScriptName);
  m_scripts.push_back(Pair{std::move(filename), std::move(IndexName)});
}
void TessaglyphQPK::addSource(std::string filename, std::string scriptName) {
  checkNotBlank(filename, "addSource", kBlankSourceFile);
  checkNotBlank(scriptName, "addSource", kBlankSourceScript);
  m_sources.push_back(Pair{std::move(filename), std::move(scriptName)});
}

void TessaglyphQPK::removeCopyFile(Integer index) {
  checkIndex(m_copyFiles, index, "removeCopyFile");
  m_copyFiles.erase(m_copyFiles.begin() + index);
}
void TessaglyphQPK::removeScript(Integer index) {
  checkIndex(m_scripts, index, "removeScript");
  m_scripts.erase(m_scripts.begin() + index);
}
void TessaglyphQPK::removeSource(Integer index) {
  checkIndex(m_sources, index, "removeSource");
  m_sources.erase(m_sources.begin() + index);
}

Integer TessaglyphQPK::findExpanded(const std::vector<Pair>& list, bool second,
                                    std::string_view path) const {
  const std::string wanted = toUpper(expandPathname(path));
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (toUpper(expandPathname(second ? list[i].second : list[i].first)) == wanted) {
      return Integer(i);
    }
  }
  return -1;
}

Integer TessaglyphQPK::findCopyFileBySource(std::string_view sourcePath) const {
  return findExpanded(m_copyFiles, false, sourcePath);
}
Integer TessaglyphQPK::findCopyFileByDestination(std::string_view destPath) const {
  return findExpanded(m_copyFiles, true, destPath);
}
Integer TessaglyphQPK::findScriptBySource(std::string_view sourcePath) const {
  return findExpanded(m_scripts, false, sourcePath);
}
Integer TessaglyphQPK::findScriptByIndexName(std::string_view IndexName) const {
  return findExpanded(m_scripts, true, IndexName);
}
Integer TessaglyphQPK::findSourceByFilename(std::string_view filename) const {
  return findExpanded(m_sources, false, filename);
}

Integer TessaglyphQPK::enumSourcesByScriptName(std::string_view scriptName,
                                               Integer lastIndex) const {
  for (std::size_t i = std::size_t(std::max<Integer>(lastIndex + 1, 0)); i < m_sources.size();
       ++i) {
    if (sameName(m_sources[i].second, scriptName)) return Integer(i);
  }
  return -1;
}

Boolean TessaglyphQPK::validateCopyFileSource(Integer index) const {
  return fileExists(expandPathname(copyFileSource(index)));
}
Boolean TessaglyphQPK::validateScriptSource(Integer index) const {
  return fileExists(expandPathname(scriptFilename(index)));
}
Boolean TessaglyphQPK::validateSource(Integer index) const {
  return fileExists(expandPathname(sourceFilename(index)));
}

Integer TessaglyphQPK::nextInvalid(const std::vector<Pair>& list, Integer lastIndex) const {
  for (std::size_t i = std::size_t(std::max<Integer>(lastIndex + 1, 0)); i < list.size(); ++i) {
    if (!fileExists(expandPathname(list[i].first))) return Integer(i);
  }
  return -1;
}
Integer TessaglyphQPK::enumInvalidCopyFileSources(Integer lastIndex) const {
  return nextInvalid(m_copyFiles, lastIndex);
}
Integer TessaglyphQPK::enumInvalidScriptSources(Integer lastIndex) const {
  return nextInvalid(m_scripts, lastIndex);
}
Integer TessaglyphQPK::enumInvalidSources(Integer lastIndex) const {
  return nextInvalid(m_sources, lastIndex);
}

const std::string& TessaglyphQPK::qpkError(Long index) const {
  checkIndex(m_qpkErrors, index, "qpkError Get");
  return m_qpkErrors[std::size_t(index)];
}

// ---- Path variables ---------------------------------------------------------------------------

void TessaglyphQPK::acquirePathVariables() {
  // A folder the settings cannot give stays empty, and nothing may be installed below it.
  auto folder = [](auto read) {
    try {
      return read();
    } catch (const Error&) {
      return std::string();
    }
  };
  PackageIndex& index = packageIndex();
  m_orbDir = folder([&] { return index.harrowfeldDirectory(); });
  m_scriptsDir = folder([&] { return index.programsDirectory(); });
  m_sourceDir = folder([&] { return index.sourceDataDirectory(); });
  m_programFilesDir = programFilesFolder();
}

std::string TessaglyphQPK::expandPathname(std::string_view path) const {
  std::string result(path);
  const std::pair<const char*, const std::string*> variables[] = {
      {"%HF_ORBDIR", &m_orbDir},
      {"%HF_SCRIPTSDIR", &m_scriptsDir},
      {"%HF_SOURCEDIR", &m_sourceDir},
      {"%SYS_PROGFILES", &m_programFilesDir}};
  for (const auto& [name, value] : variables) {
    const std::string_view variable(name);
    for (std::size_t at = result.find(variable); at != std::string::npos;
         at = result.find(variable, at + value->size())) {
      result.replace(at, variable.size(), *value);
    }
  }
  return result;
}

bool TessaglyphQPK::isAllowedDestination(std::string_view path) const {
  return isInsideFolders(expandPathname(path),
                         {m_orbDir, m_scriptsDir, m_sourceDir, m_programFilesDir});
}

// ---- Whole package ----------------------------------------------------------------------------

std::string TessaglyphQPK::createRandomUID(Integer uidLength) {
  std::random_device entropy;
  std::mt19937 generator(
      std::uint32_t(std::chrono::system_clock::now().time_since_epoch().count()) ^ entropy());
  std::uniform_int_distribution<int> kind(0, 1);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> letter(0, 25);
  std::string uid;
  for (Integer i = 0; i < uidLength; ++i) {
    uid += kind(generator) == 0 ? char('0' + digit(generator)) : char('A' + letter(generator));
  }
  return uid;
}

void TessaglyphQPK::applyDefaults() {
  m_forceSilentInstall = false;
  m_userConfigurableInstall = true;
  m_overwriteExisting = false;
  m_createUninstallLog = true;
  m_uninstallNonEmptyDirError = false;
  m_uninstallNonExistingItemError = false;
  m_allowRename = true;
  m_forceConditionAccept = false;
  m_allowRMInstall = false;
  m_ignoreQPKErrors = false;
  m_ignoreExistingCopyFiles = true;
  m_ignoreExistingScripts = true;
  m_useValid = true;
  m_ignoreExistingSources = true;
  m_rmInstall = false;
}

void TessaglyphQPK::clearData() {
  // A Boolean has no empty state: clearing sets the defaults, so a file that leaves a flag out
  // gets the safe value.
  for (std::string* text :
       {&m_filename, &m_installerTitle, &m_installDescription, &m_provider, &m_qpkDate, &m_uid,
        &m_scriptProvider, &m_scriptProviderURL, &m_beforeFile, &m_afterFile, &m_launchProgram,
        &m_uninstallOlderSuggestion, &m_uninstallNewerSuggestion, &m_scriptCategory,
        &m_scriptsDestination, &m_sourceCategory, &m_sourceDestination}) {
    text->clear();
  }
  applyDefaults();
  m_copyFiles.clear();
  m_scripts.clear();
  m_sources.clear();
  m_qpkErrors.clear();
}

std::string TessaglyphQPK::suggestNewFilename(std::string_view filename) {
  const std::string folder(folderOf(filename));
  const std::string title(fileTitleOf(filename));
  const std::string_view extension = extensionOf(filename);
  const std::string dotted = extension.empty() ? std::string() : "." + std::string(extension);
  const std::string stem = folder + title + " " + dayStamp(std::chrono::system_clock::now());
  std::string candidate = stem + dotted;
  for (int counter = 1; std::filesystem::exists(resolvePath(candidate)); ++counter) {
    char number[16];
    std::snprintf(number, sizeof number, "-%03d", counter);
    candidate = stem + number + dotted;
  }
  return candidate;
}

}  // namespace tg
