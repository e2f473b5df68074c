// The fixed vocabulary of the script language: instruction mnemonics and opcodes, predefined
// variables, routine slots, script properties with their allowed values and defaults, and the
// resolution comparison modes. The lookups are stateless; `Tessaglyph` exposes the same ones.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

// Instruction set, one opcode per enumerator. Each comment is the instruction's whole contract:
// the operand kind, the effect and what it raises besides the value cells' own conversion errors
// (13 type mismatch, 6 overflow) and 9 "Subscript out of range" for an address outside memory.
// Notation: op is the 16-bit operand, MEM(a) the cell at address a, reg the register MEM(0).
// "reg := x" replaces the register's cell by a new cell (the register takes its type); "copy
// into" keeps the target's type and converts the value. "Debug:" marks checks made only by the
// debug run. Operand kinds: [mem] a memory address, [block] op and the cells after it, [ptr]
// MEM(op) holds the address used, [code] an instruction address, [num] op itself, [-] none,
// [unused] carried like a memory address but never read. File instructions work at the 1-based
// file position "offset" + 1 and never move "offset"; a handle is one this script opened and has
// not closed, else 52. When the host continues after an error, the steps of the instruction that
// follow the failed one still run; "Continued:" says what that leaves where it is not plain.
enum TG_M_INSTRUCTIONS : std::int32_t {
  // [code] jump to op (a target outside the code fails at the next fetch with 11005).
  // Debug: 11005 "<op> is not a valid code address." outside 0..numInstructions, before jumping.
  TG_M_I_GOTO = 0,
  // [code] jump to op when reg as Double < 0. Debug: 11005 as GOTO. Continued: the jump is taken.
  TG_M_I_BRANCHNEG = 1,
  // [code] jump to op when reg as Double > 0. Debug: 11005 as GOTO. Continued: as BRANCHNEG.
  TG_M_I_BRANCHPOS = 2,
  // [code] jump to op when reg as Double = 0. Debug: 11005 as GOTO. Continued: as BRANCHNEG.
  TG_M_I_BRANCHZERO = 3,
  // [code] jump to op when reg as Boolean is true (a number not 0, a text not empty). Debug:
  // 11005 as GOTO. Continued: as BRANCHNEG.
  TG_M_I_BRANCHTRUE = 4,
  // [code] jump to op when reg as Boolean is false. Debug: 11005 as GOTO. Continued: as BRANCHNEG.
  TG_M_I_BRANCHFALSE = 5,
  // [code] run a nested run from op to its STOP (with its own error path), then go on after the
  // GOSUB. 28 "Out of stack space" 2000 runs deep. Debug: 11005.
  TG_M_I_GOSUB = 6,
  // [mem] copy MEM(op) into reg.
  TG_M_I_LOAD = 7,
  // [ptr] copy MEM(MEM(op) as Integer) into reg.
  TG_M_I_LOADPTR = 8,
  // [mem] copy reg into MEM(op). Debug: 11006 "Cannot set the value of the <name> pre-defined
  // variable." for a read-only predefined variable ("index" to "extension"). Continued: stored.
  TG_M_I_STORE = 9,
  // [ptr] copy reg into MEM(MEM(op)). Debug: 11006 as STORE for a fixed-type predefined variable.
  // Continued: stored.
  TG_M_I_STOREPTR = 10,
  // [mem] reg := reg + MEM(op), of reg's kind (text: concatenation). Raises 6 out of range.
  TG_M_I_ADD = 11,
  // [mem] reg := reg - MEM(op), of reg's kind (text: occurrences removed). Raises 6.
  TG_M_I_SUBTRACT = 12,
  // [mem] reg := reg * MEM(op), of reg's kind (text: repeated). Raises 6.
  TG_M_I_MULTIPLY = 13,
  // [mem] reg := reg / MEM(op), rounded half-to-even for integers. Raises 11 on zero, 6 on 0 / 0,
  // 13 for a text.
  TG_M_I_DIVIDE = 14,
  // [mem] reg := new Long cell, reg mod MEM(op) on rounded integers. Raises 11 on zero, 6.
  TG_M_I_MODULUS = 15,
  // [mem] reg := new unsigned cell, 1 when reg < MEM(op) else 0 (texts by character code; 13
  // when a text and a number cannot be compared).
  TG_M_I_LESSTHAN = 16,
  // [mem] reg := 1 when reg <= MEM(op) else 0, as LESSTHAN.
  TG_M_I_LESSTHANEQUAL = 17,
  // [mem] reg := 1 when reg > MEM(op) else 0, as LESSTHAN.
  TG_M_I_GREATERTHAN = 18,
  // [mem] reg := 1 when reg >= MEM(op) else 0, as LESSTHAN.
  TG_M_I_GREATERTHANEQUAL = 19,
  // [mem] reg := 1 when reg = MEM(op) else 0, as LESSTHAN.
  TG_M_I_EQUAL = 20,
  // [mem] reg := 1 when reg <> MEM(op) else 0, as LESSTHAN.
  TG_M_I_NOTEQUAL = 21,
  // [mem] reg := Boolean cell of (reg as Boolean and MEM(op) as Boolean).
  TG_M_I_AND = 22,
  // [mem] reg := Boolean cell of (reg as Boolean or MEM(op) as Boolean).
  TG_M_I_OR = 23,
  // [mem] copy not (MEM(op) as Boolean) into MEM(op), which keeps its type (a text becomes "1"
  // or "0"); reg untouched.
  TG_M_I_NOT = 24,
  // [mem] MEM(op) becomes a new unsigned cell holding its old value when it converts, else 0.
  // Never raises a conversion error. Debug: 11001 "<op> cannot be cast." on a fixed-type
  // predefined variable. Continued: cast.
  TG_M_I_CASTUINT = 25,
  // [mem] as CASTUINT, new two-byte integer cell.
  TG_M_I_CASTINT2 = 26,
  // [mem] as CASTUINT, new four-byte integer cell.
  TG_M_I_CASTINT4 = 27,
  // [mem] as CASTUINT, new Single cell.
  TG_M_I_CASTSINGLE = 28,
  // [mem] as CASTUINT, new Double cell.
  TG_M_I_CASTDOUBLE = 29,
  // [mem] as CASTUINT, new variable-length text cell (empty when the value does not convert).
  TG_M_I_CASTASCII = 30,
  // [mem] open the file named by MEM(op) (found without regard to case) for reading and writing,
  // or reading only where writing is refused; reg := new Integer cell with the handle. 53 missing
  // file, 76 missing folder, 75 not openable, 52 empty name. Debug: 11002 when MEM(op) is not
  // text. Continued: reg holds the handle the open would have taken.
  TG_M_I_OPEN = 31,
  // [mem] close handle MEM(op); when it is the MEX file, the MEX file becomes -1.
  TG_M_I_CLOSE = 32,
  // [mem] reg := new Integer cell holding MEM(op)'s size in bytes; 6 beyond 32767.
  TG_M_I_LEN = 33,
  // [mem] reg := new Integer cell holding the text position of MEM(op); 6 beyond 32767.
  // Debug: 11002 if not text (13 in the plain run).
  TG_M_I_GETOFFSET = 34,
  // [mem] text position of MEM(op) := reg as Integer, clamped to the text's length; 20004 when
  // negative. Debug: 11002 if not text.
  TG_M_I_SETOFFSET = 35,
  // [mem] reg := new text cell, the character at MEM(op)'s text position (empty at the end); the
  // position stays. Debug: 11002 if not text.
  TG_M_I_CHAR = 36,
  // [mem] reg := Boolean cell, MEM(op) empty or its text position at the end. Debug: 11002 if
  // not text.
  TG_M_I_SEOF = 37,
  // [unused] always raises 1 "STRING2LATLON instruction not functional".
  TG_M_I_STRING2LATLON = 38,
  // [unused] always raises 1 "LAT2STRING instruction not functional".
  TG_M_I_LAT2STRING = 39,
  // [unused] always raises 1 "LON2STRING instruction not functional".
  TG_M_I_LON2STRING = 40,
  // [block] reg := new delimited text cell whose delimiters are the texts of MEM(op+1..op+n),
  // n = MEM(op) as Integer (three with empty first and last make a fixed length of the middle
  // one). 9 for n below 1 or a list past the end of memory. Continued: a failed element is empty.
  TG_M_I_SETDELIMS = 41,
  // [mem] MEM(op) reads itself from handle reg; reg := new Long cell, the bytes a delimited text
  // consumed (0 otherwise, -("offset" + 2) when no delimiter). 62 past the end of the file, 63
  // negative "offset", 20002 variable-length text. Debug: 11007 when "offset" < 0. Continued:
  // reg holds the count all the same (0 for a failed read).
  TG_M_I_READ = 42,
  // [unused] always raises 1 "SKIP instruction not functional".
  TG_M_I_SKIP = 43,
  // [mem] MEM(op) writes itself over the bytes of handle reg (a delimited text without its
  // delimiter). 11012 "The WRITE instruction has been disabled" under the data lock, 54 file
  // open for reading only, 20001 variable-length text. Debug: 11007 when "offset" < 0.
  TG_M_I_WRITE = 44,
  // [unused] raises 11012 under the data lock, else 1 "WRITEPD instruction not functional".
  TG_M_I_WRITEPD = 45,
  // [block] write MEM(op) bytes of value MEM(op+1) to handle reg (nothing for a count not above
  // 0). 54 file open for reading only, 6 for a byte out of range. Debug: 11007 for a count not
  // above 0 or "offset" < 0.
  TG_M_I_BUFFER = 46,
  // [mem] reg := Boolean cell of ("offset" >= length of the file with handle MEM(op)).
  TG_M_I_EOF = 47,
  // [mem] ask the user with prompt MEM(op); reg := new text cell with the answer (by input-box
  // mode; empty when ignored or nobody answers). Debug: 11002 if not text.
  TG_M_I_USERINPUT = 48,
  // [mem] message box: MEM(op)'s first character "O" (OK) or "Y" (Yes/No), then the message;
  // reg := "OK", "Yes", "No" or empty (by message-box mode). A host's handler starts from the
  // box's first button. Raises 11004 "<type> is not a valid NOTIFY type." for another type.
  // Debug: 11002 if not text. Continued: the box is shown with an OK button.
  TG_M_I_NOTIFY = 49,
  // [mem] raise the host event dataChanged(MEM(op) text, reg text).
  TG_M_I_RAISEEVENT = 50,
  // [-] end of the run (the return of a GOSUB).
  TG_M_I_STOP = 51,
  // [mem] two-byte integer: swap its bytes (sign and magnitude); four-byte: reverse its bytes.
  // Debug: 11007 for any other type (the plain run does nothing).
  TG_M_I_FLIPBYTES = 52,
  // [mem] MEM(op) becomes fixed-length text of length reg as Integer, cut or blank-padded (below
  // 1: variable length). Debug: 11002 if not text.
  TG_M_I_SETFIXEDLENGTH = 53,
  // [unused] reg := new Double cell, the seconds since midnight.
  TG_M_I_TIMER = 54,
  // [mem] reg := new Double cell, MEM(op) minus MEM(op) truncated toward zero.
  TG_M_I_FPART = 55,
  // [mem] reg := new Double cell, MEM(op) truncated toward zero.
  TG_M_I_IPART = 56,
  // [-] does nothing.
  TG_M_I_NOP = 57,
  // [mem] reg := new text cell, reg as Integer characters of MEM(op) from its text position,
  // which stays; 5 for a negative count. Debug: 11002 if not text.
  TG_M_I_CHARS = 58,
  // [mem] reg := new Integer cell, the position of reg's text in MEM(op) from its text position,
  // -1 when absent; 6 beyond 32767. Debug: 11002 if not text.
  TG_M_I_SEARCH = 59,
  // [mem] reg := Boolean cell of (reg text Like pattern MEM(op)), case-sensitive; ? * # [..] [!..].
  // 93 for a malformed pattern.
  TG_M_I_LIKE = 60,
  // [mem] reg := Boolean cell, a file (not a folder) named by MEM(op) exists, found without regard
  // to case. Debug: 11002 if not text.
  TG_M_I_FILEEXISTS = 61,
  // [num] reg := new Integer cell holding op itself.
  TG_M_I_LOADNOPOINT = 62,
  // [mem] push the cell MEM(op) itself (not a copy) on the evaluation stack; 6 when it is full.
  TG_M_I_PUSH = 63,
  // [mem] the cell at op := the top cell, removed; nothing on an empty stack.
  TG_M_I_POP = 64,
  // [mem] the cell at op := the top cell, kept. Debug: 11014 "The stack is empty".
  TG_M_I_PEEK = 65,
  // [block] push MEM(op), ..., MEM(op+n-1), n = reg as Integer; 9 for each address outside
  // memory (nothing is pushed for it), 6 when the stack is full. Continued: the rest are pushed.
  TG_M_I_PUSHM = 66,
  // [block] pop n = reg as Integer cells into op+n-1 down to op, undoing a PUSHM of the block (an
  // address outside memory pops nothing); stops when the stack is empty. Debug: 11014 "The stack
  // is empty" for each address left. Continued: the rest are popped.
  TG_M_I_POPM = 67,
  // [mem] MEM(op)'s text to upper case in place. Debug: 11002 if not text.
  TG_M_I_SETTOUPPER = 68,
  // [mem] MEM(op)'s text to lower case in place. Debug: 11002 if not text.
  TG_M_I_SETTOLOWER = 69,
  // [mem] reg := new Long cell, the largest whole number not above MEM(op). Raises 6.
  // Debug: 11007 for values of 2 ^ 64 or more.
  TG_M_I_INT = 70,
  // [mem] the MEX file := handle MEM(op) as Integer.
  TG_M_I_MEXSETFILE = 71,
  // [mem] reg becomes the very cell at MEM(op): both addresses hold one cell.
  TG_M_I_SETREF = 72,
  // [mem] MEM(op)'s text loses its leading and trailing blanks, in place.
  TG_M_I_TRIM = 73,
  // [mem] MEM(op)'s text loses its leading blanks, in place.
  TG_M_I_LTRIM = 74,
  // [mem] MEM(op)'s text loses its trailing blanks, in place.
  TG_M_I_RTRIM = 75,
};
constexpr std::int32_t TG_M_I_VALID_MIN = 0;
constexpr std::int32_t TG_M_I_VALID_MAX = 75;
constexpr std::size_t TG_M_I_COUNT = 76;

