// Types of the virtual machine that its public interface hands across: the kinds of its memory
// cells, how a text attribute is read, and the text cells' own error numbers.
#pragma once

#include <cstdint>
#include <string>

#include "tessaglyph/types.hpp"

namespace tg {

// The kind of a machine memory cell.
enum TG_M_DATATYPES : std::int32_t {
  TG_M_DT_UNSIGNEDINTEGER = 0,  // TessaglyphUnsignedInteger: Byte 0..255, 1 byte in a file
  TG_M_DT_INTEGER2 = 1,         // TessaglyphInteger2: 16-bit signed, 2 bytes
  TG_M_DT_INTEGER4 = 2,         // TessaglyphInteger4: 32-bit signed, 4 bytes
  TG_M_DT_SINGLE = 3,           // TessaglyphSingle: IEEE binary32, 4 bytes
  TG_M_DT_DOUBLE = 4,           // TessaglyphDouble: IEEE binary64, 8 bytes
  TG_M_DT_ASCII = 5,            // TessaglyphAscii: text, one byte per character
};

// How a text attribute is read: a fixed length (0 for none), or a list of delimiters, and
// whether writes insert rather than overwrite.
struct TG_M_STRINGREADINFO {
  Integer fixedLength = 0;
  Array<std::string> delimiters;
  Boolean insert = false;

  friend bool operator==(const TG_M_STRINGREADINFO&, const TG_M_STRINGREADINFO&) = default;
};

// Errors of the text cells, raised with these numbers and no source text.
enum TG_ASCII_ERRORS : std::int32_t {
  // "TessaglyphAscii cannot write strings when isVariableLength() is True."
  TG_ASCII_E_CANNOTWRITEVARIABLELENGTH = 20001,
  // "TessaglyphAscii cannot read strings when isVariableLength() is True."
  TG_ASCII_E_CANNOTREADVARIABLELENGTH = 20002,
  // "Attempted to get delimiter list from non-delimited string."
  TG_ASCII_E_NOTDELIMITED = 20003,
  // <offset> " is not a valid offset."
  TG_ASCII_E_INVALIDOFFSET = 20004,
};

}  // namespace tg
