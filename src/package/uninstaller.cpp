// Undoing an installation: the log's marked commands run in order, failures go to the client,
// and the log keeps exactly what is left to do.
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "package/package_index.hpp"
#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/package_uninstall.hpp"

namespace tg {
namespace {

constexpr const char* kUninstallSource = "TessaglyphQPKUninstall::uninstall";

// The path as it lies on disk (logged folders are upper-cased), without a trailing separator.
std::string diskPath(std::string_view logged) {
  std::string path = resolvePath(logged);
  while (path.size() > 1 && isPathSeparator(path.back()))
    path.pop_back();
  return path;
}

bool isIndexCommand(TG_QPKU_COMMANDS code) {
  return code == TG_QPKU_C_UNINDEX || code == TG_QPKU_C_UNSCRIPT || code == TG_QPKU_C_UNSCRIPTI;
}

}  // namespace

bool TessaglyphQPKUninstall::runCommand(const Command& command, Long& errNum,
                                        std::string& errDescription) {
  auto failure = [&](Long number, std::string description) {
    errNum = number;
    errDescription = std::move(description);
    return false;
  };
  PackageIndex& index = packageIndex();
  switch (command.code) {
    case TG_QPKU_C_RMDIR:
      // Only empty folders go: whatever the user put there since stays.
      if (::rmdir(diskPath(command.parameter).c_str()) != 0 && m_nonEmptyDirError) {
        const Long number =
            errno == ENOENT ? PLATFORM_E_PATHNOTFOUND : PLATFORM_E_PATHFILEACCESSERROR;
        return failure(number, std::string(platformErrorText(number)));
      }
      return true;
    case TG_QPKU_C_DELFILE:
      // A file that is already gone counts as deleted unless the log asks to hear of it; one
      // that exists but cannot be deleted is always reported, so it is not forgotten.
      if (::unlink(diskPath(command.parameter).c_str()) != 0 &&
          (errno != ENOENT || m_nonExistentItemError)) {
        const Long number =
            errno == ENOENT ? PLATFORM_E_FILENOTFOUND : PLATFORM_E_PATHFILEACCESSERROR;
        return failure(number, std::string(platformErrorText(number)));
      }
      return true;
    case TG_QPKU_C_UNINDEX: {
      const Long record = index.findSource(command.parameter);
      if (record == -1) {
        if (!m_nonExistentItemError) return true;
        return failure(0, "Source file \"" + command.parameter + "\" does not exist in the index");
      }
      index.deleteIndexedFile(record);
      return true;
    }
    case TG_QPKU_C_UNSCRIPT:
    case TG_QPKU_C_UNSCRIPTI: {
      const Long record = index.findScript(command.parameter);
      if (record == -1) {
        if (!m_nonExistentItemError) return true;
        return failure(0, "Script \"" + command.parameter + "\" does not exist in the index");
      }
      index.deleteIndexedScript(record, command.code == TG_QPKU_C_UNSCRIPTI);
      return true;
    }
  }
  return true;
}

void TessaglyphQPKUninstall::uninstall() {
  std::size_t marked = 0;
  bool needsIndex = false;
  for (const Command& command : m_commands) {
    if (!command.execute) continue;
    ++marked;
    needsIndex = needsIndex || isIndexCommand(command.code);
  }
  // A log of files and folders alone can be undone without opening the index.
  if (needsIndex) packageIndex().ensureInitialised();

  std::vector<bool> done(m_commands.size(), false);
  std::size_t doneCount = 0;
  int lastPercent = -1;
  for (std::size_t i = 0; i < m_commands.size(); ++i) {
    if (!m_commands[i].execute) continue;
    Long errNum = 0;
    std::string errSource = kUninstallSource;
    std::string errDescription;
    bool completed = false;
    try {
      completed = runCommand(m_commands[i], errNum, errDescription);
    } catch (const Error& error) {
      errNum = error.number();
      errSource = error.source();
      errDescription = error.description();
    }
    if (completed) {
      done[i] = true;
      ++doneCount;
    } else {
      Boolean continue_ = true;
      if (m_eventSink) {
        m_eventSink->uninstallError(Integer(i), errNum, errSource, errDescription, continue_);
      }
      if (!continue_) break;
    }
    const int percent = int(doneCount * 100 / marked);
    if (percent != lastPercent) {
      lastPercent = percent;
      if (m_eventSink) m_eventSink->progressChange(Integer(percent));
    }
  }

  if (doneCount == m_commands.size()) {
    if (!m_logFilename.empty()) std::remove(resolvePath(m_logFilename).c_str());
    m_commands.clear();
    rebuildLists();
    return;
  }
  for (std::size_t i = m_commands.size(); i-- > 0;) {
    if (done[i]) m_commands.erase(m_commands.begin() + std::ptrdiff_t(i));
  }
  rebuildLists();
  if (!m_logFilename.empty()) writeLogFile(m_logFilename);
}

}  // namespace tg
