// The typed value cells of the machine's memory.
//
// Every memory cell is a `TessaglyphDatum`: one small tagged value (a kind and a payload) instead
// of one class per kind, so that a number costs no heap object of its own. The six kinds keep
// their names: TessaglyphUnsignedInteger (Byte), TessaglyphInteger2 (16-bit), TessaglyphInteger4
// (32-bit), TessaglyphSingle, TessaglyphDouble and TessaglyphAscii (text), made by
// makeUnsignedInteger, makeInteger2, makeInteger4, makeSingle, makeDouble and makeAscii.
//
// Cells have identity: one cell may sit at two memory addresses and on the evaluation stack at
// once, and a change made through one place is seen at the others. So memory refers to cells
// through `DatumRef`, a reference-counted handle (copying shares the cell), and cells come from
// a per-thread `DatumPool` free list: dropping the last reference hands the cell back and making
// a cell takes one, so a warmed-up machine allocates nothing per numeric instruction. The count
// is a plain integer: cells belong to one machine, and a machine to one thread at a time.
//
// Conversions follow the platform rules of support/conversions.hpp: round half to even into the
// integer widths, error 6 "Overflow" when a value does not fit, error 13 "Type mismatch" for a
// text that is no number, numbers written in the general format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "support/conversions.hpp"
#include "tessaglyph/machine_types.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

class TessaglyphDatum;

namespace datum_detail {
enum class Operation : std::uint8_t { add, subtract, multiply, divide };
}  // namespace datum_detail

// The six relations of the comparison instructions.
enum class DatumComparison : std::uint8_t {
  lessThan,
  lessThanOrEqualTo,
  greaterThan,
  greaterThanOrEqualTo,
  equalTo,
  notEqualTo,
};

// A counted reference to a cell. Copying shares the cell; the last reference to go hands the
// cell back to the pool. An empty reference (the default) refers to no cell.
class DatumRef {
 public:
  constexpr DatumRef() noexcept = default;
  DatumRef(const DatumRef& other) noexcept;
  DatumRef(DatumRef&& other) noexcept : m_cell(other.m_cell) { other.m_cell = nullptr; }
  DatumRef& operator=(const DatumRef& other) noexcept;
  DatumRef& operator=(DatumRef&& other) noexcept;
  ~DatumRef() { release(m_cell); }

  TessaglyphDatum* get() const noexcept { return m_cell; }
  TessaglyphDatum& operator*() const noexcept { return *m_cell; }
  TessaglyphDatum* operator->() const noexcept { return m_cell; }
  explicit operator bool() const noexcept { return m_cell != nullptr; }

  // True when this is the only reference to its cell, so that the cell may be changed in place
  // without anyone else seeing it.
  bool unique() const noexcept;
  // How many references share the cell (0 for an empty reference).
  std::uint32_t useCount() const noexcept;
  // Lets go of the cell; the reference is empty afterwards.
  void drop() noexcept;

  friend bool operator==(const DatumRef& a, const DatumRef& b) noexcept {
    return a.m_cell == b.m_cell;
  }

 private:
  friend class DatumPool;
  // Takes over the one reference a freshly taken cell starts with.
  explicit DatumRef(TessaglyphDatum* adopted) noexcept : m_cell(adopted) {}
  static void release(TessaglyphDatum* cell) noexcept;

  TessaglyphDatum* m_cell = nullptr;
};

// What the calling thread's pool has done so far.
struct DatumPoolStatistics {
  std::uint64_t cellAllocations = 0;  // cells taken from the heap
  std::uint64_t cellFrees = 0;        // cells given back to the heap
  std::uint64_t textAllocations = 0;  // text blocks taken from the heap
  std::uint64_t reuses = 0;           // cells taken from the free list
  std::size_t idleCells = 0;          // cells waiting on the free list
  std::ptrdiff_t liveCells = 0;       // cells taken minus cells handed back on this thread
};