// What an instruction's operand designates; fixed per opcode.
enum class OperandKind : std::uint8_t {
  None,             // no operand (STOP, NOP): stored empty or as 0 and never checked
  MemoryAddress,    // the cell at op
  MemoryBlock,      // the cell at op and the cells after it
  IndirectAddress,  // the cell at op holds the address of the cell used
  CodeAddress,      // an instruction address
  Number,           // op itself, a 16-bit number
  Unused,           // carried and checked like a memory address, but the instruction never reads it
};

struct InstructionInfo {
  std::string_view name;  // the script name; lower case except "NOP"
  TG_M_INSTRUCTIONS opcode;
  OperandKind operand;
};

// The instruction set by opcode: instructionTable[i].opcode == i.
inline constexpr std::array<InstructionInfo, TG_M_I_COUNT> instructionTable = {{
    {"goto", TG_M_I_GOTO, OperandKind::CodeAddress},
    {"branch_negative", TG_M_I_BRANCHNEG, OperandKind::CodeAddress},
    {"branch_positive", TG_M_I_BRANCHPOS, OperandKind::CodeAddress},
    {"branch_zero", TG_M_I_BRANCHZERO, OperandKind::CodeAddress},
    {"branch_true", TG_M_I_BRANCHTRUE, OperandKind::CodeAddress},
    {"branch_false", TG_M_I_BRANCHFALSE, OperandKind::CodeAddress},
    {"gosub", TG_M_I_GOSUB, OperandKind::CodeAddress},
    {"load", TG_M_I_LOAD, OperandKind::MemoryAddress},
    {"load_ptr", TG_M_I_LOADPTR, OperandKind::IndirectAddress},
    {"store", TG_M_I_STORE, OperandKind::MemoryAddress},
    {"store_ptr", TG_M_I_STOREPTR, OperandKind::IndirectAddress},
    {"add", TG_M_I_ADD, OperandKind::MemoryAddress},
    {"subtract", TG_M_I_SUBTRACT, OperandKind::MemoryAddress},
    {"multiply", TG_M_I_MULTIPLY, OperandKind::MemoryAddress},
    {"divide", TG_M_I_DIVIDE, OperandKind::MemoryAddress},
    {"modulus", TG_M_I_MODULUS, OperandKind::MemoryAddress},
    {"lessthan", TG_M_I_LESSTHAN, OperandKind::MemoryAddress},
    {"lessthanequal", TG_M_I_LESSTHANEQUAL, OperandKind::MemoryAddress},
    {"greaterthan", TG_M_I_GREATERTHAN, OperandKind::MemoryAddress},
    {"greaterthanequal", TG_M_I_GREATERTHANEQUAL, OperandKind::MemoryAddress},
    {"equal", TG_M_I_EQUAL, OperandKind::MemoryAddress},
    {"notequal", TG_M_I_NOTEQUAL, OperandKind::MemoryAddress},
    {"and", TG_M_I_AND, OperandKind::MemoryAddress},
    {"or", TG_M_I_OR, OperandKind::MemoryAddress},
    {"not", TG_M_I_NOT, OperandKind::MemoryAddress},
    {"cast_uint", TG_M_I_CASTUINT, OperandKind::MemoryAddress},
    {"cast_int2", TG_M_I_CASTINT2, OperandKind::MemoryAddress},
    {"cast_int4", TG_M_I_CASTINT4, OperandKind::MemoryAddress},
    {"cast_single", TG_M_I_CASTSINGLE, OperandKind::MemoryAddress},
    {"cast_double", TG_M_I_CASTDOUBLE, OperandKind::MemoryAddress},
    {"cast_ascii", TG_M_I_CASTASCII, OperandKind::MemoryAddress},
    {"open", TG_M_I_OPEN, OperandKind::MemoryAddress},
    {"close", TG_M_I_CLOSE, OperandKind::MemoryAddress},
    {"len", TG_M_I_LEN, OperandKind::MemoryAddress},
    {"getoffset", TG_M_I_GETOFFSET, OperandKind::MemoryAddress},
    {"setoffset", TG_M_I_SETOFFSET, OperandKind::MemoryAddress},
    {"char", TG_M_I_CHAR, OperandKind::MemoryAddress},
    {"s_eof", TG_M_I_SEOF, OperandKind::MemoryAddress},
    {"string2latlon", TG_M_I_STRING2LATLON, OperandKind::Unused},
    {"lat2string", TG_M_I_LAT2STRING, OperandKind::Unused},
    {"lon2string", TG_M_I_LON2STRING, OperandKind::Unused},
    {"setdelims", TG_M_I_SETDELIMS, OperandKind::MemoryBlock},
    {"read", TG_M_I_READ, OperandKind::MemoryAddress},
    {"skip", TG_M_I_SKIP, OperandKind::Unused},
    {"write", TG_M_I_WRITE, OperandKind::MemoryAddress},
    {"write_pd", TG_M_I_WRITEPD, OperandKind::Unused},
    {"buffer", TG_M_I_BUFFER, OperandKind::MemoryBlock},
    {"eof", TG_M_I_EOF, OperandKind::MemoryAddress},
    {"userinput", TG_M_I_USERINPUT, OperandKind::MemoryAddress},
    {"notify", TG_M_I_NOTIFY, OperandKind::MemoryAddress},
    {"raiseevent", TG_M_I_RAISEEVENT, OperandKind::MemoryAddress},
    {"stop", TG_M_I_STOP, OperandKind::None},
    {"flipbytes", TG_M_I_FLIPBYTES, OperandKind::MemoryAddress},
    {"setfixedlength", TG_M_I_SETFIXEDLENGTH, OperandKind::MemoryAddress},
    {"timer", TG_M_I_TIMER, OperandKind::Unused},
    {"fpart", TG_M_I_FPART, OperandKind::MemoryAddress},
    {"ipart", TG_M_I_IPART, OperandKind::MemoryAddress},
    {"NOP", TG_M_I_NOP, OperandKind::None},
    {"chars", TG_M_I_CHARS, OperandKind::MemoryAddress},
    {"search", TG_M_I_SEARCH, OperandKind::MemoryAddress},
    {"like", TG_M_I_LIKE, OperandKind::MemoryAddress},
    {"fileexists", TG_M_I_FILEEXISTS, OperandKind::MemoryAddress},
    {"loadnopoint", TG_M_I_LOADNOPOINT, OperandKind::Number},
    {"push", TG_M_I_PUSH, OperandKind::MemoryAddress},
    {"pop", TG_M_I_POP, OperandKind::MemoryAddress},
    {"peek", TG_M_I_PEEK, OperandKind::MemoryAddress},
    {"pushm", TG_M_I_PUSHM, OperandKind::MemoryBlock},
    {"popm", TG_M_I_POPM, OperandKind::MemoryBlock},
    {"settoupper", TG_M_I_SETTOUPPER, OperandKind::MemoryAddress},
    {"settolower", TG_M_I_SETTOLOWER, OperandKind::MemoryAddress},
    {"int", TG_M_I_INT, OperandKind::MemoryAddress},
    {"mex_setfile", TG_M_I_MEXSETFILE, OperandKind::MemoryAddress},
    {"setref", TG_M_I_SETREF, OperandKind::MemoryAddress},
    {"trim", TG_M_I_TRIM, OperandKind::MemoryAddress},
    {"ltrim", TG_M_I_LTRIM, OperandKind::MemoryAddress},
    {"rtrim", TG_M_I_RTRIM, OperandKind::MemoryAddress},
}};

