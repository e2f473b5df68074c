// The package file: written line by line in a fixed order, and read back line by line with every
// problem recorded against its line number while reading goes on.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "package/package_paths.hpp"
#include "support/conversions.hpp"
#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/package.hpp"

namespace tg {
namespace {

class Lines {
 public:
  void add(std::string_view key, std::string_view value) {
    m_text.append(key).append("=").append(value).append("\n");
  }
  void addIfSet(std::string_view key, std::string_view value) {
    if (!value.empty()) add(key, value);
  }
  void add(std::string_view key, bool value) { add(key, booleanToText(value)); }
  void line(std::string_view text) { m_text.append(text).append("\n"); }
  std::string& text() { return m_text; }

 private:
  std::string m_text;
};

std::string quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

}  // namespace

std::string TessaglyphQPK::qpkText() const {
  Lines out;
  out.line("[QPK]");
  out.addIfSet("installer title", m_installerTitle);
  out.addIfSet("install description", m_installDescription);
  out.addIfSet("provider", m_provider);
  out.add("date", m_qpkDate);
  out.addIfSet("uid", m_uid);
  out.addIfSet("script provider", m_scriptProvider);
  out.addIfSet("script provider url", m_scriptProviderURL);
  out.addIfSet("before file", m_beforeFile);
  out.addIfSet("after file", m_afterFile);
  out.addIfSet("launch program", m_launchProgram);
  out.add("force silent install", m_forceSilentInstall);
  out.add("user configurable install", m_userConfigurableInstall);
  out.add("overwrite existing", m_overwriteExisting);
  out.add("allow rename", m_allowRename);
  if (!m_beforeFile.empty()) out.add("force condition accept", m_forceConditionAccept);
  out.add("allow rm install", m_allowRMInstall);
  out.add("ignore qpk errors", m_ignoreQPKErrors);
  out.addIfSet("uninstall newer suggestion", m_uninstallNewerSuggestion);
  out.addIfSet("uninstall older suggestion", m_uninstallOlderSuggestion);
  out.add("uninstall nonempty dir error", m_uninstallNonEmptyDirError);
  out.add("uninstall nonexistent item error", m_uninstallNonExistingItemError);
  if (!m_copyFiles.empty()) {
    out.line("");
    out.line("[Copy Files]");
    out.add("ignore existing", m_ignoreExistingCopyFiles);
    for (const Pair& entry : m_copyFiles)
      out.add(entry.first, entry.second);
  }
  if (!m_scripts.empty()) {
    out.line("");
    out.line("[Scripts]");
    out.add("ignore existing", m_ignoreExistingScripts);
    out.addIfSet("category", m_scriptCategory);
    out.addIfSet("destination", m_scriptsDestination);
    out.add("use valid", m_useValid);
    for (const Pair& entry : m_scripts)
      out.add(entry.first, entry.second);
  }
  if (!m_sources.empty()) {
    out.line("");
    out.line("[Source Files]");
    out.add("ignore existing", m_ignoreExistingSources);
    out.addIfSet("category", m_sourceCategory);
    out.addIfSet("destination", m_sourceDestination);
    if (m_allowRMInstall) out.add("rm install", m_rmInstall);
    for (const Pair& entry : m_sources)
      out.add(entry.first, entry.second);
  }
  return std::move(out.text());
}

void TessaglyphQPK::writeQPK(const std::string& filename) {
  if (!filename.empty()) m_filename = filename;
  const std::string target = resolvePath(m_filename);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << qpkText();
  out.flush();
  if (m_filename.empty() || !out) {
    raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR, "TessaglyphQPK::writeQPK");
  }
}

Boolean TessaglyphQPK::readQPK(const std::string& filename) {
  const std::string target = filename.empty() ? m_filename : filename;
  clearData();
  m_filename = target;
  std::ifstream in(resolvePath(target), std::ios::binary);
  if (target.empty() || !in) raisePlatformError(PLATFORM_E_FILENOTFOUND, "TessaglyphQPK::readQPK");
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  std::string section;  // upper case; empty before the first header
  bool sectionKnown = false;
  std::size_t start = 0;
  for (long lineNumber = 1; start < content.size(); ++lineNumber) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    const std::string_view line = trimSpace(std::string_view(content).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == ';') continue;
    const std::size_t errorsBefore = m_qpkErrors.size();
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      section = toUpper(trimSpace(line.substr(1, line.size() - 2)));
      sectionKnown = section == "QPK" || section == "COPY FILES" || section == "SCRIPTS" ||
                     section == "SOURCE FILES";
      if (!sectionKnown) {
        m_qpkErrors.push_back("Cannot recognize section " +
                              quoted(line.substr(1, line.size() - 2)));
      }
    } else if (const std::size_t equals = line.find('=');
               equals == std::string_view::npos || equals == 0) {
      m_qpkErrors.push_back("Cannot parse line " + quoted(line));
    } else if (section.empty()) {
      m_qpkErrors.push_back("Line outside of a section: " + quoted(line));
    } else if (sectionKnown) {
      readLine(section, trimSpace(line.substr(0, equals)), trimSpace(line.substr(equals + 1)));
    }
    for (std::size_t i = errorsBefore; i < m_qpkErrors.size(); ++i) {
      m_qpkErrors[i] = "[Line " + std::to_string(lineNumber) + "] " + m_qpkErrors[i];
    }
  }
  return true;
}

