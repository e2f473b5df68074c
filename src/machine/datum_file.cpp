// Reading and writing value cells at byte positions of a file opened through the file layer.
//
// Numbers take getSize bytes, little-endian, whatever the host's byte order. Texts take one byte
// per character: a fixed-length text its length, a delimited text everything up to the first of
// its delimiters. Positions are 1-based.
//
// Writes:
// - Overwriting: the value's bytes at the position (a delimited text without its delimiter).
// - Inserting: the bytes from the position to the last position to move first go up by the
//   length of what is written, from the end backwards in large chunks; the last position is
//   `filesize` when the caller gives one (never beyond the end of the file) and otherwise the
//   end of the file. A delimited text is written followed by its first delimiter.
// - Inserting a pre-deleted fixed-length text: overwrites, as the old value has the same size.
// - Inserting a pre-deleted delimited text (the replacing write): the value stored at the
//   position is scanned as a read would, up to its delimiter or the end of the file. The rest
//   of the file from that delimiter on moves up or down by the difference in length, so the
//   old delimiter follows the new text, and a file that shrinks is cut to its new length, so
//   that no byte of the tail is lost or left twice. This write works on the whole file and does
//   not use `filesize`: the extent of the old value comes from the file itself. An old value
//   that ran to the end of the file had no delimiter, and the new one gets none either.
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "machine/datum.hpp"
#include "support/file_layer.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

// Positions and lengths are worked out wider than a Long, so that a sum that leaves the Long
// range is found rather than wrapped.
using Wide = long long;

constexpr long long kMoveChunk = 64 * 1024;
constexpr long long kScanChunk = 16 * 1024;
constexpr long long kFirstScanChunk = 64;

constexpr long long kLongMax = std::numeric_limits<Long>::max();

void checkPosition(long long position) {
  if (position < 1) raisePlatformError(PLATFORM_E_BADRECORDNUMBER);
  if (position > kLongMax) datum_detail::raiseOverflow();
}

void checkWritable(Integer handle) {
  if (!isWritableFile(handle)) raisePlatformError(PLATFORM_E_BADFILEMODE);
}

// The last position an inserting write moves.
long long lastPositionToMove(Integer handle, Long filesize) {
  const long long length = fileLength(handle);
  return filesize >= 1 ? std::min<long long>(filesize, length) : length;
}

// Moves the bytes [from, last] up by `by` positions, from the end backwards, so that no byte is
// overwritten before it has been moved.
void moveUp(Integer handle, long long from, long long last, long long by) {
  if (by <= 0 || last < from) return;
  checkPosition(last + by);
  std::vector<char> buffer(std::size_t(std::min(kMoveChunk, last - from + 1)));
  long long end = last;
  while (end >= from) {
    const long long start = std::max(from, end - kMoveChunk + 1);
    const std::size_t count = std::size_t(end - start + 1);
    readFileAt(handle, Long(start), buffer.data(), count);
    writeFileAt(handle, Long(start + by), buffer.data(), count);
    end = start - 1;
  }
}

// Moves the bytes [from, last] down by `by` positions, from the front forwards.
void moveDown(Integer handle, long long from, long long last, long long by) {
  if (by <= 0 || last < from) return;
  std::vector<char> buffer(std::size_t(std::min(kMoveChunk, last - from + 1)));
  long long start = from;
  while (start <= last) {
    const std::size_t count = std::size_t(std::min(kMoveChunk, last - start + 1));
    readFileAt(handle, Long(start), buffer.data(), count);
    writeFileAt(handle, Long(start - by), buffer.data(), count);
    start += Wide(count);
  }
}

void cutFile(Integer handle, long long length) {
  if (length > std::numeric_limits<Long>::max()) raisePlatformError(PLATFORM_E_OVERFLOW);
  truncateFile(handle, Long(length));
}

// Scans a delimited value from `start`: at each position the next bytes (as many as the longest
// delimiter, fewer at the end of the file) are tried against each delimiter in list order; the
// first that matches ends the value. Empty delimiters can end nothing and are passed over.
// Returns the position just after the delimiter, or -1 when the file ended first; the value's
// bytes are appended to `text` when given, and counted in `valueLength`.
long long scanDelimited(Integer handle, long long start, const Array<std::string>& delimiters,
                        long long longest, std::string* text, long long& valueLength) {
  const long long length = fileLength(handle);
  checkPosition(start);
  valueLength = 0;
  // Most values are a few bytes long: the window starts small and doubles on each refill, and
  // its storage is kept per thread, so a warm scan neither allocates nor reads far ahead.
  thread_local std::vector<char> window;
  window.clear();
  long long windowStart = start;
  long long chunk = std::max(kFirstScanChunk, 2 * longest);
  for (long long at = start; at <= length; ++at) {
    const long long lookAhead = std::min(longest, length - at + 1);
    // The window holds the look-ahead, and at least the byte at `at` itself.
    if (at + std::max(lookAhead, 1LL) > windowStart + Wide(window.size())) {
      window.resize(std::size_t(std::min(chunk, length - at + 1)));
      chunk = std::max(chunk, std::min(2 * chunk, kScanChunk));
      readFileAt(handle, Long(at), window.data(), window.size());
      windowStart = at;
    }
    const char* here = window.data() + (at - windowStart);
    for (const std::string& delimiter : delimiters) {
      if (!delimiter.empty() && Wide(delimiter.size()) <= lookAhead &&
          std::memcmp(here, delimiter.data(), delimiter.size()) == 0) {
        const long long next = at + Wide(delimiter.size());
        checkPosition(next);
        return next;
      }
    }
    if (text) text->push_back(*here);
    ++valueLength;
  }
  return -1;
}