static_assert(instructionTable.size() == TG_M_I_VALID_MAX - TG_M_I_VALID_MIN + 1);
static_assert(
    [] {
      for (std::size_t i = 0; i < instructionTable.size(); ++i) {
        if (instructionTable[i].opcode != static_cast<std::int32_t>(i)) return false;
      }
      return true;
    }(),
    "every instruction sits at the position of its opcode");

// Predefined variables: machine addresses 0..15.
enum TG_M_PREDEFINEDVARIABLEINDICIES : std::int32_t {
  TG_M_PVI_REGISTER = 0,
  TG_M_PVI_OFFSET = 1,
  TG_M_PVI_RETURN = 2,
  TG_M_PVI_X = 3,
  TG_M_PVI_Y = 4,
  TG_M_PVI_INDEX = 5,
  TG_M_PVI_ROW = 6,
  TG_M_PVI_COL = 7,
  TG_M_PVI_VALUE = 8,
  TG_M_PVI_FILESIZE = 9,
  TG_M_PVI_PATH = 10,
  TG_M_PVI_FILENAME = 11,
  TG_M_PVI_EXTENSION = 12,
  TG_M_PVI_PROGRESS = 13,
  TG_M_PVI_TIP = 14,
  TG_M_PVI_FILETITLE = 15,
};
constexpr std::int32_t TG_M_PVI_VALID_MIN = 0;
constexpr std::int32_t TG_M_PVI_VALID_MAX = 15;

