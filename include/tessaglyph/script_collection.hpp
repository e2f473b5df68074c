// ScriptCollection: the keyed collection an area selection takes as its set of wanted data
// types (key: a script name; value: whether it is selected). Entries keep the order they were
// added in; keys are compared without regard to case and are kept as first given. Hosts share
// one collection by std::shared_ptr, as the bounds record does.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

class ScriptCollection {
 public:
  using Entry = std::pair<std::string, Boolean>;
  using const_iterator = std::vector<Entry>::const_iterator;

  Long count() const noexcept { return Long(m_entries.size()); }
  // Appends an entry. 457 when the key is taken (in any case), 5 for an empty key.
  void add(const std::string& key, Boolean selected);
  // The value of a key; 5 when no entry has it.
  Boolean item(std::string_view key) const;
  // The value and the key of the entry at a 1-based position; 9 outside 1..count().
  Boolean item(Long index) const;
  const std::string& key(Long index) const;
  // Changes the value of an existing key; 5 when no entry has it.
  void setItem(std::string_view key, Boolean selected);
  Boolean exists(std::string_view key) const noexcept;
  // Removes the entry of a key; 5 when no entry has it.
  void remove(std::string_view key);
  void clear() noexcept { m_entries.clear(); }

  const_iterator begin() const noexcept { return m_entries.begin(); }
  const_iterator end() const noexcept { return m_entries.end(); }

 private:
  std::vector<Entry>::iterator find(std::string_view key) noexcept;
  std::vector<Entry>::const_iterator find(std::string_view key) const noexcept;
  std::vector<Entry>::const_iterator require(std::string_view key) const;
  const Entry& at(Long index) const;

  std::vector<Entry> m_entries;
};

}  // namespace tg
