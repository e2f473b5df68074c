// The uninstall log of a package installation: what the installation created, copied and
// registered, saved as a ".TGU" file in the uninstall folder, loaded again, and undone command by
// command.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

enum TG_QPKU_ERRORS : std::int32_t {
  TG_QPKU_E_ERRBASE = 67000,
  TG_QPKU_E_NOCOMMANDS = 67001,
  TG_QPKU_E_NOUID = 67002,
  TG_QPKU_E_NOSUCHCOMMAND = 67003,
  TG_QPKU_E_BADLOGFILEDATA = 67004,
};

// The commands of a log, by their code.
enum TG_QPKU_COMMANDS : std::int32_t {
  TG_QPKU_C_RMDIR = 0,      // "rmdir": remove a folder
  TG_QPKU_C_DELFILE = 1,    // "delfile": delete a file
  TG_QPKU_C_UNINDEX = 2,    // "unindex": delete a source file's index record
  TG_QPKU_C_UNSCRIPT = 3,   // "unscript": delete a script's record unless sources still use it
  TG_QPKU_C_UNSCRIPTI = 4,  // "unscripti": delete a script's record even when in use
};

// Events of an uninstallation, raised synchronously. Set `continue_` to false to stop.
class TessaglyphQPKUninstallEvents {
 public:
  virtual ~TessaglyphQPKUninstallEvents() = default;
  virtual void uninstallError(Integer /*index*/, Long /*errNum*/, const std::string& /*errSource*/,
                              const std::string& /*errDescription*/, Boolean& /*continue_*/) {}
  virtual void progressChange(Integer /*percentComplete*/) {}
};

// The lists and the command list are indexed from 0; an index outside them raises 9
// "Subscript out of range".
class TessaglyphQPKUninstall {
 public:
  TessaglyphQPKUninstall();

  void setEventSink(TessaglyphQPKUninstallEvents* sink) noexcept { m_eventSink = sink; }

  const std::string& installUID() const noexcept { return m_installUID; }
  void setInstallUID(std::string value) { m_installUID = std::move(value); }
  const std::string& installDescription() const noexcept { return m_installDescription; }
  void setInstallDescription(std::string value) { m_installDescription = std::move(value); }
  Date installDate() const noexcept { return m_installDate; }
  Date qpkDate() const noexcept { return m_qpkDate; }
  void setQpkDate(Date value) noexcept { m_qpkDate = value; }
  const std::string& logFilename() const noexcept { return m_logFilename; }
  Boolean nonEmptyDirError() const noexcept { return m_nonEmptyDirError; }
  void setNonEmptyDirError(Boolean value) noexcept { m_nonEmptyDirError = value; }
  Boolean nonExistentItemError() const noexcept { return m_nonExistentItemError; }
  void setNonExistentItemError(Boolean value) noexcept { m_nonExistentItemError = value; }

  Integer numCreatedDirs() const noexcept { return Integer(m_createdDirs.size()); }
  const std::string& createdDir(Integer index) const;
  Integer numCopiedFiles() const noexcept { return Integer(m_copiedFiles.size()); }
  const std::string& copiedFile(Integer index) const;
  Integer numIndexedScripts() const noexcept { return Integer(m_indexedScripts.size()); }
  const std::string& indexedScript(Integer index) const;
  Integer numIndexedSources() const noexcept { return Integer(m_indexedSources.size()); }
  const std::string& indexedSource(Integer index) const;

  Integer numUninstallCommands() const noexcept { return Integer(m_commands.size()); }
  // The display name ("Remove directory", "Delete file", ...) and the parameter of command i.
  std::string uninstallCommand(Integer index) const;
  const std::string& uninstallCommandParameter(Integer index) const;
  TG_QPKU_COMMANDS uninstallCommandCode(Integer index) const;
  Boolean executeUninstallCommand(Integer index) const;
  void setExecuteUninstallCommand(Integer index, Boolean value);

  // Folders are stored trimmed, upper-cased and with a trailing "\"; the other names trimmed.
  // The command list stays in executable order: unindex, unscript/unscripti, delfile, then
  // rmdir with the most recently created folder first.
  void logDirectory(std::string_view path);
  void logFile(std::string_view filename);
  void logIndexedScript(std::string_view scriptName, Boolean ignoreInUse = false);
  void logIndexedSource(std::string_view filename);

  // Writes the log under a new name in the uninstall folder of the settings: 67001 without
  // commands, 67002 without a UID; a failed write raises the platform's file error.
  void save();
  // Writes the log again under logFilename, or saves it when it has no file yet: an installation
  // keeps its log in step with every step it takes.
  void update();
  // Reads a log (67003 for an unknown command, 67004 for bad data); the fields read before a
  // failure stay.
  void load(const std::string& filename);
  // Executes the marked commands in order. When all are done the log file is deleted; else it is
  // written again holding the commands that remain.
  void uninstall();

  // The log file's text as save writes it.
  std::string logText() const;

 private:
  struct Command {
    TG_QPKU_COMMANDS code;
    std::string parameter;
    bool execute = true;
  };

  void clear();
  void insertCommand(TG_QPKU_COMMANDS code, std::string parameter);
  void writeLogFile(const std::string& path) const;
  void rebuildLists();
  // Runs command i; false when it failed and the failure is to be reported (with its error).
  bool runCommand(const Command& command, Long& errNum, std::string& errDescription);

  std::string m_installUID;
  std::string m_installDescription;
  Date m_installDate;
  Date m_qpkDate;
  std::string m_logFilename;
  bool m_nonEmptyDirError = false;
  bool m_nonExistentItemError = false;
  std::vector<std::string> m_createdDirs;
  std::vector<std::string> m_copiedFiles;
  std::vector<std::string> m_indexedScripts;
  std::vector<std::string> m_indexedSources;
  std::vector<Command> m_commands;
  TessaglyphQPKUninstallEvents* m_eventSink = nullptr;
};

}  // namespace tg
