// The index's life cycle and the host's file names.
#include <chrono>

#include "index/index_state.hpp"
#include "index/settings_file.hpp"
#include "support/conversions.hpp"
#include "support/error_report.hpp"
#include "support/paths.hpp"
#include "support/profile_file.hpp"
#include "support/text.hpp"
#include "support/trace.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {
namespace index {

IndexState& state() {
  static IndexState instance;
  return instance;
}

IndexStore& requireStore(const std::string& source) {
  IndexState& s = state();
  if (!s.store) {
    throw Error(TG_I_E_INDEXSYSTEMNOTINITIALIZED, source,
                "The index system has not yet been initialized");
  }
  return *s.store;
}

std::string sourceKey(const std::string& path) {
  return sourceKeyOf(folderOf(path), fileNameOf(path));
}

double seconds() {
  const IndexState& s = state();
  if (s.clock) return s.clock();
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool diagnosticSwitch(const std::string& name) {
  const std::string text = readProfileString("Diagnostics", name, "", TessaglyphIndex().INIFile());
  if (trimBlanks(text).empty()) return false;
  try {
    return textToBoolean(text);
  } catch (const Error&) {
    return false;  // a switch that is no Boolean is off
  }
}

void diagnostic(const std::string& line) {
  appendLogLine(diagnosticLogPath(), line);
}

namespace {

// A table path from an argument, the settings file or the default name; a bare name lies in
// the base directory's Tessaglyph folder.
std::string tablePath(const std::string& argument, settings::Key key, const char* defaultName) {
  std::string path(trimBlanks(argument));
  if (path.empty()) path = std::string(trimBlanks(settings::read(key)));
  if (path.empty()) path = defaultName;
  if (!hasFolder(path)) path = settings::harrowfeldDirectory() + "Tessaglyph/" + path;
  return path;
}

}  // namespace
}  // namespace index

Boolean TessaglyphIndex::initialized() const {
  return index::state().store != nullptr;
}

void TessaglyphIndex::initIndexSystem(const std::string& systemPath,
                                      const std::string& sourceDBFile,
                                      const std::string& scriptDBFile) {
  index::IndexState& s = index::state();
  if (s.store) return;
  IndexTablePaths paths;
  paths.source = index::tablePath(sourceDBFile, settings::Key::sourceIndex, "HFSRCIDX");
  paths.script = index::tablePath(scriptDBFile, settings::Key::scriptIndex, "HFSCRIPT");
  paths.descriptions = index::tablePath({}, settings::Key::sourceRMDesc, "HFRMDESC");
  // A large table shows how far learning its files has come.
  std::unique_ptr<ProgressWindow> window;
  s.store = openSqliteIndexStore(paths, [&window](Long row, Long count, const std::string& file) {
    constexpr Long kShownFrom = 5001;
    if (count < kShownFrom) return;
    const Long done = row + 1;
    if (row > 0 && done % (done <= 1000 ? 100 : 1000) != 0) return;
    if (!window) {
      window = userInterface().createProgressWindow("Initializing Index ...");
      window->show();
    }
    window->setText("Index file: " + file);
    window->setProgress(double(done) / double(count));
    userInterface().yield();
  });
  if (window) window->hide();
  s.store->forEachSourceKey([&s](const std::string& key) { s.sourceKeys.insert(key); });
  if (traceEnabled()) {
    traceLine("index.initIndexSystem systemPath = " + systemPath + ", source = " + paths.source +
              ", script = " + paths.script);
  }
}

void TessaglyphIndex::stopIndexSystem() {
  index::state().store.reset();
}

std::string TessaglyphIndex::INIFile() const {
  const std::string& file = index::state().iniFile;
  if (!trimBlanks(file).empty()) return file;
  return settings::harrowfeldDirectory() + "Harrowfeld.ini";
}

void TessaglyphIndex::setINIFile(const std::string& value) {
  index::state().iniFile = value;
}

std::string TessaglyphIndex::DFTFile() const {
  const std::string& file = index::state().dftFile;
  if (!trimBlanks(file).empty()) return file;
  return settings::harrowfeldDirectory() + "HFDEFAULTS.INI";
}

void TessaglyphIndex::setDFTFile(const std::string& value) {
  index::state().dftFile = value;
}

}  // namespace tg