// The per-thread free list of cells. Cells handed back beyond kMaxIdleCells, and text blocks
// that grew beyond kMaxKeptTextCapacity, go back to the heap, so an idle pool stays small. When
// the thread ends the idle cells are freed; cells still alive then (held by static objects) are
// freed by their last reference instead, so the pool may go before or after any cell.
class DatumPool {
 public:
  static constexpr std::size_t kMaxIdleCells = 16384;
  static constexpr std::size_t kMaxKeptTextCapacity = 65536;

  // A fresh cell: a TessaglyphInteger2 holding 0, with one reference.
  static DatumRef newCell();

  static DatumPoolStatistics statistics() noexcept;
  // Frees every idle cell of the calling thread.
  static void trim() noexcept;

 private:
  friend class DatumRef;
  static TessaglyphDatum* takeFromHeap();
  static void giveBack(TessaglyphDatum* cell) noexcept;
  static void giveBackSlowly(TessaglyphDatum* cell) noexcept;
};

// One cell of the machine's memory. Cells are made by the make... functions and the pool only,
// and live as long as a DatumRef refers to them.
//
// Errors: numbers raise 6 when a value does not fit its target and 13 when a text is no number;
// division raises 11 for a zero divisor and 6 for 0 / 0; the file members raise the file layer's
// errors (52, 54, 62, 63) and the text errors 20001 and 20002. Members that only a text has
// (setFixedLength, char_, search, trim, ...) raise 13 "Type mismatch" on a number cell.
class TessaglyphDatum final {
 public:
  TessaglyphDatum(const TessaglyphDatum&) = delete;
  TessaglyphDatum& operator=(const TessaglyphDatum&) = delete;

  TG_M_DATATYPES dataType() const noexcept { return m_kind; }
  bool isAscii() const noexcept { return m_kind == TG_M_DT_ASCII; }

  // ---- The common interface, in its slot order ------------------------------------------

  // Stores `value` converted by this cell's own getter (getByte for an unsigned cell,
  // getInteger for a 16-bit one, ..., getString for a text).
  void setValue(const TessaglyphDatum& value);
  Byte getByte() const;
  // A number is true when it is not zero; a text when it is not empty.
  Boolean getBoolean() const;
  Integer getInteger() const;
  Long getLong() const;
  Single getSingle() const;
  Double getDouble() const;
  // A number in the general format ("1.5", "-3", "1E+20"); a text as it stands.
  std::string getString() const;
  // A text: three elements whose first and last are empty set the fixed length to the middle
  // one (setSizeNumeric); any other list makes the text delimited by that list. No effect on a
  // number.
  void setSize(const Array<std::string>& newSize);
  // Bytes the value takes in a file: 1, 2, 4, 4, 8, or the length of the text.
  Long getSize() const noexcept;
  // A number becomes 0; a text empty (blank-padded to its fixed length).
  void reset();
  // Reads the value at the 1-based byte position `offset` of the open file: numbers
  // little-endian over getSize bytes, a fixed-length text over its length, a delimited text up
  // to its first delimiter, after which `offset` is moved just past the delimiter (-1 when the
  // file ended first). Only a delimited read changes `offset`.
  void readFrom(Integer fileNumber, Long& offset);
  // Writes the value at the 1-based position `offset`. With `insert` the bytes from `offset` to
  // `filesize` first move up to make room (`filesize` 0 or less: to the end of the file; never
  // beyond it). Texts: see datum_file.cpp for delimiters and the replacing write.
  void writeTo(Integer fileNumber, Long offset, Boolean insert = false, Long filesize = 0) const;
  // Arithmetic: the right operand is read through the getter this cell's kind chooses, and the
  // result is a new cell of this cell's kind. Texts add (join), subtract (remove every
  // occurrence) and multiply (repeat); a text has no quotient, so divide() on a text returns an
  // empty reference and the caller reports the error.
  DatumRef add(const TessaglyphDatum& rhs) const;
  DatumRef subtract(const TessaglyphDatum& rhs) const;
  DatumRef multiply(const TessaglyphDatum& rhs) const;
  DatumRef divide(const TessaglyphDatum& rhs) const;
  // The remainder of both operands rounded to whole numbers; 0 for a text.
  Long modulus(const TessaglyphDatum& rhs) const;
  // Comparisons: a new TessaglyphUnsignedInteger holding 1 when the relation holds, else 0.
  DatumRef lessThan(const TessaglyphDatum& rhs) const;
  DatumRef lessThanOrEqualTo(const TessaglyphDatum& rhs) const;
  DatumRef greaterThan(const TessaglyphDatum& rhs) const;
  DatumRef greaterThanOrEqualTo(const TessaglyphDatum& rhs) const;
  DatumRef equalTo(const TessaglyphDatum& rhs) const;
  DatumRef notEqualTo(const TessaglyphDatum& rhs) const;
  // The text converted to this cell's kind (a text cell stores it as setString does).
  void setFromString(std::string_view rhs);

