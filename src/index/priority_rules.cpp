// Selection priority rules: fields, comparisons, the shared sort, and the lists of names.
#include <algorithm>
#include <cmath>

#include "support/conversions.hpp"
#include "support/date_text.hpp"
#include "support/profile_file.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {
namespace {

Integer lastIndexOf(const std::vector<std::string>& list, const std::string& name) {
  for (std::size_t i = list.size(); i-- > 0;)
    if (sameName(list[i], name)) return Integer(i);
  return -1;
}

Integer firstIndexOf(const std::vector<std::string>& list, const std::string& name) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (sameName(list[i], name)) return Integer(i);
  return -1;
}

// -1, 0 or 1 by the rank of two names in a list; names found nowhere rank after every entry.
Integer compareRanks(const std::vector<std::string>& list, const std::string& a,
                     const std::string& b) {
  Integer ra = lastIndexOf(list, a);
  Integer rb = lastIndexOf(list, b);
  if (ra == -1) ra = Integer(list.size());
  if (rb == -1) rb = Integer(list.size());
  return ra < rb ? Integer(-1) : ra > rb ? Integer(1) : Integer(0);
}

void addName(std::vector<std::string>& list, const std::string& name, Integer insertIndex,
             Integer foundIndex, const char* source) {
  const Integer index = insertIndex == -1 ? Integer(list.size()) : insertIndex;
  if (index < 0 || std::size_t(index) > list.size()) {
    throw Error(TG_SPR_E_INVALIDINSERTIONINDEX, source, "Invalid insertion index");
  }
  if (foundIndex != -1) {
    throw Error(TG_SPR_E_ALREADYEXISTS, source, "Priority " + name + " already exists");
  }
  list.insert(list.begin() + index, name);
}

void removeName(std::vector<std::string>& list, Integer index, const char* source) {
  if (index < 0 || std::size_t(index) >= list.size()) {
    throw Error(TG_SPR_E_INVALIDDELETIONINDEX, source, "Invalid deletion index");
  }
  const bool wasEmptyName = trimBlanks(list[std::size_t(index)]).empty();
  std::string removed = list[std::size_t(index)];
  list.erase(list.begin() + index);
  if (wasEmptyName) list.push_back(removed);  // the empty name stays, at the end
}

template <typename T>
void moveEntry(std::vector<T>& list, Integer from, Integer to, const char* source) {
  const auto n = Integer(list.size());
  if (from < 0 || from >= n || to < 0 || to >= n) {
    throw Error(TG_SPR_E_INVALIDMOVEINDEX, source, "Invalid move index");
  }
  T entry = list[std::size_t(from)];
  list.erase(list.begin() + from);
  list.insert(list.begin() + to, entry);
}

// The shared sort: every element compared with each later one and exchanged whenever the
// later ranks first. Not stable, and meant to be exactly this.
template <typename Compare>
void exchangeSort(Array<TG_I_INDEXRECORD>& list, Long startIndex, Long endIndex, Compare compare) {
  if (list.empty()) return;
  const Long low = startIndex == -1 ? list.lbound() : startIndex;
  const Long high = endIndex == -1 ? list.ubound() : endIndex;
  if (low > high) return;
  if (!list.contains(low) || !list.contains(high)) raiseSubscriptOutOfRange();
  for (Long i = low; i < high; ++i) {
    for (Long j = i; j <= high; ++j) {
      if (compare(list[i], list[j]) == 1) std::swap(list[i], list[j]);
    }
  }
}

Double area(const TG_FILEMETRICS& m) {
  const Double product = m.xResolution * m.yResolution;
  if (!std::isfinite(product)) throw Error(PLATFORM_E_OVERFLOW, {}, "Overflow");
  return product;
}

template <typename T>
Integer order(T a, T b) {
  return a < b ? Integer(-1) : a > b ? Integer(1) : Integer(0);
}

}  // namespace

TessaglyphSPR::TessaglyphSPR() : m_lastSavedOn(std::chrono::system_clock::now()) {}

TG_PRIORITYCATEGORIES TessaglyphSPR::categoryOrder(Integer index) const {
  if (index < 0 || index > 2) raiseSubscriptOutOfRange();
  return m_pcOrder[std::size_t(index)];
}

