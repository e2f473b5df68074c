// Registering the default scripts, and indexing the data folders a host program's settings
// file configures (section "Topo Data Paths").
#include <algorithm>
#include <filesystem>
#include <vector>

#include "index/default_scripts.hpp"
#include "index/index_state.hpp"
#include "index/settings_file.hpp"
#include "support/conversions.hpp"
#include "support/paths.hpp"
#include "support/pattern_match.hpp"
#include "support/profile_file.hpp"
#include "support/text.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

int registerDefaultScripts(TessaglyphIndex& index, const std::string& folder) {
  int found = 0;
  for (const DefaultScript& script : kDefaultScripts) {
    const std::string program = resolvePath(joinPath(folder, script.program));
    std::error_code error;
    if (!std::filesystem::is_regular_file(program, error)) continue;
    ++found;
    index.indexScriptFile(program, script.name, script.pattern, 0);
  }
  return found;
}

namespace {

constexpr const char* kSection = "Topo Data Paths";

struct DataPath {
  int type = 0;
  std::string folder;
  bool enabled = true;
  bool removable = false;
};

std::vector<std::string> splitFields(const std::string& value) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = value.find('|', start);
    fields.emplace_back(trimBlanks(value.substr(start, bar - start)));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

long numberOr(const std::string& text, long fallback) {
  const std::optional<double> value = parseNumber(text);
  return value ? long(*value) : fallback;
}

std::vector<DataPath> readDataPaths(const std::string& ini) {
  std::vector<DataPath> paths;
  const long count = numberOr(readProfileString(kSection, "Number", "0", ini), 0);
  for (long i = 0; i < count; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "Path%02ld", i);
    const std::vector<std::string> fields = splitFields(readProfileString(kSection, key, "", ini));
    if (fields.size() < 4) continue;
    DataPath path;
    path.type = int(numberOr(fields[0], -1));
    if (path.type < 0 || path.type > 3 || fields[2].empty()) continue;
    path.folder = fields[2];
    path.enabled = numberOr(fields[3], 0) != 0;
    path.removable = fields.size() >= 6 && numberOr(fields[5], 0) != 0;
    paths.push_back(path);
  }
  return paths;
}

// The files of a folder (not its subfolders) a data type's patterns match, in name order.
std::vector<std::string> matchingFiles(const std::string& folder, int type,
                                       std::vector<const DefaultScript*>* scripts) {
  namespace fs = std::filesystem;
  std::vector<const DefaultScript*> patterns{&kDefaultScripts[std::size_t(type)]};
  if (type == 0) patterns.push_back(&kDefaultScripts[3]);
  std::vector<std::string> files;
  std::error_code error;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(resolvePath(folder), error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error)) entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  for (const fs::path& entry : entries) {
    const std::string name = toUpper(entry.filename().string());
    for (const DefaultScript* script : patterns) {
      if (likeMatch(name, script->pattern)) {
        files.push_back(entry.string());
        if (scripts) scripts->push_back(script);
        break;
      }
    }
  }
  return files;
}

std::string groupedTotal(long total) {
  if (total == 0) return std::string();
  std::string digits = std::to_string(total);
  for (int i = int(digits.size()) - 3; i > 0; i -= 3)
    digits.insert(std::size_t(i), ",");
  return digits;
}

}  // namespace

void TessaglyphIndex::importFromHarrowfeldIniFile(const std::string& iniFilename,
                                                  Integer* iIndexDisabled, Long* iFound) {
  index::requireStore("Tessaglyph::importFromHarrowfeldIniFile");
  UserInterface& ui = userInterface();
  const std::string ini = trimBlanks(iniFilename).empty() ? INIFile() : iniFilename;
  if (trimBlanks(readProfileString(kSection, "DefaultScripts", "", ini)).empty()) {
    registerDefaultScripts(*this, settings::harrowfeldDirectory() + "Tessaglyph/Scripts/");
  }

  Integer indexDisabled = iIndexDisabled ? *iIndexDisabled : Integer(0);
  const std::vector<DataPath> paths = readDataPaths(ini);
  auto usable = [&](const DataPath& path) {
    if (path.enabled) return true;
    if (indexDisabled == -88) {
      const MESSAGEBOXRESULTS answer = ui.messageBox(
          std::string("Do you want to index files in disabled paths?") + "\r\n\r\n" +
              "Disabled paths are data folders that the program has been told not to use.",
          MB_YESNO | MB_QUESTION, "Index Disabled Paths?");
      indexDisabled = answer == MBR_YES ? Integer(-1) : Integer(0);
      if (iIndexDisabled) *iIndexDisabled = indexDisabled;
    }
    return indexDisabled == -1;
  };

  std::unique_ptr<ProgressWindow> window =
      ui.createProgressWindow("Preparing the topographic data files from the Harrowfeld INI file");
  std::size_t total = 0;
  for (const DataPath& path : paths) {
    if (!path.removable && usable(path))
      total += matchingFiles(path.folder, path.type, nullptr).size();
  }
  window->show();

  long indexed = 0;
  std::size_t done = 0;
  // Returns how many files were newly indexed.
  auto indexFolder = [&](const DataPath& path, bool removable) {
    const long before = indexed;
    std::vector<const DefaultScript*> scripts;
    const std::vector<std::string> files = matchingFiles(path.folder, path.type, &scripts);
    std::string description = "GetRMDesc";
    window->setText("Index path: " + path.folder);
    for (std::size_t i = 0; i < files.size(); ++i) {
      Long found = 0;
      indexSourceFile(files[i], scripts[i]->name, {}, removable, removable ? &description : nullptr,
                      &found);
      if (iFound) *iFound = found;
      if (found == TG_I_FOUND_NEW) ++indexed;
      ++done;
      if (total > 0) window->setProgress(double(done) / double(total));
      ui.yield();
    }
    return indexed - before;
  };

  for (const DataPath& path : paths) {
    if (!usable(path)) continue;
    if (!path.removable) {
      indexFolder(path, false);
      continue;
    }
    if (ui.messageBox("Index path: " + path.folder + "\r\n" +
                          "This path is for data on Removable Media." + "\r\n" +
                          "Do you want to index files on disk(s) for this drive?",
                      MB_YESNO | MB_QUESTION, "Index Removable Media?") != MBR_YES) {
      continue;
    }
    for (;;) {
      ui.messageBox("Click OK when the disk is ready in the drive.", MB_OKONLY,
                    "Index Removable Disk");
      // A disk that brings nothing new ends the round, so that an interface answering every
      // question alike cannot keep it going for ever.
      if (indexFolder(path, true) == 0) break;
      const MESSAGEBOXRESULTS more = ui.messageBox(
          std::string("This disk has been indexed for topographic data files.") + "\r\n" +
              "If you have other disks for this drive with Harrowfeld topographic data files "
              "you can index them now by inserting another disk." +
              "\r\n" +
              "If you want to index files on another disk, insert that disk now and click "
              "'Yes'." +
              "\r\n" + "If you have no more disks to index now, click 'No'." + "\r\n" +
              "Do you want to index more files on " + path.folder + "?",
          MB_YESNO | MB_QUESTION, "Index Another Disk?");
      if (more != MBR_YES) break;
    }
  }
  window->hide();
  ui.messageBox("A total of " + groupedTotal(indexed) +
                    " files have been indexed from the Harrowfeld INI file Topographic Path "
                    "Configuration information.",
                MB_OKONLY | MB_INFORMATION, "Index");
}

}  // namespace tg