  // ---- Own setters -------------------------------------------------------------------------
  // Each stores its value converted to this cell's kind, as setValue would from a cell of the
  // setter's kind; setBoolean stores 1 or 0.
  void setByte(Byte value);
  void setBoolean(Boolean value);
  void setInteger(Integer value);
  void setLong(Long value);
  void setSingle(Single value);
  void setDouble(Double value);

  // ---- TessaglyphAscii --------------------------------------------------------------------
  // Stores the text; a fixed-length text is cut or blank-padded to its length. On a number
  // cell it converts, as setFromString.
  void setString(std::string_view newValue);
  // Fixed-length mode: leaves delimited mode, drops the delimiter list and cuts or pads the
  // text. A size of 0 or less means no fixed length: the text becomes variable length.
  void setFixedLength(Integer size);
  // Neither fixed length nor delimited.
  void setVariableLength();
  // Delimited mode with the default delimiter list of the settings file.
  void setDelimited();
  // The fixed length as a number: the same as setFixedLength.
  void setSizeNumeric(Integer size);
  Boolean isDelimited() const noexcept;
  Boolean isFixedLength() const noexcept;
  Boolean isVariableLength() const noexcept;
  // The fixed length, -1 when there is none.
  Integer fixedLength() const;
  // Raises 20003 when the text is not delimited.
  Array<std::string> getDelimiterList() const;
  // Whether an inserting write replaces the value stored at its position.
  void setPreDelete(Boolean flag);
  Boolean preDelete() const;
  // Moves the cursor: a negative offset raises 20004; one beyond the text is clamped to its
  // length, and `offset` is given the clamped value.
  void setOffset(Long& offset);
  // The cursor (0 is before the first character), clamped to the text's length.
  Long getOffset() const;
  // The character after the cursor; empty at the end of the text. The cursor stays.
  std::string char_();
  // Up to `numChars` characters from the cursor; empty at the end. A negative count raises 5.
  std::string chars(Long numChars);
  // The 0-based position in the whole text of the first `subString` at or after the cursor;
  // -1 at the end of the text or when there is none. Case matters.
  Long search(std::string_view subString);
  // True when the text is empty or the cursor has reached its end (the cursor is then put at
  // the end of the text).
  Boolean seof();
  // Blanks off the left, the right or both ends; case changed in the 8-bit character set. A
  // fixed-length text keeps what these leave until its next store.
  void ltrim();
  void rtrim();
  void trim();
  void setToUpper();
  void setToLower();
  // The text without a copy.
  std::string_view textView() const;

  // ---- In place ---------------------------------------------------------------------------
  // The forms the interpreter uses when it holds the only reference to the left cell: the cell
  // takes the state the corresponding new result cell would have had, without a new cell. On
  // an error the cell is left unchanged. `rhs` may be this very cell.
  bool compare(DatumComparison relation, const TessaglyphDatum& rhs) const;
  void addInPlace(const TessaglyphDatum& rhs);
  void subtractInPlace(const TessaglyphDatum& rhs);
  void multiplyInPlace(const TessaglyphDatum& rhs);
  // False, and the cell unchanged, for a text, which has no quotient.
  [[nodiscard]] bool divideInPlace(const TessaglyphDatum& rhs);
  // The cell becomes a TessaglyphInteger4 holding the remainder.
  void modulusInPlace(const TessaglyphDatum& rhs);
  // The cell becomes a TessaglyphUnsignedInteger holding 1 or 0.
  void compareInPlace(DatumComparison relation, const TessaglyphDatum& rhs);