void storeLittleEndian(std::uint64_t bits, unsigned char* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

std::uint64_t loadLittleEndian(const unsigned char* in, std::size_t count) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < count; ++i)
    bits |= std::uint64_t(in[i]) << (8 * i);
  return bits;
}

}  // namespace

void TessaglyphDatum::readFrom(Integer fileNumber, Long& offset) {
  if (m_kind == TG_M_DT_ASCII) {
    readText(fileNumber, offset);
    return;
  }
  const std::size_t size = std::size_t(getSize());
  unsigned char bytes[8];
  readFileAt(fileNumber, offset, bytes, size);
  const std::uint64_t bits = loadLittleEndian(bytes, size);
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      m_value.u8 = Byte(bits);
      break;
    case TG_M_DT_INTEGER2:
      m_value.i16 = std::bit_cast<Integer>(std::uint16_t(bits));
      break;
    case TG_M_DT_INTEGER4:
      m_value.i32 = std::bit_cast<Long>(std::uint32_t(bits));
      break;
    case TG_M_DT_SINGLE:
      m_value.f32 = std::bit_cast<Single>(std::uint32_t(bits));
      break;
    case TG_M_DT_DOUBLE:
      m_value.f64 = std::bit_cast<Double>(bits);
      break;
    case TG_M_DT_ASCII:
      break;
  }
}

void TessaglyphDatum::writeTo(Integer fileNumber, Long offset, Boolean insert,
                              Long filesize) const {
  if (m_kind == TG_M_DT_ASCII) {
    writeText(fileNumber, offset, insert, filesize);
    return;
  }
  checkWritable(fileNumber);
  checkPosition(offset);
  std::uint64_t bits = 0;
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      bits = m_value.u8;
      break;
    case TG_M_DT_INTEGER2:
      bits = std::bit_cast<std::uint16_t>(m_value.i16);
      break;
    case TG_M_DT_INTEGER4:
      bits = std::bit_cast<std::uint32_t>(m_value.i32);
      break;
    case TG_M_DT_SINGLE:
      bits = std::bit_cast<std::uint32_t>(m_value.f32);
      break;
    case TG_M_DT_DOUBLE:
      bits = std::bit_cast<std::uint64_t>(m_value.f64);
      break;
    case TG_M_DT_ASCII:
      break;
  }
  const std::size_t size = std::size_t(getSize());
  unsigned char bytes[8];
  storeLittleEndian(bits, bytes, size);
  if (insert) moveUp(fileNumber, offset, lastPositionToMove(fileNumber, filesize), Long(size));
  writeFileAt(fileNumber, offset, bytes, size);
}

void TessaglyphDatum::readText(Integer fileNumber, Long& offset) {
  TextState& state = text();
  if (state.delimited) {
    std::string value;
    long long valueLength = 0;
    const long long next = scanDelimited(fileNumber, offset, state.delimiters,
                                         state.longestDelimiter, &value, valueLength);
    state.text.assign(value);
    offset = Long(next);
    return;
  }
  if (state.fixedLength < 1) {
    throw Error(TG_ASCII_E_CANNOTREADVARIABLELENGTH, "",
                "TessaglyphAscii cannot read strings when isVariableLength() is True.");
  }
  std::string value(std::size_t(state.fixedLength), '\0');
  readFileAt(fileNumber, offset, value.data(), value.size());
  state.text.assign(value);
}

void TessaglyphDatum::writeText(Integer fileNumber, Long offset, Boolean insert,
                                Long filesize) const {
  const TextState& state = text();
  if (!state.delimited && state.fixedLength < 1) {
    throw Error(TG_ASCII_E_CANNOTWRITEVARIABLELENGTH, "",
                "TessaglyphAscii cannot write strings when isVariableLength() is True.");
  }
  checkWritable(fileNumber);
  checkPosition(offset);
  const std::string& value = state.text;

  if (!insert || (state.preDelete && !state.delimited)) {
    writeFileAt(fileNumber, offset, value.data(), value.size());
    return;
  }

  if (!state.preDelete) {
    std::string written = value;
    if (state.delimited && !state.delimiters.empty()) {
      written += state.delimiters[state.delimiters.lbound()];
    }
    moveUp(fileNumber, offset, lastPositionToMove(fileNumber, filesize), Wide(written.size()));
    writeFileAt(fileNumber, offset, written.data(), written.size());
    return;
  }

  // The replacing write: see the top of this file.
  long long oldLength = 0;
  scanDelimited(fileNumber, offset, state.delimiters, state.longestDelimiter, nullptr, oldLength);
  const long long length = fileLength(fileNumber);
  const long long tail = offset + oldLength;
  const long long newLength = Wide(value.size());
  if (newLength > oldLength) {
    moveUp(fileNumber, tail, length, newLength - oldLength);
  } else if (newLength < oldLength) {
    moveDown(fileNumber, tail, length, oldLength - newLength);
    cutFile(fileNumber, length - (oldLength - newLength));
  }
  writeFileAt(fileNumber, offset, value.data(), value.size());
}

}  // namespace tg