// A predefined variable. The debug run refuses a STORE into a read-only one; a permanently locked
// one keeps its type for good (memoryDataType refuses to change it, and the debug run refuses
// casts of it and STOREPTR into it).
struct PredefinedVariableInfo {
  std::string_view name;  // written "register" or "p_" + name in operands
  TG_M_PREDEFINEDVARIABLEINDICIES address;
  bool readOnly;
  bool permanentlyLocked;
};

// The predefined variables by address: predefinedVariableTable[a].address == a.
inline constexpr std::array<PredefinedVariableInfo, 16> predefinedVariableTable = {{
    {"register", TG_M_PVI_REGISTER, false, false},
    {"offset", TG_M_PVI_OFFSET, false, true},
    {"return", TG_M_PVI_RETURN, false, false},
    {"x", TG_M_PVI_X, false, false},
    {"y", TG_M_PVI_Y, false, false},
    {"index", TG_M_PVI_INDEX, true, true},
    {"row", TG_M_PVI_ROW, true, true},
    {"col", TG_M_PVI_COL, true, true},
    {"value", TG_M_PVI_VALUE, true, false},
    {"filesize", TG_M_PVI_FILESIZE, true, true},
    {"path", TG_M_PVI_PATH, true, true},
    {"filename", TG_M_PVI_FILENAME, true, true},
    {"extension", TG_M_PVI_EXTENSION, true, true},
    {"progress", TG_M_PVI_PROGRESS, false, true},
    {"tip", TG_M_PVI_TIP, false, true},
    {"filetitle", TG_M_PVI_FILETITLE, false, false},
}};

