// The fixed vocabulary of the script language: instruction mnemonics and opcodes, predefined
// variables, routine slots, script properties with their allowed values and defaults, and the
// resolution comparison modes. The lookups are stateless; `Tessaglyph` exposes the same ones.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

// Instruction set. The operand is a memory address (MEM(op)), an instruction address or unused,
// by opcode.
enum TG_M_INSTRUCTIONS : std::int32_t {
  TG_M_I_GOTO = 0,
  TG_M_I_BRANCHNEG = 1,
  TG_M_I_BRANCHPOS = 2,
  TG_M_I_BRANCHZERO = 3,
  TG_M_I_BRANCHTRUE = 4,
  TG_M_I_BRANCHFALSE = 5,
  TG_M_I_GOSUB = 6,
  TG_M_I_LOAD = 7,
  TG_M_I_LOADPTR = 8,
  TG_M_I_STORE = 9,
  TG_M_I_STOREPTR = 10,
  TG_M_I_ADD = 11,
  TG_M_I_SUBTRACT = 12,
  TG_M_I_MULTIPLY = 13,
  TG_M_I_DIVIDE = 14,
  TG_M_I_MODULUS = 15,
  TG_M_I_LESSTHAN = 16,
  TG_M_I_LESSTHANEQUAL = 17,
  TG_M_I_GREATERTHAN = 18,
  TG_M_I_GREATERTHANEQUAL = 19,
  TG_M_I_EQUAL = 20,
  TG_M_I_NOTEQUAL = 21,
  TG_M_I_AND = 22,
  TG_M_I_OR = 23,
  TG_M_I_NOT = 24,
  TG_M_I_CASTUINT = 25,
  TG_M_I_CASTINT2 = 26,
  TG_M_I_CASTINT4 = 27,
  TG_M_I_CASTSINGLE = 28,
  TG_M_I_CASTDOUBLE = 29,
  TG_M_I_CASTASCII = 30,
  TG_M_I_OPEN = 31,
  TG_M_I_CLOSE = 32,
  TG_M_I_LEN = 33,
  TG_M_I_GETOFFSET = 34,
  TG_M_I_SETOFFSET = 35,
  TG_M_I_CHAR = 36,
  TG_M_I_SEOF = 37,
  TG_M_I_STRING2LATLON = 38,
  TG_M_I_LAT2STRING = 39,
  TG_M_I_LON2STRING = 40,
  TG_M_I_SETDELIMS = 41,
  TG_M_I_READ = 42,
  TG_M_I_SKIP = 43,
  TG_M_I_WRITE = 44,
  TG_M_I_WRITEPD = 45,
  TG_M_I_BUFFER = 46,
  TG_M_I_EOF = 47,
  TG_M_I_USERINPUT = 48,
  TG_M_I_NOTIFY = 49,
  TG_M_I_RAISEEVENT = 50,
  TG_M_I_STOP = 51,
  TG_M_I_FLIPBYTES = 52,
  TG_M_I_SETFIXEDLENGTH = 53,
  TG_M_I_TIMER = 54,
  TG_M_I_FPART = 55,
  TG_M_I_IPART = 56,
  TG_M_I_NOP = 57,
  TG_M_I_CHARS = 58,
  TG_M_I_SEARCH = 59,
  TG_M_I_LIKE = 60,
  TG_M_I_FILEEXISTS = 61,
  TG_M_I_LOADNOPOINT = 62,
  TG_M_I_PUSH = 63,
  TG_M_I_POP = 64,
  TG_M_I_PEEK = 65,
  TG_M_I_PUSHM = 66,
  TG_M_I_POPM = 67,
  TG_M_I_SETTOUPPER = 68,
  TG_M_I_SETTOLOWER = 69,
  TG_M_I_INT = 70,
  TG_M_I_MEXSETFILE = 71,
  TG_M_I_SETREF = 72,
  TG_M_I_TRIM = 73,
  TG_M_I_LTRIM = 74,
  TG_M_I_RTRIM = 75,
};
constexpr std::int32_t TG_M_I_VALID_MIN = 0;
constexpr std::int32_t TG_M_I_VALID_MAX = 75;
constexpr std::size_t TG_M_I_COUNT = 76;

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

// Resolution comparison modes of the priority rules.
enum TG_RESCOMPAREMODES : std::int32_t {
  TG_RCM_SMALLESTAREA = 0,
  TG_RCM_GREATESTAREA = 1,
  TG_RCM_SMALLESTXRES = 2,
  TG_RCM_GREATESTXRES = 3,
  TG_RCM_SMALLESTYRES = 4,
  TG_RCM_GREATESTYRES = 5,
};

// Errors of the vocabulary lookups (raised with no source text).
enum TG_ERRORS : std::int32_t {
  TG_E_NOSUCHINSTRUCTION = 12001,
  TG_E_NOSUCHPREDEFINEDVARIABLE = 12002,
  TG_E_NOSUCHROUTINE = 12003,
  TG_E_NOSUCHPROPERTY = 12004,
  TG_E_NOPROPERTYVALUES = 12005,
  TG_E_NOSUCHRCM = 12010,
};

std::string getRCMName(TG_RESCOMPAREMODES rcm);
TG_RESCOMPAREMODES getRCMValue(std::string_view rcm);
std::string getInstructionName(TG_M_INSTRUCTIONS instruction);
TG_M_INSTRUCTIONS getInstructionValue(std::string_view name);
bool isPermanentlyLocked(TG_M_PREDEFINEDVARIABLEINDICIES address);
bool isReadOnly(TG_M_PREDEFINEDVARIABLEINDICIES address);
std::string getPDVName(TG_M_PREDEFINEDVARIABLEINDICIES pdv);
TG_M_PREDEFINEDVARIABLEINDICIES getPDVValue(std::string_view name);
bool isValidPDVName(std::string_view name);
std::string getRoutineName(TG_M_ROUTINEARRAYINDICIES routine);
TG_M_ROUTINEARRAYINDICIES getRoutineValue(std::string_view name);
bool isValidRoutineName(std::string_view name);
std::vector<std::string> getPropertiesList();
std::vector<std::string> getPropertyValuesList(std::string_view propertyName,
                                               std::string_view filelayoutSetting = {});
bool isRecognizedProperty(std::string_view name);
std::string getDefaultPropertySetting(std::string_view name,
                                      std::string_view filelayoutSetting = {});

}  // namespace tg
