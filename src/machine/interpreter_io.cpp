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
  const auto& handles = m.m_core->openFileHandles;
  if (std::find(handles.begin(), handles.end(), handle) == handles.end()) {
    raisePlatformError(PLATFORM_E_BADFILENAMEORNUMBER, kRunSource);
  }
  return handle;
}

Long Interpreter::filePosition() {
  const Long offset = at(kOffsetAddress)->getLong();
  if (m_debug && offset < 0) {
    goOnAfter(Error(TG_M_E_INVALIDOPERANDVALUE, kRunWithDebugSource,
                    "The offset pre-defined variable must have a value greater than or equal to "
                    "zero for all file I/O operations."));
  }
  if (offset == std::numeric_limits<Long>::max()) {
    raisePlatformError(PLATFORM_E_OVERFLOW, kRunSource);
  }
  // A negative "offset" in the plain run gives a position below 1, which the file layer refuses
  // with 63 "Bad record number".
  return offset + 1;
}

void Interpreter::openScriptFile(Integer address) {
  const std::string name = asciiOperand(address, "open")->getString();
  // A host that continues after a failed open gets the handle the open would have taken; the
  // script's later use of it is then a bad file number.
  Integer handle = freeFileHandle();
  step([&] {
    handle = openFile(name, FileOpenMode::ReadWrite);
    try {
      m.addOpenFile(name, handle);
    } catch (...) {
      closeFileQuietly(handle);
      throw;
    }
  });
  setRegisterInteger2(reg(), handle);
}

void Interpreter::closeScriptFile(Integer address) {
  const Integer handle = ownHandle(at(address)->getInteger());
  m.removeOpenFile(handle);
  if (handle == m.m_core->mexFile) m.m_core->mexFile = -1;
  closeFile(handle);
}

void Interpreter::length(Integer address) {
  const Integer size = fitInteger2(at(address)->getSize());
  setRegisterInteger2(reg(), size);
}

void Interpreter::getTextOffset(Integer address) {
  const Integer cursor = fitInteger2(asciiOperand(address, "getoffset")->getOffset());
  setRegisterInteger2(reg(), cursor);
}

void Interpreter::setTextOffset(Integer address) {
  DatumRef& target = asciiOperand(address, "setoffset");
  Long cursor = reg()->getInteger();
  target->setOffset(cursor);
}

void Interpreter::textChar(Integer address) {
  const std::string character = asciiOperand(address, "char")->char_();
  setRegisterText(reg(), character);
}

void Interpreter::textEnd(Integer address) {
  const bool atEnd = asciiOperand(address, "s_eof")->seof();
  setRegisterBoolean(reg(), atEnd);
}

void Interpreter::setDelimiters(Integer address) {
  const Long count = at(address)->getInteger();
  if (count < 1) raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kRunSource);
  Array<std::string> delimiters = Array<std::string>::withBounds(1, count);
  for (Long i = 1; i <= count; ++i) {
    // An element that fails stays empty when the host continues.
    step([&] {
      const Long source = Long(address) + i;
      if (source > std::numeric_limits<Integer>::max()) {
        raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kRunSource);
      }
      delimiters[i] = at(Integer(source))->getString();
    });
  }
  DatumRef& left = reg();
  if (!left.unique()) left = makeAscii();
  left->becomeAscii();
  left->setSize(delimiters);
}

void Interpreter::readValue(Integer address) {
  const Integer handle = reg()->getInteger();
  const Long start = filePosition();
  const Long offset = start - 1;
  Long position = start;
  // A failed read still leaves its count: the host that continues sees 0 for a number.
  step([&] { at(address)->readFrom(ownHandle(handle), position); });
  // The delimited read leaves -1 when it found no delimiter: -1 - offset - 1 = -(offset + 2).
  const long long consumed = static_cast<long long>(position) - offset - 1;
  if (consumed < std::numeric_limits<Long>::min() || consumed > std::numeric_limits<Long>::max()) {
    raisePlatformError(PLATFORM_E_OVERFLOW, kRunSource);
  }
  setRegisterInteger4(reg(), Long(consumed));
}

void Interpreter::writeValue(Integer address) {
  if (m.effectiveDataLock()) {
    throw Error(TG_M_E_DATALOCKED, "", "The WRITE instruction has been disabled");
  }
  const Integer handle = ownHandle(reg()->getInteger());
  const Long position = filePosition();
  at(address)->writeTo(handle, position, false);
}

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
  if (static_cast<long long>(position) + count - 1 > std::numeric_limits<Long>::max()) {
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

void Interpreter::endOfFile(Integer address) {
  const Integer handle = ownHandle(at(address)->getInteger());
  const Long size = fileLength(handle);
  const bool atEnd = at(kOffsetAddress)->getLong() >= size;
  setRegisterBoolean(reg(), atEnd);
}

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

void Interpreter::setFixedLength(Integer address) {
  DatumRef& target = asciiOperand(address, "setfixedlength");
  const Integer size = reg()->getInteger();
  target->setFixedLength(size);
}

void Interpreter::textChars(Integer address) {
  DatumRef& source = asciiOperand(address, "charS");
  const Integer count = reg()->getInteger();
  const std::string characters = source->chars(count);
  setRegisterText(reg(), characters);
}

void Interpreter::textSearch(Integer address) {
  DatumRef& source = asciiOperand(address, "search");
  const DatumRef& wanted = reg();
  const Long found =
      wanted->isAscii() ? source->search(wanted->textView()) : source->search(wanted->getString());
  setRegisterInteger2(reg(), fitInteger2(found));
}

void Interpreter::fileExists(Integer address) {
  const std::string name = asciiOperand(address, "fileexists")->getString();
  bool exists = false;
  if (!name.empty()) {
    struct stat info {};
    exists = ::stat(resolvePath(name).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
  }
  setRegisterBoolean(reg(), exists);
}

void Interpreter::changeCase(bool upper, Integer address) {
  DatumRef& target = asciiOperand(address, upper ? "settoupper" : "settolower");
  if (upper) return target->setToUpper();
  target->setToLower();
}

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
