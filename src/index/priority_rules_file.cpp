// Priority rules in a settings file ("SPR " + name) and in a host's property bag.
#include <cmath>

#include "support/conversions.hpp"
#include "support/date_text.hpp"
#include "support/profile_file.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/priority_rules.hpp"

namespace tg {

std::string IniSectionPropertyBag::read(const std::string& key, const std::string& defaultValue) {
  return readProfileString(m_section, key, defaultValue, m_filename);
}

void IniSectionPropertyBag::write(const std::string& key, const std::string& value) {
  writeProfileString(m_section, key, value, m_filename);
}

void TessaglyphSPR::saveToINIFile(const std::string& iniFilename) {
  m_lastSavedOn = std::chrono::system_clock::now();
  std::vector<std::string> lines{
      "exists=True",
      "name=" + m_SPRName,
      "description=" + m_SPRDescription,
      "last save date=" + dateToText(m_lastSavedOn),
      "rcm=" + getRCMName(m_rcm),
      "num fp=" + std::to_string(m_filePriorities.size()),
      "num sp=" + std::to_string(m_scriptPriorityNames.size()),
  };
  for (std::size_t i = 0; i < m_pcOrder.size(); ++i)
    lines.push_back("pc " + std::to_string(i) + "=" + std::to_string(m_pcOrder[i]));
  for (std::size_t i = 0; i < m_filePriorities.size(); ++i)
    lines.push_back("fp " + std::to_string(i) + "=" + m_filePriorities[i]);
  for (std::size_t i = 0; i < m_scriptPriorityNames.size(); ++i)
    lines.push_back("sp " + std::to_string(i) + "=" + m_scriptPriorityNames[i]);
  writeProfileSection("SPR " + m_SPRName, lines, iniFilename);
}

namespace {

struct Entry {
  std::string key;  // trimmed, upper case
  std::string value;
};

std::vector<Entry> entriesOf(const std::vector<std::string>& lines) {
  std::vector<Entry> entries;
  for (const std::string& line : lines) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      entries.push_back({toUpper(trimBlanks(line)), {}});
    } else {
      entries.push_back({toUpper(trimBlanks(std::string_view(line).substr(0, equals))),
                         std::string(trimBlanks(std::string_view(line).substr(equals + 1)))});
    }
  }
  return entries;
}

}  // namespace

void TessaglyphSPR::readFromINIFile(const std::string& iniFilename, const std::string& sprName) {
  static const char* const source = "TessaglyphSPR::readFromINIFile";
  if (!sprName.empty()) m_SPRName = sprName;
  const std::string section = "SPR " + m_SPRName;
  const std::string name = m_SPRName;
  auto corrupted = [&] {
    return Error(TG_SPR_E_INVALIDSPRDATA, source,
                 "The INI profile for the SPR " + name + " is corrupted");
  };
  if (toUpper(trimBlanks(readProfileString(section, "exists", "False", iniFilename))) == "FALSE") {
    throw Error(TG_SPR_E_SPRNOTFOUND, source,
                "The given SPR, " + name + ", could not be located " + "in the specified INI file");
  }
  const std::vector<Entry> entries = entriesOf(readProfileSection(section, iniFilename));
  if (entries.empty()) throw corrupted();

  auto count = [&](const char* key) {
    for (const Entry& e : entries) {
      if (e.key != key) continue;
      const std::optional<double> value = parseNumber(e.value);
      if (!value || *value < 0 || *value > 32767 || *value != std::floor(*value)) break;
      return std::size_t(*value);
    }
    throw corrupted();
  };
  const std::size_t numFp = count("NUM FP");
  const std::size_t numSp = count("NUM SP");
  m_filePriorities.resize(numFp);
  m_scriptPriorityNames.resize(numSp);

  auto indexIn = [&](const std::string& key, std::size_t size) {
    const std::optional<double> value = parseNumber(key.substr(3));
    if (!value || *value < 0 || *value >= double(size) || *value != std::floor(*value)) {
      throw corrupted();
    }
    return std::size_t(*value);
  };
  for (const Entry& e : entries) {
    if (e.key == "EXISTS" || e.key == "NUM FP" || e.key == "NUM SP") continue;
    if (e.key == "NAME") {
      m_SPRName = e.value;
    } else if (e.key == "DESCRIPTION") {
      m_SPRDescription = e.value;
    } else if (e.key == "LAST SAVE DATE") {
      const std::optional<Date> date = parseDateText(e.value);
      if (!date) throw corrupted();
      m_lastSavedOn = *date;
    } else if (e.key == "RCM") {
      try {
        m_rcm = getRCMValue(e.value);
      } catch (const Error&) {
        throw corrupted();
      }
    } else if (e.key.compare(0, 3, "PC ") == 0) {
      const std::size_t i = indexIn(e.key, m_pcOrder.size());
      const std::optional<double> code = parseNumber(e.value);
      if (!code || *code < double(TG_PC_VALID_MIN) || *code > double(TG_PC_VALID_MAX))
        throw corrupted();
      m_pcOrder[i] = static_cast<TG_PRIORITYCATEGORIES>(int(*code));
    } else if (e.key.compare(0, 3, "FP ") == 0) {
      m_filePriorities[indexIn(e.key, numFp)] = e.value;
    } else if (e.key.compare(0, 3, "SP ") == 0) {
      m_scriptPriorityNames[indexIn(e.key, numSp)] = e.value;
    } else {
      throw corrupted();
    }
  }
}