std::string TessaglyphSPR::filePriorityEntry(Integer index) const {
  if (index < 0 || std::size_t(index) >= m_filePriorities.size()) raiseSubscriptOutOfRange();
  return m_filePriorities[std::size_t(index)];
}

std::string TessaglyphSPR::scriptPriorityEntry(Integer index) const {
  if (index < 0 || std::size_t(index) >= m_scriptPriorityNames.size()) {
    raiseSubscriptOutOfRange();
  }
  return m_scriptPriorityNames[std::size_t(index)];
}

std::shared_ptr<TessaglyphSPR> TessaglyphSPR::clone() const {
  auto copy = std::make_shared<TessaglyphSPR>();
  copy->m_SPRName = m_SPRName;
  copy->m_SPRDescription = m_SPRDescription;
  copy->m_lastSavedOn = m_lastSavedOn;
  copy->m_rcm = m_rcm;
  copy->m_pcOrder = m_pcOrder;
  copy->m_filePriorities = m_filePriorities;
  copy->m_scriptPriorityNames = m_scriptPriorityNames;
  return copy;
}

void TessaglyphSPR::guiConfigure() {
  userInterface().configureRules(*this, std::string("These settings will only affect the ") +
                                            "selection priority rules as they " +
                                            "apply to the current task.  The " +
                                            "template settings cannot be changed.");
}

Integer TessaglyphSPR::getPriorityCategoryIndex(TG_PRIORITYCATEGORIES pc) const {
  for (std::size_t i = 0; i < m_pcOrder.size(); ++i)
    if (m_pcOrder[i] == pc) return Integer(i);
  return -1;
}

Integer TessaglyphSPR::getFilePriorityIndex(const std::string& priorityName) const {
  return firstIndexOf(m_filePriorities, priorityName);
}

Integer TessaglyphSPR::getScriptPriorityIndex(const std::string& priorityName) const {
  return firstIndexOf(m_scriptPriorityNames, priorityName);
}

void TessaglyphSPR::addFilePriorityName(const std::string& filePriority, Integer insertIndex) {
  addName(m_filePriorities, filePriority, insertIndex, getFilePriorityIndex(filePriority),
          "TessaglyphSPR::addFilePriorityName");
}

void TessaglyphSPR::addScriptPriorityName(const std::string& scriptPriority, Integer insertIndex) {
  addName(m_scriptPriorityNames, scriptPriority, insertIndex,
          getScriptPriorityIndex(scriptPriority), "TessaglyphSPR::addScriptPriorityName");
}

void TessaglyphSPR::removeFilePriorityName(Integer index) {
  removeName(m_filePriorities, index, "TessaglyphSPR::removeFilePriorityName");
}

void TessaglyphSPR::removeScriptPriorityName(Integer index) {
  removeName(m_scriptPriorityNames, index, "TessaglyphSPR::removeScriptPriorityName");
}

void TessaglyphSPR::movePriorityCategory(Integer moveFrom, Integer moveTo) {
  std::vector<TG_PRIORITYCATEGORIES> order(m_pcOrder.begin(), m_pcOrder.end());
  moveEntry(order, moveFrom, moveTo, "TessaglyphSPR::movePriorityCategory");
  std::copy(order.begin(), order.end(), m_pcOrder.begin());
}

void TessaglyphSPR::moveFilePriorityName(Integer moveFrom, Integer moveTo) {
  moveEntry(m_filePriorities, moveFrom, moveTo, "TessaglyphSPR::moveFilePriorityName");
}

void TessaglyphSPR::moveScriptPriorityName(Integer moveFrom, Integer moveTo) {
  moveEntry(m_scriptPriorityNames, moveFrom, moveTo, "TessaglyphSPR::moveScriptPriorityName");
}

Double TessaglyphSPR::getSignificantResolutionValue(const TG_FILEMETRICS& metric) const {
  switch (m_rcm) {
    case TG_RCM_SMALLESTAREA:
    case TG_RCM_GREATESTAREA:
      return metric.xResolution * metric.yResolution;
    case TG_RCM_SMALLESTXRES:
    case TG_RCM_GREATESTXRES:
      return metric.xResolution;
    default:
      return metric.yResolution;
  }
}