void TessaglyphQPK::readLine(std::string_view section, std::string_view key,
                             std::string_view value) {
  const std::string upperKey = toUpper(key);
  auto flag = [&](bool& target) {
    try {
      target = textToBoolean(value);
    } catch (const Error&) {
      m_qpkErrors.push_back("Invalid value for setting " + quoted(key) + ": " + std::string(value));
    }
  };
  auto destination = [&](std::string& target) {
    target = value;
    if (!isAllowedDestination(value)) {
      m_qpkErrors.push_back("Destination outside the allowed folders: " + std::string(value));
    }
  };
  // Adders raise for blank values; the error is recorded like any other.
  auto add = [&](auto adder) {
    try {
      adder();
    } catch (const Error& error) {
      m_qpkErrors.push_back(error.description());
    }
  };
  if (section == "QPK") {
    if (!setQpkKey(key, value)) {
      m_qpkErrors.push_back("Unknown setting in section QPK: " + std::string(key));
    }
  } else if (section == "COPY FILES") {
    if (upperKey == "IGNORE EXISTING") return flag(m_ignoreExistingCopyFiles);
    add([&] { addCopyFile(std::string(key), std::string(value)); });
    if (!value.empty() && !isAllowedDestination(value)) {
      m_qpkErrors.push_back("Destination outside the allowed folders: " + std::string(value));
    }
  } else if (section == "SCRIPTS") {
    if (upperKey == "IGNORE EXISTING") return flag(m_ignoreExistingScripts);
    if (upperKey == "CATEGORY") return void(m_scriptCategory = value);
    if (upperKey == "DESTINATION") return destination(m_scriptsDestination);
    if (upperKey == "USE VALID") return flag(m_useValid);
    add([&] { addScript(std::string(key), std::string(value)); });
  } else {
    if (upperKey == "IGNORE EXISTING") return flag(m_ignoreExistingSources);
    if (upperKey == "CATEGORY") return void(m_sourceCategory = value);
    if (upperKey == "DESTINATION") return destination(m_sourceDestination);
    if (upperKey == "RM INSTALL") return flag(m_rmInstall);
    add([&] { addSource(std::string(key), std::string(value)); });
  }
}

bool TessaglyphQPK::setQpkKey(std::string_view writtenKey, std::string_view value) {
  const std::string key = toUpper(writtenKey);
  struct TextKey {
    const char* key;
    std::string TessaglyphQPK::*field;
  };
  static const TextKey texts[] = {
      {"INSTALLER TITLE", &TessaglyphQPK::m_installerTitle},
      {"INSTALL DESCRIPTION", &TessaglyphQPK::m_installDescription},
      {"PROVIDER", &TessaglyphQPK::m_provider},
      {"DATE", &TessaglyphQPK::m_qpkDate},
      {"SCRIPT PROVIDER", &TessaglyphQPK::m_scriptProvider},
      {"SCRIPT PROVIDER URL", &TessaglyphQPK::m_scriptProviderURL},
      {"BEFORE FILE", &TessaglyphQPK::m_beforeFile},
      {"AFTER FILE", &TessaglyphQPK::m_afterFile},
      {"LAUNCH PROGRAM", &TessaglyphQPK::m_launchProgram},
      {"UNINSTALL NEWER SUGGESTION", &TessaglyphQPK::m_uninstallNewerSuggestion},
      {"UNINSTALL OLDER SUGGESTION", &TessaglyphQPK::m_uninstallOlderSuggestion},
  };
  struct FlagKey {
    const char* key;
    bool TessaglyphQPK::*field;
  };
  static const FlagKey flags[] = {
      {"FORCE SILENT INSTALL", &TessaglyphQPK::m_forceSilentInstall},
      {"USER CONFIGURABLE INSTALL", &TessaglyphQPK::m_userConfigurableInstall},
      {"OVERWRITE EXISTING", &TessaglyphQPK::m_overwriteExisting},
      {"ALLOW RENAME", &TessaglyphQPK::m_allowRename},
      {"FORCE CONDITION ACCEPT", &TessaglyphQPK::m_forceConditionAccept},
      {"ALLOW RM INSTALL", &TessaglyphQPK::m_allowRMInstall},
      {"IGNORE QPK ERRORS", &TessaglyphQPK::m_ignoreQPKErrors},
      {"UNINSTALL NONEMPTY DIR ERROR", &TessaglyphQPK::m_uninstallNonEmptyDirError},
      {"UNINSTALL NONEXISTENT ITEM ERROR", &TessaglyphQPK::m_uninstallNonExistingItemError},
  };
  for (const TextKey& text : texts) {
    if (key != text.key) continue;
    this->*text.field = value;
    return true;
  }
  for (const FlagKey& flag : flags) {
    if (key != flag.key) continue;
    try {
      this->*flag.field = textToBoolean(value);
    } catch (const Error&) {
      m_qpkErrors.push_back("Invalid value for setting " + quoted(writtenKey) + ": " +
                            std::string(value));
    }
    return true;
  }
  if (key != "UID") return false;
  if (isValidPackageUid(value)) {
    m_uid = value;
  } else {
    m_qpkErrors.push_back("Invalid UID: " + std::string(value));
  }
  return true;
}

}  // namespace tg