static_assert(
    [] {
      for (std::size_t i = 0; i < predefinedVariableTable.size(); ++i) {
        if (predefinedVariableTable[i].address != static_cast<std::int32_t>(i)) return false;
      }
      return predefinedVariableTable.size() == TG_M_PVI_VALID_MAX - TG_M_PVI_VALID_MIN + 1;
    }(),
    "every predefined variable sits at the position of its address");

// Routine slots; slot 14 does not exist.
enum TG_M_ROUTINEARRAYINDICIES : std::int32_t {
  TG_M_RAI_DATAPOINT_READ = 0,
  TG_M_RAI_DATAPOINT_WRITE = 1,
  TG_M_RAI_INIT = 2,
  TG_M_RAI_ADD = 3,
  TG_M_RAI_NEXT = 4,
  TG_M_RAI_FIRSTPOINT = 5,
  TG_M_RAI_SETPOS = 6,
  TG_M_RAI_ROW2Y = 7,
  TG_M_RAI_COL2X = 8,
  TG_M_RAI_Y2ROW = 9,
  TG_M_RAI_X2COL = 10,
  TG_M_RAI_I2X = 11,
  TG_M_RAI_I2Y = 12,
  TG_M_RAI_XY2I = 13,
  TG_M_RAI_VALID = 15,
  TG_M_RAI_CREATE = 16,
  TG_M_RAI_DATUMXCON = 17,
  TG_M_RAI_DATUMYCON = 18,
  TG_M_RAI_TERMINATE = 19,
  TG_M_RAI_IFOURPOINT = 20,
  TG_M_RAI_ITWELVEPOINT = 21,
};
constexpr std::int32_t TG_M_RAI_VALID_MIN = 0;
constexpr std::int32_t TG_M_RAI_VALID_MAX = 21;