Integer TessaglyphSPR::compareFilePriorities(const std::string& priority1,
                                             const std::string& priority2) const {
  return compareRanks(m_filePriorities, priority1, priority2);
}

Integer TessaglyphSPR::compareScriptPriorities(const std::string& priority1,
                                               const std::string& priority2) const {
  return compareRanks(m_scriptPriorityNames, priority1, priority2);
}

Integer TessaglyphSPR::compareResolutions(const TG_FILEMETRICS& metric1,
                                          const TG_FILEMETRICS& metric2) const {
  switch (m_rcm) {
    case TG_RCM_SMALLESTAREA:
      return order(area(metric1), area(metric2));
    case TG_RCM_GREATESTAREA:
      return order(area(metric2), area(metric1));
    case TG_RCM_SMALLESTXRES:
      return order(metric1.xResolution, metric2.xResolution);
    case TG_RCM_GREATESTXRES:
      return order(metric2.xResolution, metric1.xResolution);
    case TG_RCM_SMALLESTYRES:
      return order(metric1.yResolution, metric2.yResolution);
    case TG_RCM_GREATESTYRES:
      return order(metric2.yResolution, metric1.yResolution);
    default:
      return 0;
  }
}

void TessaglyphSPR::sortByResolution(Array<TG_I_INDEXRECORD>& list, Long startIndex,
                                     Long endIndex) {
  exchangeSort(list, startIndex, endIndex, [this](const auto& a, const auto& b) {
    return compareResolutions(a.metrics, b.metrics);
  });
}

void TessaglyphSPR::sortByFilePriorities(Array<TG_I_INDEXRECORD>& list, Long startIndex,
                                         Long endIndex) {
  exchangeSort(list, startIndex, endIndex, [this](const auto& a, const auto& b) {
    return compareFilePriorities(a.priorityName, b.priorityName);
  });
}

void TessaglyphSPR::sortByScriptPriorities(Array<TG_I_INDEXRECORD>& list, Long startIndex,
                                           Long endIndex) {
  if (!m_cacheFilled) {
    TessaglyphIndex index;
    if (!index.initialized()) index.initIndexSystem();
    const Long count = index.numScriptIndexRecords();
    for (Long n = 0; n < count; ++n) {
      const TG_I_SCRIPTINDEXRECORD script = index.getScriptIndexRecord(n);
      m_scriptPriorityCache.push_back(script.scriptFile + "|" + script.priorityName);
    }
    m_cacheFilled = true;
  }
  exchangeSort(list, startIndex, endIndex, [this](const auto& a, const auto& b) {
    return compareScriptPriorities(scriptPriorityOf(a.scriptFile), scriptPriorityOf(b.scriptFile));
  });
}

std::string TessaglyphSPR::scriptPriorityOf(const std::string& scriptFile) {
  const std::string wanted = toUpper(trimBlanks(scriptFile));
  for (const std::string& entry : m_scriptPriorityCache) {
    const std::size_t bar = entry.find('|');
    if (toUpper(trimBlanks(std::string_view(entry).substr(0, bar))) == wanted) {
      return entry.substr(bar + 1);
    }
  }
  return {};
}

Array<TG_I_INDEXRECORD> TessaglyphSPR::prioritizedList(const Array<TG_I_INDEXRECORD>& list,
                                                       Integer startIndex, Integer endIndex) {
  if (endIndex <= startIndex) return list;
  std::vector<TG_I_INDEXRECORD> items;
  for (Long i = startIndex; i <= endIndex; ++i)
    items.push_back(list.at(i));
  Array<TG_I_INDEXRECORD> result(0, std::move(items));
  for (TG_PRIORITYCATEGORIES category : m_pcOrder) {
    switch (category) {
      case TG_PC_RESOLUTION:
        sortByResolution(result);
        break;
      case TG_PC_FILEPRIORITY:
        sortByFilePriorities(result);
        break;
      case TG_PC_SCRIPTPRIORITY:
        sortByScriptPriorities(result);
        break;
    }
  }
  return result;
}

}  // namespace tg