  // The cell turns into a fresh cell of another kind holding the value (for the text: empty,
  // variable length, cursor 0); what a replacing instruction needs when the cell is unshared.
  void becomeUnsignedInteger(Byte value) noexcept;
  void becomeBoolean(Boolean value) noexcept { becomeUnsignedInteger(value ? 1 : 0); }
  void becomeInteger2(Integer value) noexcept;
  void becomeInteger4(Long value) noexcept;
  void becomeSingle(Single value) noexcept;
  void becomeDouble(Double value) noexcept;
  void becomeAscii();

 private:
  friend class DatumPool;
  friend class DatumRef;

  // The text cell's state, allocated on first use and kept while the cell is recycled, so that
  // the string's capacity is reused.
  struct TextState {
    std::string text;
    Array<std::string> delimiters;
    Long longestDelimiter = 0;
    Long cursor = 0;
    Integer fixedLength = -1;
    bool delimited = false;
    bool preDelete = false;

    void makeFresh();
    void fitToFixedLength();
  };

  union Payload {
    Double f64;
    Single f32;
    Long i32;
    Integer i16;
    Byte u8;
    TessaglyphDatum* nextIdle;  // while the cell waits in the pool
  };

  TessaglyphDatum() noexcept { m_value.f64 = 0.0; }
  ~TessaglyphDatum();

  TextState& text();
  const TextState& text() const;
  // The state of an ascii cell; raises 13 on a number cell.
  TextState& textOnly();
  const TextState& textOnly() const;

  using Operation = datum_detail::Operation;

  // The payload a numeric operation gives, of this cell's kind.
  Payload arithmetic(Operation operation, const TessaglyphDatum& rhs) const;
  DatumRef numericResult(Operation operation, const TessaglyphDatum& rhs) const;
  // A new text cell holding this text, then changed in place by `operation`.
  DatumRef textResult(Operation operation, const TessaglyphDatum& rhs) const;
  void textAddInPlace(const TessaglyphDatum& rhs);
  void textSubtractInPlace(const TessaglyphDatum& rhs);
  void textMultiplyInPlace(const TessaglyphDatum& rhs);
  // After a text operation the cell is what a new result cell would be: variable length, no
  // delimiters, cursor at 0.
  void makeTextModesFresh();
  void readText(Integer fileNumber, Long& offset);
  void writeText(Integer fileNumber, Long offset, Boolean insert, Long filesize) const;

  Payload m_value;
  TextState* m_text = nullptr;
  std::uint32_t m_refs = 0;
  TG_M_DATATYPES m_kind = TG_M_DT_INTEGER2;
};

// ---- Making cells -------------------------------------------------------------------------

// A fresh cell of the given kind (0 or an empty variable-length text); a kind outside 0..5
// raises 5 "Invalid procedure call or argument".
DatumRef makeDatum(TG_M_DATATYPES kind);
DatumRef makeUnsignedInteger(Byte value = 0);
// A TessaglyphUnsignedInteger holding 1 for true and 0 for false.
DatumRef makeBoolean(Boolean value);
DatumRef makeInteger2(Integer value = 0);
DatumRef makeInteger4(Long value = 0);
DatumRef makeSingle(Single value = 0.0f);
DatumRef makeDouble(Double value = 0.0);
// A variable-length text, empty or holding `text`.
DatumRef makeAscii();
DatumRef makeAscii(std::string_view text);

// The default delimiter list of a delimited text, read from the settings file on each call,
// indexed from 1.
Array<std::string> defaultDelimiterList();

// ---- Inline definitions -------------------------------------------------------------------

