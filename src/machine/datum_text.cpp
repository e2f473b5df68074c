// The text kind of the value cells (TessaglyphAscii): its modes, its cursor and the text
// operations, and text arithmetic.
//
// A text is in one of three modes: fixed length (a length of 1 or more: every store cuts or
// blank-pads the text to it), delimited (read up to the first of a list of delimiters) or
// variable length (neither; such a text can be neither read from nor written to a file).
#include <algorithm>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "machine/datum.hpp"
#include "support/paths.hpp"
#include "support/profile_file.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

// The settings file as one text: a missing or unreadable file reads as empty, so that every key
// takes its default.
std::string settingsFileText(std::string_view file) {
  std::ifstream in(settingsFilePath(file), std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// The list is read afresh on each call, as every setting is. A key that holds no number counts
// as missing, so the size falls back to 1; a size beyond the Integer range is an overflow.
Array<std::string> defaultDelimiterList() {
  // The whole file is read once and the keys looked up in it, rather than once per key.
  const ProfileText settings(settingsFileText("HFTGDLL.INI"));
  const std::string sizeText =
      settings.value("Defaults", "Delimiter List Size").value_or(std::string("1"));
  double size = parseNumber(sizeText).value_or(1.0);
  size = roundHalfEven(size);
  if (!(size >= 1.0)) size = 1.0;
  const Integer count = roundToInteger(size);

  std::vector<std::string> delimiters;
  delimiters.reserve(std::size_t(count));
  for (Integer i = 1; i <= count; ++i) {
    // A profile value cannot hold a line end, so the stored default is the escape form: the two
    // characters backslash and "n", taken as they stand.
    delimiters.push_back(
        settings.value("Defaults", "Delimiter " + std::to_string(i)).value_or(std::string("\\n")));
  }
  return Array<std::string>(1, std::move(delimiters));
}

// ---- The text state ---------------------------------------------------------------------------

void TessaglyphDatum::TextState::makeFresh() {
  text.clear();  // keeps the capacity for the next text
  delimiters = Array<std::string>();
  longestDelimiter = 0;
  cursor = 0;
  fixedLength = -1;
  delimited = false;
  preDelete = false;
}

void TessaglyphDatum::TextState::fitToFixedLength() {
  if (!delimited && fixedLength >= 1) text.resize(std::size_t(fixedLength), ' ');
}

TessaglyphDatum::TextState& TessaglyphDatum::textOnly() {
  if (m_kind != TG_M_DT_ASCII) raisePlatformError(PLATFORM_E_TYPEMISMATCH);
  return *m_text;
}

const TessaglyphDatum::TextState& TessaglyphDatum::textOnly() const {
  if (m_kind != TG_M_DT_ASCII) raisePlatformError(PLATFORM_E_TYPEMISMATCH);
  return *m_text;
}

void TessaglyphDatum::becomeAscii() {
  if (m_text == nullptr) {
    m_text = new TextState();
    ++datum_detail::t_pool.textAllocations;
  } else {
    m_text->makeFresh();
  }
  m_kind = TG_M_DT_ASCII;
}

DatumRef makeAscii() {
  DatumRef cell = DatumPool::newCell();
  cell->becomeAscii();
  return cell;
}

DatumRef makeAscii(std::string_view text) {
  DatumRef cell = makeAscii();
  cell->setString(text);
  return cell;
}

// ---- Stores and modes -------------------------------------------------------------------------

void TessaglyphDatum::setString(std::string_view newValue) {
  if (m_kind != TG_M_DT_ASCII) {
    setFromString(newValue);
    return;
  }
  TextState& state = text();
  state.text.assign(newValue.data(), newValue.size());  // may view this very text
  state.fitToFixedLength();
}

void TessaglyphDatum::setFixedLength(Integer size) {
  TextState& state = textOnly();
  state.delimited = false;
  state.delimiters = Array<std::string>();
  state.longestDelimiter = 0;
  state.fixedLength = size >= 1 ? size : Integer(-1);
  state.fitToFixedLength();
}

void TessaglyphDatum::setVariableLength() {
  TextState& state = textOnly();
  state.delimited = false;
  state.delimiters = Array<std::string>();
  state.longestDelimiter = 0;
  state.fixedLength = -1;
}

void TessaglyphDatum::setDelimited() {
  TextState& state = textOnly();
  Array<std::string> list = defaultDelimiterList();
  state.longestDelimiter = 0;
  for (const std::string& delimiter : list)
    state.longestDelimiter = std::max(state.longestDelimiter, Long(delimiter.size()));
  state.delimiters = std::move(list);
  state.delimited = true;
  state.fixedLength = -1;
}

void TessaglyphDatum::setSize(const Array<std::string>& newSize) {
  if (m_kind != TG_M_DT_ASCII) return;
  if (newSize.size() == 3 && newSize[newSize.lbound()].empty() &&
      newSize[newSize.ubound()].empty()) {
    setSizeNumeric(textToInteger(newSize[newSize.lbound() + 1]));
    return;
  }
  TextState& state = text();
  state.longestDelimiter = 0;
  for (const std::string& delimiter : newSize)
    state.longestDelimiter = std::max(state.longestDelimiter, Long(delimiter.size()));
  state.delimiters = newSize;
  state.delimited = true;
  state.fixedLength = -1;
}

void TessaglyphDatum::setSizeNumeric(Integer size) {
  setFixedLength(size);
}

Boolean TessaglyphDatum::isDelimited() const noexcept {
  return m_kind == TG_M_DT_ASCII && m_text->delimited;
}

Boolean TessaglyphDatum::isFixedLength() const noexcept {
  return m_kind == TG_M_DT_ASCII && !m_text->delimited && m_text->fixedLength >= 1;
}

Boolean TessaglyphDatum::isVariableLength() const noexcept {
  return m_kind == TG_M_DT_ASCII && !m_text->delimited && m_text->fixedLength < 1;
}

Integer TessaglyphDatum::fixedLength() const {
  return textOnly().fixedLength;
}

Array<std::string> TessaglyphDatum::getDelimiterList() const {
  const TextState& state = textOnly();
  if (!state.delimited) {
    throw Error(TG_ASCII_E_NOTDELIMITED, "",
                "Attempted to get delimiter list from non-delimited string.");
  }
  return state.delimiters;
}

void TessaglyphDatum::setPreDelete(Boolean flag) {
  textOnly().preDelete = flag;
}

Boolean TessaglyphDatum::preDelete() const {
  return textOnly().preDelete;
}

// ---- The cursor -------------------------------------------------------------------------------

void TessaglyphDatum::setOffset(Long& offset) {
  TextState& state = textOnly();
  if (offset < 0) {
    throw Error(TG_ASCII_E_INVALIDOFFSET, "", std::to_string(offset) + " is not a valid offset.");
  }
  const Long length = Long(state.text.size());
  if (offset > length) offset = length;
  state.cursor = offset;
}

Long TessaglyphDatum::getOffset() const {
  const TextState& state = textOnly();
  return std::min(state.cursor, Long(state.text.size()));
}

Boolean TessaglyphDatum::seof() {
  TextState& state = textOnly();
  const Long length = Long(state.text.size());
  if (length == 0 || state.cursor >= length) {
    state.cursor = length;
    return true;
  }
  return false;
}

std::string TessaglyphDatum::char_() {
  if (seof()) return {};
  const TextState& state = text();
  return std::string(1, state.text[std::size_t(state.cursor)]);
}

std::string TessaglyphDatum::chars(Long numChars) {
  textOnly();
  if (numChars < 0) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL);
  if (seof()) return {};
  const TextState& state = text();
  return state.text.substr(std::size_t(state.cursor), std::size_t(numChars));
}

Long TessaglyphDatum::search(std::string_view subString) {
  if (seof()) return -1;
  const TextState& state = text();
  const std::size_t found = state.text.find(subString, std::size_t(state.cursor));
  return found == std::string::npos ? -1 : Long(found);
}

// ---- Blanks and case --------------------------------------------------------------------------

void TessaglyphDatum::ltrim() {
  std::string& value = textOnly().text;
  value.erase(0, value.size() - trimLeftBlanks(value).size());
}

void TessaglyphDatum::rtrim() {
  std::string& value = textOnly().text;
  value.resize(trimRightBlanks(value).size());
}

void TessaglyphDatum::trim() {
  rtrim();
  ltrim();
}

void TessaglyphDatum::setToUpper() {
  for (char& c : textOnly().text)
    c = toUpperChar(c);
}

void TessaglyphDatum::setToLower() {
  for (char& c : textOnly().text)
    c = toLowerChar(c);
}

// ---- Text arithmetic --------------------------------------------------------------------------

void TessaglyphDatum::makeTextModesFresh() {
  TextState& state = text();
  state.delimiters = Array<std::string>();
  state.longestDelimiter = 0;
  state.cursor = 0;
  state.fixedLength = -1;
  state.delimited = false;
  state.preDelete = false;
}

DatumRef TessaglyphDatum::textResult(Operation operation, const TessaglyphDatum& rhs) const {
  DatumRef cell = makeAscii();
  cell->text().text = text().text;
  switch (operation) {
    case Operation::add:
      cell->textAddInPlace(rhs);
      break;
    case Operation::subtract:
      cell->textSubtractInPlace(rhs);
      break;
    case Operation::multiply:
      cell->textMultiplyInPlace(rhs);
      break;
    case Operation::divide:
      return {};
  }
  return cell;
}

void TessaglyphDatum::textAddInPlace(const TessaglyphDatum& rhs) {
  std::string& value = text().text;
  if (rhs.isAscii()) {
    value.append(rhs.text().text);  // appending a text to itself is safe
  } else {
    value.append(rhs.getString());
  }
  makeTextModesFresh();
}

// Every occurrence, left to right and not overlapping, in one pass: "aabb" less "ab" is "ab".
void TessaglyphDatum::textSubtractInPlace(const TessaglyphDatum& rhs) {
  const std::string removed = rhs.getString();  // a copy: rhs may be this very cell
  std::string& value = text().text;
  if (!removed.empty()) {
    std::size_t kept = 0;
    std::size_t at = 0;
    while (at < value.size()) {
      if (value.compare(at, removed.size(), removed) == 0) {
        at += removed.size();
      } else {
        value[kept++] = value[at++];
      }
    }
    value.resize(kept);
  }
  makeTextModesFresh();
}

// The text repeated as many times as the right operand says as a Long; none for 0 or less. A
// result longer than a Long can count is an overflow.
void TessaglyphDatum::textMultiplyInPlace(const TessaglyphDatum& rhs) {
  const Long count = rhs.getLong();
  std::string& value = text().text;
  if (count <= 0 || value.empty()) {
    value.clear();
  } else {
    const unsigned long long total = (unsigned long long)value.size() * (unsigned long long)count;
    if (total > (unsigned long long)std::numeric_limits<Long>::max()) {
      datum_detail::raiseOverflow();
    }
    value.reserve(std::size_t(total));
    while (value.size() < total)
      value.append(value, 0,
                   std::min<std::size_t>(value.size(), std::size_t(total) - value.size()));
  }
  makeTextModesFresh();
}

}  // namespace tg
