// File and text I/O instructions: the script's files through the process-wide file layer, and
// the text cells' cursor, search, case and trim operations.
//
// A script reaches only the files it opened itself: OPEN records each handle in the machine's
// open-file list and CLOSE takes it out again, and every instruction that takes a handle checks
// that list first. A handle of another machine's script (or one already closed) is a bad file
// number here even while the file layer still holds it open, so one script can never read,
// write or close another's file, and destroying a machine closes exactly what its script left
// open.
//
// READ, WRITE and BUFFER work at "offset" + 1 (file positions are 1-based) and never move
// "offset": the script advances it by the value's size, or by the count READ leaves in the
// register for delimited text.
//
// Results that replace the register reuse the register's cell when nobody shares it, so a warm
// read loop makes no cell at all.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "machine/interpreter.hpp"
#include "support/byte_order.hpp"
#include "support/file_layer.hpp"
#include "support/paths.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

constexpr Integer kOffsetAddress = TG_M_PVI_OFFSET;

// Sizes and positions handed back in two-byte cells: a value beyond 16 bits is an overflow (6)
// rather than a wrapped, wrong number.
Integer fitInteger2(Long value) {
  if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max()) {
    raisePlatformError(PLATFORM_E_OVERFLOW, kRunSource);
  }
  return Integer(value);
}

void setRegisterInteger2(DatumRef& registerCell, Integer value) {
  if (registerCell.unique()) return registerCell->becomeInteger2(value);
  registerCell = makeInteger2(value);
}

void setRegisterInteger4(DatumRef& registerCell, Long value) {
  if (registerCell.unique()) return registerCell->becomeInteger4(value);
  registerCell = makeInteger4(value);
}

void setRegisterBoolean(DatumRef& registerCell, bool value) {
  if (registerCell.unique()) return registerCell->becomeBoolean(value);
  registerCell = makeBoolean(value);
}

// The register becomes a new variable-length text holding `value`.
void setRegisterText(DatumRef& registerCell, std::string_view value) {
  if (registerCell.unique()) {
    registerCell->becomeAscii();
    registerCell->setString(value);
    return;
  }
  registerCell = makeAscii(value);
}

// The two-byte flip: the low byte becomes the high one, read as sign and magnitude (the top bit
// of the old low byte is the sign), not as two's complement.
Integer flipInteger2(Integer value) {
  const auto bits = static_cast<std::uint16_t>(value);
  const unsigned low = bits & 0xFFu;
  const unsigned high = bits >> 8;
  const Integer magnitude = Integer((low & 0x7Fu) * 256u + high);
  return (low & 0x80u) != 0 ? Integer(-magnitude) : magnitude;
}

}  // namespace

Integer Interpreter::ownHandle(Integer handle) const {
  const auto& handles = m.m_openFileHandles;
  if (std::find(handles.begin(), handles.end(), handle) == handles.end()) {
    raisePlatformError(PLATFORM_E_BADFILENAMEORNUMBER, kRunSource);
  }
  return handle;
}

Long Interpreter::filePosition() {
  const Long offset = at(kOffsetAddress)->getLong();
  if (m_debug && offset < 0) {
    throw Error(TG_M_E_INVALIDOPERANDVALUE, kRunWithDebugSource,
                "The offset pre-defined variable must have a value greater than or equal to zero "
                "for all file I/O operations.");
  }
  if (offset == std::numeric_limits<Long>::max()) {
    raisePlatformError(PLATFORM_E_OVERFLOW, kRunSource);
  }
  // A negative "offset" in the plain run gives a position below 1, which the file layer refuses
  // with 63 "Bad record number".
  return offset + 1;
}

// OPEN op: opens the file named by the text MEM(op) (found without regard to case), for reading
// and writing, or for reading only where the file or its medium refuses writing; records it in
// the open-file list; the register becomes a two-byte cell holding the handle. 53 missing file,
// 76 missing folder, 75 not openable, 52 empty name; debug: 11002 for a non-text operand.
void Interpreter::openScriptFile(Integer address) {
  const std::string name = asciiOperand(address, "open")->getString();
  const Integer handle = openFile(name, FileOpenMode::ReadWrite);
  try {
    m.addOpenFile(name, handle);
  } catch (...) {
    closeFileQuietly(handle);
    throw;
  }
  setRegisterInteger2(reg(), handle);
}

// CLOSE op: closes the handle MEM(op) and drops it from the open-file list; "mexFile" goes back
// to -1 when it named that handle. 52 for a handle this script does not hold open.
void Interpreter::closeScriptFile(Integer address) {
  const Integer handle = ownHandle(at(address)->getInteger());
  m.removeOpenFile(handle);
  if (handle == m.m_mexFile) m.m_mexFile = -1;
  closeFile(handle);
}

