// tessaglyph package: installation packages and their uninstall logs.
//
//   tessaglyph package show FILE.qpk
//       what the package would install (paths with their variables expanded) and the problems
//       found reading it
//   tessaglyph package install FILE.qpk [--yes] [--overwrite]
//       installs it; questions (a missing file, a name already taken, an error) are asked on the
//       console, or answered with their defaults under --yes or when standard input is not a
//       terminal. A progress bar is drawn on a terminal.
//   tessaglyph package logs [UID]
//       the uninstall logs, of one package when a UID is given
//   tessaglyph package uninstall LOG.TGU|UID
//       undoes the installation of that log, or of every log of that package
//
// Exit status: 0 done, 1 when something could not be done (problems in a package file, an
// installation that stopped, an uninstall that left commands behind), 2 for a bad command line
// or a package or log that cannot be read.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "common/scripted_file.hpp"
#include "common/subcommand.hpp"
#include "package/package_index.hpp"
#include "support/date_text.hpp"
#include "tessaglyph/package.hpp"
#include "tessaglyph/package_uninstall.hpp"

namespace tg::tools {
namespace {

struct PackageOptions {
  std::string file;  // package file, or a log or UID for uninstall
  std::string uid;
  bool yes = false;
  bool overwrite = false;
};

// A progress bar on a terminal, nothing otherwise.
class ProgressBar {
 public:
  ProgressBar() : m_terminal(::isatty(STDERR_FILENO) != 0) {}
  ~ProgressBar() { finish(); }
  void show(int percent) {
    if (!m_terminal) return;
    const int filled = percent * 40 / 100;
    std::cerr << "\r[" << std::string(std::size_t(filled), '#')
              << std::string(std::size_t(40 - filled), ' ') << "] " << percent << "%" << std::flush;
    m_drawn = true;
  }
  // Ends the bar's line before other output.
  void finish() {
    if (m_drawn) std::cerr << '\n';
    m_drawn = false;
  }

 private:
  bool m_terminal;
  bool m_drawn = false;
};

// Asks on the console; the default answer when questions are not to be asked.
class Console {
 public:
  explicit Console(bool yes) : m_ask(!yes && ::isatty(STDIN_FILENO) != 0) {}
  bool askContinue(const std::string& question) {
    if (!m_ask) return true;
    std::cerr << question << " Continue? [Y/n] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer.empty() || answer[0] == 'y' || answer[0] == 'Y';
  }
  // The name typed, the suggestion for an empty line, empty to stop.
  std::string askName(const std::string& question, const std::string& suggestion) {
    if (!m_ask) return suggestion;
    std::cerr << question << " New name [" << suggestion << "], or \"-\" to stop: " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer) || answer == "-") return {};
    return answer.empty() ? suggestion : answer;
  }

 private:
  bool m_ask;
};

class InstallEvents final : public TessaglyphQPKEvents {
 public:
  explicit InstallEvents(bool yes) : m_console(yes) {}
  void installError(Long num, const std::string& source, const std::string& description,
                    Boolean& continue_) override {
    m_bar.finish();
    ++problems;
    std::cerr << "tessaglyph package: " << description << " (error " << num << ", " << source
              << ")\n";
    continue_ = m_console.askContinue("");
  }
  void missingSource(const std::string& file, const std::string& destination,
                     Boolean& continue_) override {
    m_bar.finish();
    ++problems;
    std::cerr << "tessaglyph package: \"" << file << "\" is missing (for " << destination << ")\n";
    continue_ = m_console.askContinue("");
  }
  void nameConflict(const std::string& file, const std::string& name, const std::string& suggestion,
                    std::string& renameAs, Boolean& continue_) override {
    m_bar.finish();
    renameAs = m_console.askName("\"" + name + "\" (for " + file + ") exists already.", suggestion);
    continue_ = !renameAs.empty();
    if (!continue_) ++problems;
  }
  void progressChange(Integer percent) override { m_bar.show(percent); }
  void phaseChange(const std::string& phase) override {
    m_bar.finish();
    std::cout << phase << '\n' << std::flush;
    finished = phase == "Finished.";
  }

  int problems = 0;
  bool finished = false;

 private:
  Console m_console;
  ProgressBar m_bar;
};

class UninstallEvents final : public TessaglyphQPKUninstallEvents {
 public:
  void uninstallError(Integer index, Long errNum, const std::string& errSource,
                      const std::string& errDescription, Boolean& continue_) override {
    m_bar.finish();
    std::cerr << "tessaglyph package: command " << index + 1 << ": " << errDescription << " (error "
              << errNum << ", " << errSource << ")\n";
    continue_ = true;
  }
  void progressChange(Integer percent) override { m_bar.show(percent); }

 private:
  ProgressBar m_bar;
};

std::unique_ptr<TessaglyphQPK> readPackage(const std::string& file) {
  auto qpk = std::make_unique<TessaglyphQPK>();
  try {
    qpk->readQPK(file);
  } catch (const Error& error) {
    std::cerr << "tessaglyph package: cannot read \"" << file << "\": " << errorText(error) << '\n';
    return nullptr;
  }
  return qpk;
}