void TessaglyphSPR::writeProperties(PropertyBag& bag) const {
  bag.write("m_SPRName", m_SPRName);
  bag.write("m_SPRDescription", m_SPRDescription);
  bag.write("m_lastSavedOn", dateToText(m_lastSavedOn));
  bag.write("m_rcm", std::to_string(m_rcm));
  bag.write("m_numFilePriorities", std::to_string(m_filePriorities.size()));
  bag.write("m_numScriptPriorityNames", std::to_string(m_scriptPriorityNames.size()));
  for (std::size_t i = 0; i < m_pcOrder.size(); ++i)
    bag.write("m_pcOrder" + std::to_string(i), std::to_string(m_pcOrder[i]));
  for (std::size_t i = 0; i < m_filePriorities.size(); ++i)
    bag.write("m_filePriorities" + std::to_string(i), m_filePriorities[i]);
  for (std::size_t i = 0; i < m_scriptPriorityNames.size(); ++i)
    bag.write("m_scriptPriorityNames" + std::to_string(i), m_scriptPriorityNames[i]);
}

void TessaglyphSPR::readProperties(PropertyBag& bag) {
  auto number = [&](const std::string& key, long fallback, long low, long high) {
    const std::optional<double> value = parseNumber(bag.read(key, std::to_string(fallback)));
    if (!value || *value < double(low) || *value > double(high)) return fallback;
    return long(*value);
  };
  m_SPRName = bag.read("m_SPRName", m_SPRName);
  m_SPRDescription = bag.read("m_SPRDescription", m_SPRDescription);
  if (auto date = parseDateText(bag.read("m_lastSavedOn", ""))) m_lastSavedOn = *date;
  m_rcm =
      static_cast<TG_RESCOMPAREMODES>(number("m_rcm", m_rcm, TG_RCM_VALID_MIN, TG_RCM_VALID_MAX));
  for (std::size_t i = 0; i < m_pcOrder.size(); ++i) {
    m_pcOrder[i] = static_cast<TG_PRIORITYCATEGORIES>(
        number("m_pcOrder" + std::to_string(i), m_pcOrder[i], TG_PC_VALID_MIN, TG_PC_VALID_MAX));
  }
  auto readList = [&](const char* countKey, const std::string& prefix,
                      std::vector<std::string>& list) {
    const long n = number(countKey, long(list.size()), 0, 32767);
    std::vector<std::string> read;
    for (long i = 0; i < n; ++i)
      read.push_back(bag.read(prefix + std::to_string(i), ""));
    list = std::move(read);
  };
  readList("m_numFilePriorities", "m_filePriorities", m_filePriorities);
  readList("m_numScriptPriorityNames", "m_scriptPriorityNames", m_scriptPriorityNames);
}

}  // namespace tg
