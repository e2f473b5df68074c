// The settings file: keys, defaults, the default file and the removal of rule sections.
#include "index/settings_file.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/conversions.hpp"
#include "support/paths.hpp"
#include "support/profile_file.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/priority_rules.hpp"

namespace tg::settings {
namespace {

struct KeyInfo {
  const char* name;
  const char* defaultValue;
};

constexpr std::array<KeyInfo, 10> kKeys{{
    {"program editor dir", ""},
    {"virtual machine dir", ""},
    {"qpkman dir", "\\Tessaglyph"},
    {"qpk uninstall log", "\\Tessaglyph\\QPK Uninstall\\UNINSTALL LOG.TXT"},
    {"programs dir", "\\Tessaglyph\\Scripts"},
    {"source data dir", "\\Tessaglyph\\Source Data"},
    {"qpk uninstall dir", "\\Tessaglyph\\QPK Uninstall"},
    {"source index", "\\Tessaglyph\\hfsrcidx.dbf"},
    {"source RM Desc", "\\Tessaglyph\\hfrmdesc.dbf"},
    {"script index", "\\Tessaglyph\\hfscript.dbf"},
}};

const KeyInfo& info(Key key) {
  return kKeys[static_cast<std::size_t>(key)];
}

void writeKey(const char* key, std::string_view value) {
  const std::string file = iniFileName();
  if (!iniFileHasData()) writeDefaultIniFile(file);
  writeProfileString(kSection, key, value, file);
}

}  // namespace

std::string expandStoredPath(std::string_view stored) {
  if (stored.empty() || !isPathSeparator(stored.front())) return std::string(stored);
  std::string joined = toNativePath(harrowfeldDirectory() + std::string(stored));
  std::string result;
  result.reserve(joined.size());
  for (char c : joined) {
    if (c == '/' && !result.empty() && result.back() == '/') continue;
    result += c;
  }
  return result;
}

std::string read(Key key) {
  const KeyInfo& k = info(key);
  return expandStoredPath(storedSetting(k.name, k.defaultValue));
}

void write(Key key, std::string_view value) {
  writeKey(info(key).name, value);
}

void setMaxOpenAreaFiles(Integer value) {
  if (value < 1 || value > kMaxOpenAreaFilesLimit) return;
  writeKey(kMaxOpenAreaFilesKey, longToText(value));
}

void writeDefaultIniFile(const std::string& filename) {
  const std::string path = resolvePath(filename);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "[Tessa Glyph]\n"
      << "exists=True\n"
      << "program editor dir=\n"
      << "virtual machine dir=\n"
      << "qpkman dir=\\Tessaglyph\n"
      << "qpk uninstall log=\\Tessaglyph\\QPK Uninstall\\"
      << "UNINSTALL LOG.TXT\n"
      << "programs dir=\\Tessaglyph\\Scripts\n"
      << "source data dir=\\Tessaglyph\\Source Data\n"
      << "qpk uninstall dir=\\Tessaglyph\\QPK Uninstall\n"
      << "source index=\\Tessaglyph\\hfsrcidx.dbf\n"
      << "script index=\\Tessaglyph\\hfscript.dbf\n"
      << "max open area files=225\n"
      << "\n"
      << "[SPR_Templates]\n"
      << "num templates=1\n"
      << "template 1=Default\n"
      << "\n";
  out.close();
  if (!out) raiseAccessError();
  TessaglyphSPR().saveToINIFile(path);
}

void clearINITemplateData(const std::string& filename) {
  const std::string path = resolvePath(filename);
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  std::vector<std::string> kept;
  std::string line;
  bool skipping = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') skipping = false;
    const std::string_view trimmed = trimSpace(line);
    if (trimmed.size() >= 5 && equalsIgnoreCase(trimmed.substr(0, 5), "[SPR ")) skipping = true;
    if (!skipping) kept.push_back(line);
  }
  in.close();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const std::string& k : kept)
    out << k << '\n';
  out.close();
  if (!out) raiseAccessError();
}

}  // namespace tg::settings
