// The uninstall log's fields, its commands in executable order, and its file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "package/package_index.hpp"
#include "support/conversions.hpp"
#include "support/date_text.hpp"
#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/package_uninstall.hpp"

namespace tg {
namespace {

constexpr const char* kLoadSource = "TessaglyphQPKUninstall::load";
constexpr const char* kSaveSource = "TessaglyphQPKUninstall::save";

struct CommandInfo {
  const char* logName;
  const char* displayName;
  int rank;  // position of the kind in the executable order
};

constexpr CommandInfo kCommands[] = {
    {"rmdir", "Remove directory", 3},
    {"delfile", "Delete file", 2},
    {"unindex", "Unindex source file", 0},
    {"unscript", "Unindex script", 1},
    {"unscripti", "Unindex script (ignore in-use)", 1},
};

const CommandInfo& infoOf(TG_QPKU_COMMANDS code) {
  return kCommands[code];
}

TG_QPKU_COMMANDS getCommandCode(std::string_view name) {
  for (std::size_t code = 0; code < std::size(kCommands); ++code) {
    if (equalsIgnoreCase(name, kCommands[code].logName)) return TG_QPKU_COMMANDS(code);
  }
  throw Error(TG_QPKU_E_NOSUCHCOMMAND, "TessaglyphQPKUninstall::getCommandCode",
              "Command \"" + std::string(name) + "\" is not recognized");
}

[[noreturn]] void badData(std::string description) {
  throw Error(TG_QPKU_E_BADLOGFILEDATA, kLoadSource, std::move(description));
}

template <typename List>
const std::string& itemAt(const List& list, Integer index) {
  if (index < 0 || std::size_t(index) >= list.size()) raiseSubscriptOutOfRange();
  return list[std::size_t(index)];
}

}  // namespace

TessaglyphQPKUninstall::TessaglyphQPKUninstall()
    : m_installDate(std::chrono::system_clock::now()), m_qpkDate(m_installDate) {}

const std::string& TessaglyphQPKUninstall::createdDir(Integer index) const {
  return itemAt(m_createdDirs, index);
}
const std::string& TessaglyphQPKUninstall::copiedFile(Integer index) const {
  return itemAt(m_copiedFiles, index);
}
const std::string& TessaglyphQPKUninstall::indexedScript(Integer index) const {
  return itemAt(m_indexedScripts, index);
}
const std::string& TessaglyphQPKUninstall::indexedSource(Integer index) const {
  return itemAt(m_indexedSources, index);
}

std::string TessaglyphQPKUninstall::uninstallCommand(Integer index) const {
  return infoOf(uninstallCommandCode(index)).displayName;
}

const std::string& TessaglyphQPKUninstall::uninstallCommandParameter(Integer index) const {
  if (index < 0 || std::size_t(index) >= m_commands.size()) raiseSubscriptOutOfRange();
  return m_commands[std::size_t(index)].parameter;
}

TG_QPKU_COMMANDS TessaglyphQPKUninstall::uninstallCommandCode(Integer index) const {
  if (index < 0 || std::size_t(index) >= m_commands.size()) raiseSubscriptOutOfRange();
  return m_commands[std::size_t(index)].code;
}

Boolean TessaglyphQPKUninstall::executeUninstallCommand(Integer index) const {
  if (index < 0 || std::size_t(index) >= m_commands.size()) raiseSubscriptOutOfRange();
  return m_commands[std::size_t(index)].execute;
}

void TessaglyphQPKUninstall::setExecuteUninstallCommand(Integer index, Boolean value) {
  if (index < 0 || std::size_t(index) >= m_commands.size()) raiseSubscriptOutOfRange();
  m_commands[std::size_t(index)].execute = value;
}

void TessaglyphQPKUninstall::insertCommand(TG_QPKU_COMMANDS code, std::string parameter) {
  // Each kind keeps its block; folders go to the front of theirs so the newest is removed first.
  const int rank = infoOf(code).rank;
  auto position = m_commands.begin();
  for (auto it = m_commands.begin(); it != m_commands.end(); ++it) {
    const int other = infoOf(it->code).rank;
    if (other < rank || (other == rank && code != TG_QPKU_C_RMDIR)) position = it + 1;
  }
  m_commands.insert(position, Command{code, std::move(parameter), true});
}

void TessaglyphQPKUninstall::logDirectory(std::string_view path) {
  std::string folder = toUpper(trimBlanks(path));
  if (folder.empty() || !isPathSeparator(folder.back())) folder += '\\';
  m_createdDirs.push_back(folder);
  insertCommand(TG_QPKU_C_RMDIR, std::move(folder));
}

void TessaglyphQPKUninstall::logFile(std::string_view filename) {
  std::string name(trimBlanks(filename));
  m_copiedFiles.push_back(name);
  insertCommand(TG_QPKU_C_DELFILE, std::move(name));
}

void TessaglyphQPKUninstall::logIndexedScript(std::string_view scriptName, Boolean ignoreInUse) {
  std::string name(trimBlanks(scriptName));
  m_indexedScripts.push_back(name);
  insertCommand(ignoreInUse ? TG_QPKU_C_UNSCRIPTI : TG_QPKU_C_UNSCRIPT, std::move(name));
}

void TessaglyphQPKUninstall::logIndexedSource(std::string_view filename) {
  std::string name(trimBlanks(filename));
  m_indexedSources.push_back(name);
  insertCommand(TG_QPKU_C_UNINDEX, std::move(name));
}

std::string TessaglyphQPKUninstall::logText() const {
  std::string text;
  auto line = [&text](std::string_view key, std::string_view value) {
    text.append(key).append("=").append(value).append("\n");
  };
  if (!m_installDescription.empty()) line("install_descr", m_installDescription);
  line("install_date", dateToText(m_installDate));
  line("install_uid", m_installUID);
  line("qpk_date", dateToText(m_qpkDate));
  line("nonempty_dir_error", booleanToText(m_nonEmptyDirError));
  line("nonexistent_item_error", booleanToText(m_nonExistentItemError));
  text += "\n";
  line("created_dirs", std::to_string(m_createdDirs.size()));
  line("copied_files", std::to_string(m_copiedFiles.size()));
  line("indexed_scripts", std::to_string(m_indexedScripts.size()));
  line("indexed_sources", std::to_string(m_indexedSources.size()));
  text += "\n";
  for (const Command& command : m_commands)
    line(infoOf(command.code).logName, command.parameter);
  return text;
}

void TessaglyphQPKUninstall::writeLogFile(const std::string& path) const {
  // Written beside the log and renamed over it, so a failed write never leaves half a log.
  const std::string target = resolvePath(path);
  const std::string partial = target + ".part";
  ensureFolder(folderOf(target));
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << logText();
    out.flush();
    if (!out) {
      std::remove(partial.c_str());
      raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR, kSaveSource);
    }
  }
  if (std::rename(partial.c_str(), target.c_str()) != 0) {
    std::remove(partial.c_str());
    raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR, kSaveSource);
  }
}