int runShow(const PackageOptions& options) {
  const auto qpk = readPackage(options.file);
  if (!qpk) return 2;
  const auto line = [](const char* key, const std::string& value) {
    if (!value.empty())
      std::cout << key << std::string(22 - std::string(key).size(), ' ') << value << '\n';
  };
  line("package", qpk->filename());
  line("installer title", qpk->installerTitle());
  line("description", qpk->installDescription());
  line("provider", qpk->provider());
  line("date", qpk->qpkDate());
  line("uid", qpk->uid());
  line("script provider", qpk->scriptProvider());
  for (Integer i = 0; i < qpk->numCopyFiles(); ++i) {
    std::cout << "copy    " << qpk->expandPathname(qpk->copyFileSource(i)) << " -> "
              << qpk->expandPathname(qpk->copyFileDestination(i)) << '\n';
  }
  const std::string scripts = qpk->expandPathname(qpk->scriptsDestination());
  for (Integer i = 0; i < qpk->numScripts(); ++i) {
    std::cout << "script  " << qpk->expandPathname(qpk->scriptFilename(i)) << " as \""
              << qpk->scriptIndexName(i) << "\"" << (scripts.empty() ? "" : " -> " + scripts)
              << '\n';
  }
  const std::string sources = qpk->expandPathname(qpk->sourceDestination());
  for (Integer i = 0; i < qpk->numSources(); ++i) {
    std::cout << "source  " << qpk->expandPathname(qpk->sourceFilename(i)) << " read by \""
              << qpk->sourceScriptName(i) << "\"" << (sources.empty() ? "" : " -> " + sources)
              << '\n';
  }
  for (Long i = 0; i < qpk->numQPKErrors(); ++i) {
    std::cout << "problem " << qpk->qpkError(i) << '\n';
  }
  return qpk->numQPKErrors() == 0 ? 0 : 1;
}

int runInstall(const PackageOptions& options) {
  const auto qpk = readPackage(options.file);
  if (!qpk) return 2;
  for (Long i = 0; i < qpk->numQPKErrors(); ++i) {
    std::cerr << "tessaglyph package: " << qpk->qpkError(i) << '\n';
  }
  if (qpk->numQPKErrors() > 0 && !qpk->ignoreQPKErrors()) {
    std::cerr << "tessaglyph package: the package has problems; nothing was installed\n";
    return 1;
  }
  if (options.overwrite) qpk->setOverwriteExisting(true);
  InstallEvents events(options.yes);
  qpk->setEventSink(&events);
  const auto log = qpk->install();
  if (!log->logFilename().empty()) std::cout << "uninstall log: " << log->logFilename() << '\n';
  return events.finished && events.problems == 0 ? 0 : 1;
}

std::vector<std::string> logsOf(const std::string& uid) {
  try {
    return packageIndex().uninstallLogs(uid);
  } catch (const Error& error) {
    std::cerr << "tessaglyph package: cannot list the uninstall logs: " << errorText(error) << '\n';
    return {};
  }
}

int runLogs(const PackageOptions& options) {
  for (const std::string& path : logsOf(options.uid)) {
    TessaglyphQPKUninstall log;
    try {
      log.load(path);
    } catch (const Error& error) {
      std::cout << path << "  (unreadable: " << errorText(error) << ")\n";
      continue;
    }
    std::cout << path << "  " << log.installUID() << "  " << dateToText(log.installDate()) << "  "
              << log.installDescription() << "  (" << log.numUninstallCommands() << " commands)\n";
  }
  return 0;
}

int runUninstall(const PackageOptions& options) {
  std::error_code error;
  std::vector<std::string> logs;
  if (std::filesystem::is_regular_file(options.file, error)) {
    logs.push_back(options.file);
  } else {
    logs = logsOf(options.file);
    if (logs.empty()) {
      std::cerr << "tessaglyph package: no uninstall log \"" << options.file << "\"\n";
      return 2;
    }
  }
  int result = 0;
  for (const std::string& path : logs) {
    TessaglyphQPKUninstall log;
    UninstallEvents events;
    log.setEventSink(&events);
    try {
      log.load(path);
      log.uninstall();
    } catch (const Error& failure) {
      std::cerr << "tessaglyph package: " << path << ": " << errorText(failure) << '\n';
      result = 2;
      continue;
    }
    if (log.numUninstallCommands() > 0) {
      std::cout << path << ": " << log.numUninstallCommands() << " commands left\n";
      result = std::max(result, 1);
    } else {
      std::cout << path << ": uninstalled\n";
    }
  }
  return result;
}

}  // namespace

Subcommand addPackageCommand(CLI::App& app) {
  auto options = std::make_shared<PackageOptions>();
  CLI::App* package = app.add_subcommand(
      "package", "Installs packages of scripts and source files, and undoes them");
  package->require_subcommand(1);
  CLI::App* show = package->add_subcommand("show", "What a package would install");
  show->add_option("file", options->file, "the package file (.qpk)")->required();
  CLI::App* install = package->add_subcommand("install", "Installs a package");
  install->add_option("file", options->file, "the package file (.qpk)")->required();
  install->add_flag("--yes", options->yes, "answer every question with its default");
  install->add_flag("--overwrite", options->overwrite, "overwrite files that exist");
  CLI::App* logs = package->add_subcommand("logs", "Lists the uninstall logs");
  logs->add_option("uid", options->uid, "only the logs of this package");
  CLI::App* uninstall = package->add_subcommand("uninstall", "Undoes an installation");
  uninstall->add_option("log", options->file, "an uninstall log (.TGU), or a package UID")
      ->required();
  return {package, [=] {
            if (show->parsed()) return runShow(*options);
            if (install->parsed()) return runInstall(*options);
            if (logs->parsed()) return runLogs(*options);
            return runUninstall(*options);
          }};
}

}  // namespace tg::tools