namespace datum_detail {

enum class PoolStatus : std::uint8_t { unarmed, open, closed };

// Trivially constructed and destroyed, so that the hot path reads it without a guard; the
// clean-up at thread end is armed on the first slow-path visit.
struct PoolState {
  TessaglyphDatum* idle = nullptr;
  std::size_t idleCount = 0;
  std::ptrdiff_t liveCount = 0;
  std::uint64_t cellAllocations = 0;
  std::uint64_t cellFrees = 0;
  std::uint64_t textAllocations = 0;
  std::uint64_t reuses = 0;
  PoolStatus status = PoolStatus::unarmed;
};

extern constinit thread_local PoolState t_pool;

[[noreturn]] void raiseOverflow();

template <typename Target, typename Source>
inline Target fitInto(Source value) {
  if (value < Source(std::numeric_limits<Target>::min()) ||
      value > Source(std::numeric_limits<Target>::max())) {
    raiseOverflow();
  }
  return static_cast<Target>(value);
}

}  // namespace datum_detail

inline DatumRef::DatumRef(const DatumRef& other) noexcept : m_cell(other.m_cell) {
  if (m_cell) ++m_cell->m_refs;
}

inline DatumRef& DatumRef::operator=(const DatumRef& other) noexcept {
  TessaglyphDatum* incoming = other.m_cell;
  if (incoming) ++incoming->m_refs;
  TessaglyphDatum* old = m_cell;
  m_cell = incoming;
  release(old);
  return *this;
}

inline DatumRef& DatumRef::operator=(DatumRef&& other) noexcept {
  if (this != &other) {
    TessaglyphDatum* old = m_cell;
    m_cell = other.m_cell;
    other.m_cell = nullptr;
    release(old);
  }
  return *this;
}

inline bool DatumRef::unique() const noexcept {
  return m_cell && m_cell->m_refs == 1;
}

inline std::uint32_t DatumRef::useCount() const noexcept {
  return m_cell ? m_cell->m_refs : 0;
}

inline void DatumRef::drop() noexcept {
  TessaglyphDatum* old = m_cell;
  m_cell = nullptr;
  release(old);
}

inline void DatumRef::release(TessaglyphDatum* cell) noexcept {
  if (cell && --cell->m_refs == 0) DatumPool::giveBack(cell);
}

inline DatumRef DatumPool::newCell() {
  datum_detail::PoolState& pool = datum_detail::t_pool;
  TessaglyphDatum* cell = pool.idle;
  if (cell) {
    pool.idle = cell->m_value.nextIdle;
    --pool.idleCount;
    ++pool.reuses;
  } else {
    cell = takeFromHeap();
  }
  ++pool.liveCount;
  cell->m_refs = 1;
  cell->m_kind = TG_M_DT_INTEGER2;
  cell->m_value.f64 = 0.0;
  return DatumRef(cell);
}

inline void DatumPool::giveBack(TessaglyphDatum* cell) noexcept {
  datum_detail::PoolState& pool = datum_detail::t_pool;
  if (pool.status == datum_detail::PoolStatus::open && pool.idleCount < kMaxIdleCells &&
      (cell->m_text == nullptr || cell->m_text->text.capacity() <= kMaxKeptTextCapacity)) {
    --pool.liveCount;
    cell->m_value.nextIdle = pool.idle;
    pool.idle = cell;
    ++pool.idleCount;
    return;
  }
  giveBackSlowly(cell);
}

inline void TessaglyphDatum::becomeUnsignedInteger(Byte value) noexcept {
  m_kind = TG_M_DT_UNSIGNEDINTEGER;
  m_value.u8 = value;
}
inline void TessaglyphDatum::becomeInteger2(Integer value) noexcept {
  m_kind = TG_M_DT_INTEGER2;
  m_value.i16 = value;
}
inline void TessaglyphDatum::becomeInteger4(Long value) noexcept {
  m_kind = TG_M_DT_INTEGER4;
  m_value.i32 = value;
}
inline void TessaglyphDatum::becomeSingle(Single value) noexcept {
  m_kind = TG_M_DT_SINGLE;
  m_value.f32 = value;
}
inline void TessaglyphDatum::becomeDouble(Double value) noexcept {
  m_kind = TG_M_DT_DOUBLE;
  m_value.f64 = value;
}

inline std::string_view TessaglyphDatum::textView() const {
  return textOnly().text;
}