// LEN op: the register becomes a two-byte cell holding MEM(op)'s size in bytes (a text's
// length). 6 for a text longer than 32767 bytes.
void Interpreter::length(Integer address) {
  const Integer size = fitInteger2(at(address)->getSize());
  setRegisterInteger2(reg(), size);
}

// GETOFFSET op: the register becomes a two-byte cell holding the text cursor of MEM(op). 13 for
// a number cell (debug: 11002); 6 beyond 32767.
void Interpreter::getTextOffset(Integer address) {
  const Integer cursor = fitInteger2(asciiOperand(address, "getoffset")->getOffset());
  setRegisterInteger2(reg(), cursor);
}

// SETOFFSET op: moves the text cursor of MEM(op) to the register's value (clamped to the
// text's length). 20004 for a negative value, 13 for a number cell (debug: 11002).
void Interpreter::setTextOffset(Integer address) {
  DatumRef& target = asciiOperand(address, "setoffset");
  Long cursor = reg()->getInteger();
  target->setOffset(cursor);
}

// CHAR op: the register becomes a variable-length text holding the character after MEM(op)'s
// cursor (empty at the end of the text); the cursor stays. 13 for a number cell (debug: 11002).
void Interpreter::textChar(Integer address) {
  const std::string character = asciiOperand(address, "char")->char_();
  setRegisterText(reg(), character);
}

// SEOF op: the register becomes a boolean cell, true when MEM(op) is empty or its cursor has
// reached the end. 13 for a number cell (debug: 11002).
void Interpreter::textEnd(Integer address) {
  const bool atEnd = asciiOperand(address, "s_eof")->seof();
  setRegisterBoolean(reg(), atEnd);
}

// SETDELIMS op: n = MEM(op); the register becomes a text delimited by the texts of MEM(op+1) to
// MEM(op+n), in that order (three with empty first and last make a fixed length of the middle
// one instead). 9 for a count below 1 or a list that runs past the end of memory.
void Interpreter::setDelimiters(Integer address) {
  const Long count = at(address)->getInteger();
  if (count < 1) raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kRunSource);
  Array<std::string> delimiters = Array<std::string>::withBounds(1, count);
  for (Long i = 1; i <= count; ++i) {
    const Long source = Long(address) + i;
    if (source > std::numeric_limits<Integer>::max()) {
      raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kRunSource);
    }
    delimiters[i] = at(Integer(source))->getString();
  }
  DatumRef& left = reg();
  if (!left.unique()) left = makeAscii();
  left->becomeAscii();
  left->setSize(delimiters);
}

// READ op: with the register's handle, MEM(op) reads itself at "offset" + 1; the register
// becomes a four-byte cell holding the bytes a delimited text consumed (delimiter included), 0
// for numbers and fixed-length text, and -("offset" + 2) when no delimiter was found. 52 bad
// handle, 62 past the end of the file, 63 negative "offset", 20002 variable-length text;
// debug: 11007 for a negative "offset".
void Interpreter::readValue(Integer address) {
  const Integer handle = ownHandle(reg()->getInteger());
  const Long start = filePosition();
  const Long offset = start - 1;
  Long position = start;
  at(address)->readFrom(handle, position);
  // The delimited read leaves -1 when it found no delimiter: -1 - offset - 1 = -(offset + 2).
  const long long consumed = (long long)position - offset - 1;
  if (consumed < std::numeric_limits<Long>::min() || consumed > std::numeric_limits<Long>::max()) {
    raisePlatformError(PLATFORM_E_OVERFLOW, kRunSource);
  }
  setRegisterInteger4(reg(), Long(consumed));
}

// WRITE op: with the register's handle, MEM(op) writes itself over the bytes at "offset" + 1
// (a delimited text without its delimiter). 11012 under the data lock (both runs), 52 bad
// handle, 54 file open for reading only, 20001 variable-length text; debug: 11007 for a
// negative "offset".
void Interpreter::writeValue(Integer address) {
  if (m.effectiveDataLock()) {
    throw Error(TG_M_E_DATALOCKED, "", "The WRITE instruction has been disabled");
  }
  const Integer handle = ownHandle(reg()->getInteger());
  const Long position = filePosition();
  at(address)->writeTo(handle, position, false);
}

