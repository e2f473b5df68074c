// The process's priority-rule templates and their section in the settings file.
#include <vector>

#include "index/settings_file.hpp"
#include "support/conversions.hpp"
#include "support/profile_file.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg {
namespace {

struct Templates {
  std::vector<std::shared_ptr<TessaglyphSPR>> list{std::make_shared<TessaglyphSPR>()};
  Integer current = 0;
};

Templates& templates() {
  static Templates instance;
  return instance;
}

std::string fileOrSettings(const std::string& iniFilename) {
  return trimBlanks(iniFilename).empty() ? settings::iniFileName() : iniFilename;
}

}  // namespace

Tessaglyph::Tessaglyph() {
  static bool first = true;
  if (first) {
    first = false;
    clearSPRTemplates();
  }
}

Integer Tessaglyph::numSPRTemplates() const {
  return Integer(templates().list.size());
}

std::shared_ptr<TessaglyphSPR> Tessaglyph::sprTemplate(Integer index) const {
  const auto& list = templates().list;
  if (index < 0 || std::size_t(index) >= list.size()) raiseSubscriptOutOfRange();
  return list[std::size_t(index)];
}

Integer Tessaglyph::currentSPR() const {
  return templates().current;
}

void Tessaglyph::setCurrentSPR(Integer value) const {
  if (value < 0 || value >= numSPRTemplates()) {
    throw Error(TG_E_INVALIDDATA, "Tessaglyph::currentSPR Let", "Invalid templates index");
  }
  templates().current = value;
}

void Tessaglyph::clearSPRTemplates() const {
  templates() = Templates{};
}

Integer Tessaglyph::getSPRTemplateIndex(const std::string& sprName) const {
  const auto& list = templates().list;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (sameName(list[i]->sprName(), sprName)) return Integer(i);
  return -1;
}

void Tessaglyph::addSPRTemplate(const std::shared_ptr<TessaglyphSPR>& newSPR) const {
  if (getSPRTemplateIndex(newSPR->sprName()) != -1) {
    throw Error(TG_E_SPRNOTUNIQUE, "Tessaglyph::addSPRTemplate",
                "The SPR name \"" + newSPR->sprName() + "\" is not unique");
  }
  templates().list.push_back(newSPR);
}

void Tessaglyph::removeSPRTemplate(Integer index) const {
  Templates& t = templates();
  if (index < 0 || std::size_t(index) >= t.list.size()) {
    throw Error(TG_E_INVALIDDATA, "Tessaglyph::removeSPRTemplate", "Invalid template index");
  }
  if (t.list.size() == 1) {
    clearSPRTemplates();
    return;
  }
  t.list.erase(t.list.begin() + index);
  if (t.current >= Integer(t.list.size())) t.current = Integer(t.list.size() - 1);
}

void Tessaglyph::loadSPRTemplates(const std::string& iniFilename) const {
  const std::string file = fileOrSettings(iniFilename);
  const std::vector<std::string> lines = readProfileSection("SPR_Templates", file);
  auto corrupt = [] {
    return Error(TG_E_INVALIDDATA, "Tessaglyph::loadSPRTemplates",
                 "Section data in INI file is corrupt");
  };
  if (lines.empty()) {
    clearSPRTemplates();
    return;
  }
  auto valueOf = [](const std::string& line) {
    const std::size_t equals = line.find('=');
    return equals == std::string::npos ? std::string()
                                       : std::string(trimBlanks(line.substr(equals + 1)));
  };
  const std::size_t equals = lines[0].find('=');
  if (equals == std::string::npos ||
      toUpper(trimBlanks(lines[0].substr(0, equals))) != "NUM TEMPLATES") {
    throw corrupt();
  }
  const std::optional<double> count = parseNumber(valueOf(lines[0]));
  if (!count || *count < 0 || *count != double(long(*count)) || *count > 32767) throw corrupt();
  if (*count == 0) {
    clearSPRTemplates();
    return;
  }
  if (lines.size() < std::size_t(*count) + 1) throw corrupt();
  Templates loaded;
  loaded.list.clear();
  for (std::size_t i = 1; i <= std::size_t(*count); ++i) {
    auto rules = std::make_shared<TessaglyphSPR>();
    rules->readFromINIFile(file, valueOf(lines[i]));
    loaded.list.push_back(std::move(rules));
  }
  templates() = std::move(loaded);
}

void Tessaglyph::saveSPRTemplates(const std::string& iniFilename) const {
  const std::string file = fileOrSettings(iniFilename);
  settings::clearINITemplateData(file);
  const auto& list = templates().list;
  std::vector<std::string> lines{"num templates=" + std::to_string(list.size())};
  for (std::size_t i = 0; i < list.size(); ++i)
    lines.push_back("template " + std::to_string(i + 1) + "=" + list[i]->sprName());
  writeProfileSection("SPR_Templates", lines, file);
  for (const auto& rules : list)
    rules->saveToINIFile(file);
}

}  // namespace tg
