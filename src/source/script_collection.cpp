// The wanted-data-types collection: a short ordered list searched by key. Area selections hold
// a few script names, so a linear search costs less than keeping an index in step.
#include "tessaglyph/script_collection.hpp"

#include <algorithm>

#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

constexpr const char* kSource = "ScriptCollection";

}  // namespace

void ScriptCollection::add(const std::string& key, Boolean selected) {
  if (key.empty()) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, kSource);
  if (find(key) != m_entries.end()) raisePlatformError(PLATFORM_E_KEYALREADYASSOCIATED, kSource);
  m_entries.emplace_back(key, selected);
}

Boolean ScriptCollection::item(std::string_view key) const {
  return require(key)->second;
}

Boolean ScriptCollection::item(Long index) const {
  return at(index).second;
}

const std::string& ScriptCollection::key(Long index) const {
  return at(index).first;
}

void ScriptCollection::setItem(std::string_view key, Boolean selected) {
  const auto found = find(key);
  if (found == m_entries.end()) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, kSource);
  found->second = selected;
}

Boolean ScriptCollection::exists(std::string_view key) const noexcept {
  return find(key) != m_entries.end();
}

void ScriptCollection::remove(std::string_view key) {
  m_entries.erase(require(key));
}

std::vector<ScriptCollection::Entry>::iterator ScriptCollection::find(
    std::string_view key) noexcept {
  return std::find_if(m_entries.begin(), m_entries.end(),
                      [key](const Entry& entry) { return equalsIgnoreCase(entry.first, key); });
}

std::vector<ScriptCollection::Entry>::const_iterator ScriptCollection::find(
    std::string_view key) const noexcept {
  return std::find_if(m_entries.begin(), m_entries.end(),
                      [key](const Entry& entry) { return equalsIgnoreCase(entry.first, key); });
}

std::vector<ScriptCollection::Entry>::const_iterator ScriptCollection::require(
    std::string_view key) const {
  const auto found = find(key);
  if (found == m_entries.end()) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, kSource);
  return found;
}

const ScriptCollection::Entry& ScriptCollection::at(Long index) const {
  if (index < 1 || index > count()) raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kSource);
  return m_entries[std::size_t(index - 1)];
}

}  // namespace tg