struct RoutineInfo {
  std::string_view name;
  TG_M_ROUTINEARRAYINDICIES slot;
};

// The routine slots in slot order (21 entries, since slot 14 is not used).
inline constexpr std::array<RoutineInfo, 21> routineTable = {{
    {"datapoint_read", TG_M_RAI_DATAPOINT_READ},
    {"datapoint_write", TG_M_RAI_DATAPOINT_WRITE},
    {"init", TG_M_RAI_INIT},
    {"add", TG_M_RAI_ADD},
    {"next", TG_M_RAI_NEXT},
    {"firstpoint", TG_M_RAI_FIRSTPOINT},
    {"setpos", TG_M_RAI_SETPOS},
    {"row2y", TG_M_RAI_ROW2Y},
    {"col2x", TG_M_RAI_COL2X},
    {"y2row", TG_M_RAI_Y2ROW},
    {"x2col", TG_M_RAI_X2COL},
    {"i2x", TG_M_RAI_I2X},
    {"i2y", TG_M_RAI_I2Y},
    {"xy2i", TG_M_RAI_XY2I},
    {"valid", TG_M_RAI_VALID},
    {"create", TG_M_RAI_CREATE},
    {"datum_xcon", TG_M_RAI_DATUMXCON},
    {"datum_ycon", TG_M_RAI_DATUMYCON},
    {"terminate", TG_M_RAI_TERMINATE},
    {"ifourpoint", TG_M_RAI_IFOURPOINT},
    {"itwelvepoint", TG_M_RAI_ITWELVEPOINT},
}};

static_assert(
    [] {
      for (std::size_t i = 1; i < routineTable.size(); ++i) {
        if (routineTable[i - 1].slot >= routineTable[i].slot) return false;
        if (routineTable[i].slot == 14) return false;
      }
      return routineTable.front().slot == TG_M_RAI_VALID_MIN &&
             routineTable.back().slot == TG_M_RAI_VALID_MAX;
    }(),
    "routine slots ascend from 0 to 21 and skip 14");

// Script properties. A property's allowed values are a fixed list, none at all (any text), or,
// for "nextorder", a list that depends on the "filelayout" setting.
enum class PropertyValueRule : std::uint8_t { Listed, None, ByFileLayout };

namespace property_values {
inline constexpr std::array<std::string_view, 2> gridTypeValues = {"latlon", "utm"};
inline constexpr std::array<std::string_view, 2> dataVoidValues = {"-32100", "-32000"};
inline constexpr std::array<std::string_view, 4> datumValues = {"nad27", "nad83", "by file",
                                                                "by point"};
inline constexpr std::array<std::string_view, 2> dataTypeValues = {"topo", "lulc"};
inline constexpr std::array<std::string_view, 4> fileLayoutValues = {"unspecified", "unordered",
                                                                     "grid", "list"};
inline constexpr std::array<std::string_view, 8> nextOrderGridValues = {
    "+x+y", "+y+x", "-x+y", "+y-x", "+x-y", "-y+x", "-x-y", "-y-x"};
inline constexpr std::array<std::string_view, 2> nextOrderListValues = {"+i", "-i"};
inline constexpr std::array<std::string_view, 2> trueFalseValues = {"true", "false"};
inline constexpr std::array<std::string_view, 2> falseTrueValues = {"false", "true"};
inline constexpr std::array<std::string_view, 3> boundsModeValues = {"utmbounding",
                                                                     "latlonbounding", "4point"};
inline constexpr std::array<std::string_view, 2> resSpecValues = {"meters", "latlon"};
inline constexpr std::array<std::string_view, 2> oneByFileValues = {"1", "byfile"};
inline constexpr std::array<std::string_view, 2> zeroByFileValues = {"0", "byfile"};
inline constexpr std::array<std::string_view, 4> endianValues = {"", "little", "big", "byfile"};
inline constexpr std::array<std::string_view, 2> pixelTypeValues = {"", "FLOAT"};
inline constexpr std::array<std::string_view, 3> rowAxisValues = {"y", "x", "byfile"};
inline constexpr std::array<std::string_view, 1> byFileValues = {"byfile"};
inline constexpr std::array<std::string_view, 2> rowSizeValues = {"automatic", "byfile"};
inline constexpr std::array<std::string_view, 6> dataOverrideValues = {
    "unspecified", "byfile", "1", "2", "4", "5"};
}  // namespace property_values