inline TessaglyphDatum::TextState& TessaglyphDatum::text() {
  return *m_text;
}
inline const TessaglyphDatum::TextState& TessaglyphDatum::text() const {
  return *m_text;
}

inline Byte TessaglyphDatum::getByte() const {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return m_value.u8;
    case TG_M_DT_INTEGER2:
      return datum_detail::fitInto<Byte>(m_value.i16);
    case TG_M_DT_INTEGER4:
      return datum_detail::fitInto<Byte>(m_value.i32);
    case TG_M_DT_SINGLE:
      return roundToByte(m_value.f32);
    case TG_M_DT_DOUBLE:
      return roundToByte(m_value.f64);
    case TG_M_DT_ASCII:
      break;
  }
  return textToByte(text().text);
}

inline Integer TessaglyphDatum::getInteger() const {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return m_value.u8;
    case TG_M_DT_INTEGER2:
      return m_value.i16;
    case TG_M_DT_INTEGER4:
      return datum_detail::fitInto<Integer>(m_value.i32);
    case TG_M_DT_SINGLE:
      return roundToInteger(m_value.f32);
    case TG_M_DT_DOUBLE:
      return roundToInteger(m_value.f64);
    case TG_M_DT_ASCII:
      break;
  }
  return textToInteger(text().text);
}

inline Long TessaglyphDatum::getLong() const {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return m_value.u8;
    case TG_M_DT_INTEGER2:
      return m_value.i16;
    case TG_M_DT_INTEGER4:
      return m_value.i32;
    case TG_M_DT_SINGLE:
      return roundToLong(m_value.f32);
    case TG_M_DT_DOUBLE:
      return roundToLong(m_value.f64);
    case TG_M_DT_ASCII:
      break;
  }
  return textToLong(text().text);
}

inline Single TessaglyphDatum::getSingle() const {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return m_value.u8;
    case TG_M_DT_INTEGER2:
      return m_value.i16;
    case TG_M_DT_INTEGER4:
      return Single(m_value.i32);
    case TG_M_DT_SINGLE:
      return m_value.f32;
    case TG_M_DT_DOUBLE:
      return toSingle(m_value.f64);
    case TG_M_DT_ASCII:
      break;
  }
  return textToSingle(text().text);
}

inline Double TessaglyphDatum::getDouble() const {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return m_value.u8;
    case TG_M_DT_INTEGER2:
      return m_value.i16;
    case TG_M_DT_INTEGER4:
      return m_value.i32;
    case TG_M_DT_SINGLE:
      return m_value.f32;
    case TG_M_DT_DOUBLE:
      return m_value.f64;
    case TG_M_DT_ASCII:
      break;
  }
  return textToDouble(text().text);
}

inline Boolean TessaglyphDatum::getBoolean() const {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return m_value.u8 != 0;
    case TG_M_DT_INTEGER2:
      return m_value.i16 != 0;
    case TG_M_DT_INTEGER4:
      return m_value.i32 != 0;
    case TG_M_DT_SINGLE:
      return m_value.f32 != 0.0f;
    case TG_M_DT_DOUBLE:
      return m_value.f64 != 0.0;
    case TG_M_DT_ASCII:
      break;
  }
  return !text().text.empty();
}

inline DatumRef makeUnsignedInteger(Byte value) {
  DatumRef cell = DatumPool::newCell();
  cell->becomeUnsignedInteger(value);
  return cell;
}
inline DatumRef makeBoolean(Boolean value) {
  return makeUnsignedInteger(value ? 1 : 0);
}
inline DatumRef makeInteger2(Integer value) {
  DatumRef cell = DatumPool::newCell();
  cell->becomeInteger2(value);
  return cell;
}
inline DatumRef makeInteger4(Long value) {
  DatumRef cell = DatumPool::newCell();
  cell->becomeInteger4(value);
  return cell;
}
inline DatumRef makeSingle(Single value) {
  DatumRef cell = DatumPool::newCell();
  cell->becomeSingle(value);
  return cell;
}
inline DatumRef makeDouble(Double value) {
  DatumRef cell = DatumPool::newCell();
  cell->becomeDouble(value);
  return cell;
}

}  // namespace tg
