// Profile texts from arbitrary bytes. Checked beyond "no crash": rendering gives the bytes back,
// a rendered edit parses back to the same text, and what an edit writes reads back (or the edit
// is refused with error 5, exactly when the text could not stand in a profile line).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/profile_file.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace {

using tg::ProfileText;

void check(bool condition) {
  if (!condition) __builtin_trap();
}

bool hasLineEnd(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool writableKey(std::string_view key) {
  const std::string_view trimmed = tg::trimSpace(key);
  return !hasLineEnd(key) && trimmed.find('=') == std::string_view::npos &&
         (trimmed.empty() || (trimmed.front() != ';' && trimmed.front() != '['));
}

std::string expectedRead(std::string_view written) {
  std::string_view value = tg::trimSpace(written);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

// The text renders the same after a trip through its own rendering.
void checkStable(const ProfileText& text) {
  const std::string rendered = text.render();
  check(ProfileText(rendered).render() == rendered);
}

void checkSetValue(const ProfileText& original, const std::string& section, const std::string& key,
                   const std::optional<std::string>& value) {
  ProfileText text = original;
  const bool valid = !hasLineEnd(section) && writableKey(key) && !(value && hasLineEnd(*value));
  bool refused = false;
  try {
    text.setValue(section, key, value ? std::optional<std::string_view>(*value) : std::nullopt);
  } catch (const tg::Error& error) {
    check(error.number() == 5);
    refused = true;
  }
  check(refused != valid);
  if (refused) {
    check(text.render() == original.render());
    return;
  }
  const std::optional<std::string> expected =
      value ? std::optional<std::string>(expectedRead(*value)) : std::nullopt;
  check(text.value(section, key) == expected);
  check(ProfileText(text.render()).value(section, key) == expected);
  // No section appears or disappears through a key edit, except a new one at the end.
  const std::vector<std::string> before = original.sectionNames();
  std::vector<std::string> after = text.sectionNames();
  if (after.size() == before.size() + 1) after.pop_back();
  check(after == before);
  checkStable(text);
}

void checkSetSection(const ProfileText& original, const std::string& section) {
  ProfileText text = original;
  const std::vector<std::string> lines = original.section(section);
  try {
    text.setSection(section, lines);
  } catch (const tg::Error& error) {
    check(error.number() == 5);
    return;
  }
  check(text.section(section) == lines);
  check(ProfileText(text.render()).section(section) == lines);
  checkStable(text);

  // Removing it takes exactly that one header out of the list.
  std::vector<std::string> names = text.sectionNames();
  text.removeSection(section);
  for (auto it = names.begin(); it != names.end(); ++it) {
    if (tg::equalsIgnoreCase(tg::trimSpace(*it), tg::trimSpace(section))) {
      names.erase(it);
      break;
    }
  }
  check(text.sectionNames() == names);
  checkStable(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const ProfileText text(input);
  check(text.render() == input);

  // Names and values to write: the text's own, and three slices of its last bytes, which may
  // hold anything at all.
  const std::string_view tail = input.substr(input.size() > 48 ? input.size() - 48 : 0);
  const std::size_t third = tail.size() / 3;
  const std::string sliceSection(tail.substr(0, third));
  const std::string sliceKey(tail.substr(third, third));
  const std::string sliceValue(tail.substr(2 * third));

  std::vector<std::string> sections = text.sectionNames();
  if (sections.size() > 4) sections.resize(4);
  sections.push_back(sliceSection);
  sections.push_back("New Section");

  for (const std::string& section : sections) {
    std::vector<std::string> keys = text.keyNames(section);
    if (keys.size() > 4) keys.resize(4);
    keys.push_back(sliceKey);
    keys.push_back("new key");
    for (const std::string& key : keys) {
      checkSetValue(text, section, key, sliceValue);
      checkSetValue(text, section, key, std::string(" \"quoted\" "));
      checkSetValue(text, section, key, std::nullopt);
    }
    checkSetSection(text, section);
  }
  return 0;
}