struct PropertyInfo {
  std::string_view name;
  PropertyValueRule rule;
  std::span<const std::string_view> values;  // Listed only, in the order handed out
  std::string_view defaultValue;             // meaningful when hasDefault
  bool hasDefault;                           // false for "nextorder", which depends on the layout
};

// The script properties in the order getPropertiesList hands them out.
inline constexpr std::array<PropertyInfo, 34> propertyTable = [] {
  using namespace property_values;
  return std::array<PropertyInfo, 34>{{
      {"gridtype", PropertyValueRule::Listed, gridTypeValues, "latlon", true},
      {"datum", PropertyValueRule::Listed, datumValues, "nad27", true},
      {"latlonformat", PropertyValueRule::None, {}, "", true},
      {"datatype", PropertyValueRule::Listed, dataTypeValues, "topo", true},
      {"filelayout", PropertyValueRule::Listed, fileLayoutValues, "unspecified", true},
      {"nextorder", PropertyValueRule::ByFileLayout, {}, {}, false},
      {"datalock", PropertyValueRule::Listed, trueFalseValues, "true", true},
      {"conditionalzone", PropertyValueRule::Listed, falseTrueValues, "false", true},
      {"filetypefilter", PropertyValueRule::None, {}, "*.*", true},
      {"boundsmode", PropertyValueRule::Listed, boundsModeValues, "utmbounding", true},
      {"resspec", PropertyValueRule::Listed, resSpecValues, "meters", true},
      {"interp_closestpoint", PropertyValueRule::Listed, falseTrueValues, "false", true},
      {"interp_4point", PropertyValueRule::Listed, falseTrueValues, "false", true},
      {"interp_12point", PropertyValueRule::Listed, falseTrueValues, "false", true},
      {"selfvalidating", PropertyValueRule::Listed, falseTrueValues, "false", true},
      {"mex_columnstep", PropertyValueRule::Listed, oneByFileValues, "1", true},
      {"mex_tableoffset", PropertyValueRule::Listed, zeroByFileValues, "0", true},
      {"mex_valueoffset", PropertyValueRule::Listed, zeroByFileValues, "0", true},
      {"mex_endian", PropertyValueRule::Listed, endianValues, "", true},
      {"mex_colstart", PropertyValueRule::Listed, byFileValues, "byfile", true},
      {"mex_rowstart", PropertyValueRule::Listed, byFileValues, "byfile", true},
      {"mex_capable", PropertyValueRule::Listed, falseTrueValues, "false", true},
      {"mex_numcolumns", PropertyValueRule::Listed, byFileValues, "byfile", true},
      {"mex_numrows", PropertyValueRule::Listed, byFileValues, "byfile", true},
      {"mex_recordsize", PropertyValueRule::Listed, byFileValues, "byfile", true},
      {"mex_rowaxis", PropertyValueRule::Listed, rowAxisValues, "y", true},
      {"mex_rowheadersize", PropertyValueRule::Listed, zeroByFileValues, "0", true},
      {"mex_rowstep", PropertyValueRule::Listed, oneByFileValues, "1", true},
      {"mex_incrementor", PropertyValueRule::Listed, zeroByFileValues, "0", true},
      {"mex_multiplier", PropertyValueRule::Listed, oneByFileValues, "1", true},
      {"datavoidvalue", PropertyValueRule::Listed, dataVoidValues, "-32100", true},
      {"mex_rowsize", PropertyValueRule::Listed, rowSizeValues, "automatic", true},
      {"mex_dataoverride", PropertyValueRule::Listed, dataOverrideValues, "unspecified", true},
      {"pixeltype", PropertyValueRule::Listed, pixelTypeValues, "", true},
  }};
}();

// "nextorder" values for the "filelayout" settings that have any.
inline constexpr std::span<const std::string_view> nextOrderGridValues =
    property_values::nextOrderGridValues;
inline constexpr std::span<const std::string_view> nextOrderListValues =
    property_values::nextOrderListValues;

static_assert(
    [] {
      for (const PropertyInfo& p : propertyTable) {
        if (p.rule == PropertyValueRule::Listed &&
            (p.values.empty() || p.defaultValue != p.values[0]))
          return false;
        if (p.rule != PropertyValueRule::Listed && !p.values.empty()) return false;
      }
      return true;
    }(),
    "a listed property defaults to its first value");

// Keys through which a script declares the extent of its file, by "boundsmode" value; the
// resolutions "xres" and "yres" come with every mode, in the unit "resspec" names.
struct BoundsKeys {
  std::string_view boundsmode;
  std::span<const std::string_view> keys;
};

namespace bounds_keys {
inline constexpr std::array<std::string_view, 5> utm = {"left_utm", "right_utm", "top_utm",
                                                        "bottom_utm", "utmzone"};
inline constexpr std::array<std::string_view, 4> latlon = {"right_lon", "top_lat", "bottom_lat",
                                                           "left_lon"};
inline constexpr std::array<std::string_view, 8> fourPoint = {
    "nw_lat", "nw_lon", "ne_lat", "ne_lon", "se_lat", "se_lon", "sw_lat", "sw_lon"};
inline constexpr std::array<std::string_view, 2> resolution = {"xres", "yres"};
}  // namespace bounds_keys