// BUFFER op: writes MEM(op) bytes of value MEM(op+1) to the register's handle at "offset" + 1;
// a count of 0 or less writes nothing. 52 bad handle, 54 file open for reading only, 6 for a
// count or byte out of range; debug: 11007 for a count not above 0 or a negative "offset".
void Interpreter::fillBytes(Integer address) {
  const Long count = at(address)->getLong();
  if (address == std::numeric_limits<Integer>::max()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kRunSource);
  }
  const Byte value = at(Integer(address + 1))->getByte();
  if (m_debug && count <= 0) {
    throw Error(TG_M_E_INVALIDOPERANDVALUE, kRunWithDebugSource,
                longToText(count) +
                    " is not a valid value for the second parameter of the BUFFER instruction.");
  }
  const Long position = filePosition();
  const Integer handle = ownHandle(reg()->getInteger());
  if (count <= 0) return;
  if ((long long)position + count - 1 > std::numeric_limits<Long>::max()) {
    raisePlatformError(PLATFORM_E_OVERFLOW, kRunSource);
  }
  std::array<unsigned char, 4096> block;
  block.fill(value);
  Long written = 0;
  while (written < count) {
    const Long part = std::min<Long>(count - written, Long(block.size()));
    writeFileAt(handle, position + written, block.data(), std::size_t(part));
    written += part;
  }
}

// EOF op: the register becomes a boolean cell, true when "offset" has reached the length of the
// file with handle MEM(op). 52 bad handle.
void Interpreter::endOfFile(Integer address) {
  const Integer handle = ownHandle(at(address)->getInteger());
  const Long size = fileLength(handle);
  const bool atEnd = at(kOffsetAddress)->getLong() >= size;
  setRegisterBoolean(reg(), atEnd);
}

// FLIPBYTES op: a two-byte cell takes its bytes swapped, read as sign and magnitude; a four-byte
// cell has its four bytes reversed. Other cells are left alone (debug: 11007).
void Interpreter::flipBytes(Integer address) {
  DatumRef& target = at(address);
  switch (target->dataType()) {
    case TG_M_DT_INTEGER2:
      return target->setInteger(flipInteger2(target->getInteger()));
    case TG_M_DT_INTEGER4:
      return target->setLong(swapBytes4(target->getLong()));
    default:
      if (m_debug) {
        throw Error(TG_M_E_INVALIDOPERANDVALUE, kRunWithDebugSource,
                    "The operand for the flipbytes instruction must contain an integer (of size 2 "
                    "or 4).");
      }
      return;
  }
}

// SETFIXEDLENGTH op: MEM(op) becomes a fixed-length text of the register's length, cut or
// blank-padded (a length below 1 makes it variable length). 13 for a number cell (debug: 11002).
void Interpreter::setFixedLength(Integer address) {
  DatumRef& target = asciiOperand(address, "setfixedlength");
  const Integer size = reg()->getInteger();
  target->setFixedLength(size);
}

// CHARS op: the register becomes a variable-length text holding up to (register) characters
// from MEM(op)'s cursor; the cursor stays. 5 for a negative count, 13 for a number cell (debug:
// 11002).
void Interpreter::textChars(Integer address) {
  DatumRef& source = asciiOperand(address, "charS");
  const Integer count = reg()->getInteger();
  const std::string characters = source->chars(count);
  setRegisterText(reg(), characters);
}

// SEARCH op: the register becomes a two-byte cell holding the position in MEM(op) of the
// register's text at or after the cursor, -1 when absent. 13 for a number cell (debug: 11002);
// 6 for a position beyond 32767.
void Interpreter::textSearch(Integer address) {
  DatumRef& source = asciiOperand(address, "search");
  const DatumRef& wanted = reg();
  const Long found =
      wanted->isAscii() ? source->search(wanted->textView()) : source->search(wanted->getString());
  setRegisterInteger2(reg(), fitInteger2(found));
}

// FILEEXISTS op: the register becomes a boolean cell, true when a file (not a folder) of the
// name MEM(op) exists, found without regard to case. Debug: 11002 for a non-text operand.
void Interpreter::fileExists(Integer address) {
  const std::string name = asciiOperand(address, "fileexists")->getString();
  bool exists = false;
  if (!name.empty()) {
    struct stat info {};
    exists = ::stat(resolvePath(name).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
  }
  setRegisterBoolean(reg(), exists);
}

// SETTOUPPER, SETTOLOWER op: MEM(op)'s text changes case in place. 13 for a number cell (debug:
// 11002).
void Interpreter::changeCase(bool upper, Integer address) {
  DatumRef& target = asciiOperand(address, upper ? "settoupper" : "settolower");
  if (upper) return target->setToUpper();
  target->setToLower();
}

// TRIM, LTRIM, RTRIM op: blanks off both ends, the left or the right of MEM(op)'s text, in
// place. 13 for a number cell.
void Interpreter::trimText(TG_M_INSTRUCTIONS opcode, Integer address) {
  DatumRef& target = at(address);
  switch (opcode) {
    case TG_M_I_LTRIM:
      return target->ltrim();
    case TG_M_I_RTRIM:
      return target->rtrim();
    default:
      return target->trim();
  }
}

}  // namespace tg