void TessaglyphQPKUninstall::save() {
  if (m_commands.empty()) throw Error(TG_QPKU_E_NOCOMMANDS, kSaveSource, "No data to save");
  if (trimBlanks(m_installUID).empty()) {
    throw Error(TG_QPKU_E_NOUID, kSaveSource, "Cannot save without UID");
  }
  const std::string name = packageIndex().uninstallLogName(m_installUID, m_installDate);
  writeLogFile(name);
  m_logFilename = name;
}

void TessaglyphQPKUninstall::update() {
  if (m_logFilename.empty()) return save();
  writeLogFile(m_logFilename);
}

void TessaglyphQPKUninstall::clear() {
  m_installUID.clear();
  m_installDescription.clear();
  m_installDate = std::chrono::system_clock::now();
  m_qpkDate = m_installDate;
  m_logFilename.clear();
  m_nonEmptyDirError = false;
  m_nonExistentItemError = false;
  m_createdDirs.clear();
  m_copiedFiles.clear();
  m_indexedScripts.clear();
  m_indexedSources.clear();
  m_commands.clear();
}

void TessaglyphQPKUninstall::load(const std::string& filename) {
  clear();
  std::ifstream in(resolvePath(filename), std::ios::binary);
  if (!in) raisePlatformError(PLATFORM_E_FILENOTFOUND, kLoadSource);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  struct CountedList {
    const char* key;
    std::vector<std::string>* list;
    bool declared = false;
    std::size_t filled = 0;
  };
  CountedList lists[] = {{"created_dirs", &m_createdDirs},
                         {"copied_files", &m_copiedFiles},
                         {"indexed_scripts", &m_indexedScripts},
                         {"indexed_sources", &m_indexedSources}};
  auto listOf = [&lists](TG_QPKU_COMMANDS code) -> CountedList& {
    switch (code) {
      case TG_QPKU_C_RMDIR:
        return lists[0];
      case TG_QPKU_C_DELFILE:
        return lists[1];
      case TG_QPKU_C_UNSCRIPT:
      case TG_QPKU_C_UNSCRIPTI:
        return lists[2];
      case TG_QPKU_C_UNINDEX:
        break;
    }
    return lists[3];
  };

  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    const std::string_view line = trimSpace(std::string_view(content).substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    const std::string key = toUpper(trimSpace(line.substr(0, equals)));
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : trimSpace(line.substr(equals + 1));

    if (key == "INSTALL_DESCR") {
      m_installDescription = value;
    } else if (key == "INSTALL_UID") {
      m_installUID = value;
    } else if (key == "INSTALL_DATE" || key == "QPK_DATE") {
      const std::optional<Date> date = parseDateText(value);
      if (!date) badData("Bad date format: " + std::string(value));
      (key == "INSTALL_DATE" ? m_installDate : m_qpkDate) = *date;
    } else if (key == "NONEMPTY_DIR_ERROR" || key == "NONEXISTENT_ITEM_ERROR") {
      bool flag = false;
      try {
        flag = textToBoolean(value);
      } catch (const Error&) {
        badData("Bad boolean format: " + std::string(value));
      }
      (key == "NONEMPTY_DIR_ERROR" ? m_nonEmptyDirError : m_nonExistentItemError) = flag;
    } else if (auto counted = std::find_if(
                   std::begin(lists), std::end(lists),
                   [&key](const CountedList& list) { return toUpper(list.key) == key; });
               counted != std::end(lists)) {
      const std::optional<double> count = parseNumber(value);
      if (!count) badData("Bad number format: " + std::string(value));
      if (*count < 0 || *count > 32767 || *count != std::floor(*count)) {
        badData("Invalid number: " + std::string(value));
      }
      if (counted->declared) badData(std::string(counted->key) + " specified more than once");
      counted->declared = true;
      counted->list->assign(std::size_t(*count), std::string());
    } else {
      const TG_QPKU_COMMANDS code = getCommandCode(key);
      CountedList& list = listOf(code);
      if (list.filled >= list.list->size()) {
        badData(code == TG_QPKU_C_UNSCRIPT || code == TG_QPKU_C_UNSCRIPTI
                    ? std::string("Too many unscript and unscripti commands")
                    : "Too many " + std::string(infoOf(code).logName) + " commands");
      }
      (*list.list)[list.filled++] = value;
      m_commands.push_back(Command{code, std::string(value), true});
    }
  }
  m_logFilename = filename;
}

void TessaglyphQPKUninstall::rebuildLists() {
  m_createdDirs.clear();
  m_copiedFiles.clear();
  m_indexedScripts.clear();
  m_indexedSources.clear();
  for (const Command& command : m_commands) {
    switch (command.code) {
      case TG_QPKU_C_RMDIR:
        m_createdDirs.push_back(command.parameter);
        break;
      case TG_QPKU_C_DELFILE:
        m_copiedFiles.push_back(command.parameter);
        break;
      case TG_QPKU_C_UNINDEX:
        m_indexedSources.push_back(command.parameter);
        break;
      case TG_QPKU_C_UNSCRIPT:
      case TG_QPKU_C_UNSCRIPTI:
        m_indexedScripts.push_back(command.parameter);
        break;
    }
  }
}

}  // namespace tg