inline constexpr std::array<BoundsKeys, 3> boundsKeysTable = {{
    {"utmbounding", bounds_keys::utm},
    {"latlonbounding", bounds_keys::latlon},
    {"4point", bounds_keys::fourPoint},
}};
inline constexpr std::span<const std::string_view> resolutionKeys = bounds_keys::resolution;

// Resolution comparison modes of the priority rules.
enum TG_RESCOMPAREMODES : std::int32_t {
  TG_RCM_SMALLESTAREA = 0,
  TG_RCM_GREATESTAREA = 1,
  TG_RCM_SMALLESTXRES = 2,
  TG_RCM_GREATESTXRES = 3,
  TG_RCM_SMALLESTYRES = 4,
  TG_RCM_GREATESTYRES = 5,
};

struct RCMInfo {
  std::string_view name;  // display text
  TG_RESCOMPAREMODES value;
};

// The resolution comparison modes by value: rcmTable[v].value == v.
inline constexpr std::array<RCMInfo, 6> rcmTable = {{
    {"Best Area", TG_RCM_SMALLESTAREA},
    {"Worst area", TG_RCM_GREATESTAREA},
    {"Best x-resolution", TG_RCM_SMALLESTXRES},
    {"Worst x-resolution", TG_RCM_GREATESTXRES},
    {"Best y-resolution", TG_RCM_SMALLESTYRES},
    {"Worst y-resolution", TG_RCM_GREATESTYRES},
}};

static_assert(
    [] {
      for (std::size_t i = 0; i < rcmTable.size(); ++i) {
        if (rcmTable[i].value != static_cast<std::int32_t>(i)) return false;
      }
      return true;
    }(),
    "every comparison mode sits at the position of its value");

// The general errors (the vocabulary lookups raise theirs with no source text).
enum TG_ERRORS : std::int32_t {
  TG_E_NOSUCHINSTRUCTION = 12001,
  TG_E_NOSUCHPREDEFINEDVARIABLE = 12002,
  TG_E_NOSUCHROUTINE = 12003,
  TG_E_NOSUCHPROPERTY = 12004,
  TG_E_NOPROPERTYVALUES = 12005,
  TG_E_NOFILES = 12009,  // area preparation found no file
  TG_E_NOSUCHRCM = 12010,
  TG_E_SPRNOTUNIQUE = 12013,
  TG_E_INVALIDDATA = 12014,
};

// Lookups between names and numbers. Unless a comment says otherwise, a name is trimmed of blanks
// and compared without regard to case; errors carry no source text and quote the name exactly as
// it was passed.

// The display name of a comparison mode; empty for any other value.
std::string getRCMName(TG_RESCOMPAREMODES rcm);
// The mode whose name equals `rcm` without regard to case (no trimming). Raises 12010
// "\"<rcm>\" is not a recognized resolution comparisson mode".
TG_RESCOMPAREMODES getRCMValue(std::string_view rcm);

// The script name of an opcode; empty outside 0..75.
std::string getInstructionName(TG_M_INSTRUCTIONS instruction);
// The opcode of a script name ("nop" and " NOP " both give 57). Raises 12001
// "\"<name>\" is not a recognized instruction name."
TG_M_INSTRUCTIONS getInstructionValue(std::string_view name);

// The columns of the predefined-variable table; false for any address outside 0..15.
bool isPermanentlyLocked(TG_M_PREDEFINEDVARIABLEINDICIES address);
bool isReadOnly(TG_M_PREDEFINEDVARIABLEINDICIES address);
// The bare name of a predefined variable ("offset", never "p_offset"); empty outside 0..15.
std::string getPDVName(TG_M_PREDEFINEDVARIABLEINDICIES pdv);
// Raises 12002 "\"<name>\" is not a recognized pre-defined variable name."
TG_M_PREDEFINEDVARIABLEINDICIES getPDVValue(std::string_view name);
// True for the 16 bare names; the operand form "p_x" is not one of them.
bool isValidPDVName(std::string_view name);

// The name of a routine slot; empty for 14 and anything outside 0..21.
std::string getRoutineName(TG_M_ROUTINEARRAYINDICIES routine);
// Raises 12003 "\"<name>\" is not a valid routine name."
TG_M_ROUTINEARRAYINDICIES getRoutineValue(std::string_view name);
// True exactly when getRoutineValue(name) succeeds.
bool isValidRoutineName(std::string_view name);

// The 34 script property names, in table order.
std::vector<std::string> getPropertiesList();
// The allowed values of a property, in table order; `filelayoutSetting` (lower-cased, not
// trimmed) matters only for "nextorder". Raises 12005 for "latlonformat" and "filetypefilter",
// which take any text, and for "nextorder" unless the layout is "grid" or "list"; 12004
// "\"<name>\" is not a recognized property name." for any other unknown name.
std::vector<std::string> getPropertyValuesList(std::string_view propertyName,
                                               std::string_view filelayoutSetting = {});
bool isRecognizedProperty(std::string_view name);
// The default of a property: "" for "latlonformat", "*.*" for "filetypefilter", otherwise the
// first value of getPropertyValuesList(name, "unspecified"), so "nextorder" and unknown names
// raise that function's errors. `filelayoutSetting` is accepted and ignored.
std::string getDefaultPropertySetting(std::string_view name,
                                      std::string_view filelayoutSetting = {});

}  // namespace tg
