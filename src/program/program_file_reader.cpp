// Reading a program image. The reader is strict: every count, code and address is checked
// before it is used, and a damaged image is refused with a numbered error that quotes the
// offending value. The one inconsistency it repairs is a variable used beyond the declared
// memory size: the memory grows and the host hears of it through dataCorrected.
//
// Every count in an image is an Integer, so no list can grow beyond 32767 entries, and every
// entry must actually be present in the file before the next is read; a hostile image therefore
// cannot make the reader allocate much more than the file's own size.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "program/program_image.hpp"
#include "support/conversions.hpp"
#include "support/error_report.hpp"
#include "support/file_layer.hpp"
#include "support/procedure_trace.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"

namespace tg {

using namespace program_image;

namespace {

constexpr const char* kReadSource = "TessaglyphProgram::readProgram";
// How much of the file one look at it fetches; sections usually follow one another.
constexpr std::size_t kWindowLength = 4096;

constexpr const char* kInitializerCorrection =
    "The value for the amount of needed memory was incorrect, because a memory initializer "
    "existed beyond the range of the specified value.  The amount of memory needed has been "
    "increased accordingly.  Note that this may cause gaps of unused variables.";
constexpr const char* kOperandCorrection =
    "The value for the amount of needed memory was incorrect, because an operand existed beyond "
    "the range of the specified value.  The amount of memory needed has been increased "
    "accordingly.  Note that this may cause gaps of unused variables.";
constexpr const char* kDebugNameCorrection =
    "The value for the amount of needed memory was incorrect, because a named variable from the "
    "file's debug info section existed beyond the range of the specified value.  The amount of "
    "memory needed has been increased accordingly.  Note that this may cause gaps of unused "
    "variables.";

// The refusal of a damaged image: 10001 with a message that quotes the offending value in
// brackets, as in "Invalid data type [9].".
[[noreturn]] void refuse(std::string_view before, std::int64_t value, std::string_view after) {
  throw Error(TG_P_E_INVALIDDATAERROR, kReadSource,
              std::string(before) + "[" + std::to_string(value) + "]" + std::string(after));
}

[[noreturn]] void refuse(std::string description) {
  throw Error(TG_P_E_INVALIDDATAERROR, kReadSource, std::move(description));
}

// The errors readProgram hands to its caller; every other one goes to the error report.
bool passesToCaller(std::int32_t number) {
  switch (number) {
    case TG_P_E_INVALIDDATAERROR:
    case TG_P_E_NOTPROGRAMDATAERROR:
    case PLATFORM_E_BADFILENAMEORNUMBER:
    case PLATFORM_E_BADFILEMODE:
    case PLATFORM_E_INPUTPASTENDOFFILE:
    case PLATFORM_E_BADRECORDNUMBER:
      return true;
    default:
      return false;
  }
}

// Reads the fields of an image at 1-based positions through a window over the file. A position
// below 1 raises 63; a field that runs past the end of the file (or past the last position a
// Long can name) raises 62.
class ImageCursor {
 public:
  explicit ImageCursor(Integer handle) : m_handle(handle) {}

  std::int64_t position() const { return m_position; }
  void seek(std::int64_t position) { m_position = position; }

  // Up to `count` bytes; fewer where the file ends.
  std::string readSome(std::size_t count) {
    if (m_position < 1 || m_position > std::numeric_limits<Long>::max()) {
      raisePlatformError(PLATFORM_E_BADRECORDNUMBER);
    }
    std::string bytes(count, '\0');
    bytes.resize(readFileSomeAt(m_handle, Long(m_position), bytes.data(), count));
    m_position += std::int64_t(bytes.size());
    return bytes;
  }

  Byte readByte() { return load<Byte>(take(1)); }
  Integer readInteger() { return load<Integer>(take(2)); }
  Long readLong() { return load<Long>(take(4)); }
  Single readSingle() { return load<Single>(take(4)); }
  Double readDouble() { return load<Double>(take(8)); }

  std::string readBytes(std::size_t count) {
    if (count == 0) return {};
    return std::string(reinterpret_cast<const char*>(take(count)), count);
  }

  // An Integer count followed by that many bytes.
  std::string readString() {
    const Integer count = readInteger();
    if (count < 0) refuse("String size descriptor less than zero ", count, ".");
    return readBytes(std::size_t(count));
  }

 private:
  // `count` (at least 1) bytes at the current position, which then moves past them.
  const unsigned char* take(std::size_t count) {
    if (m_position < 1) raisePlatformError(PLATFORM_E_BADRECORDNUMBER);
    const std::int64_t end = m_position + std::int64_t(count);
    // The position after the field must still be a Long: readProgram returns it.
    if (end > std::numeric_limits<Long>::max()) raisePlatformError(PLATFORM_E_INPUTPASTENDOFFILE);
    const std::int64_t windowEnd = m_windowStart + std::int64_t(m_windowLength);
    if (m_position < m_windowStart || end > windowEnd) {
      // The buffer only ever grows, so refills cost no allocation.
      if (m_window.size() < std::max(count, kWindowLength)) {
        m_window.resize(std::max(count, kWindowLength));
      }
      m_windowLength = readFileSomeAt(m_handle, Long(m_position), m_window.data(), m_window.size());
      m_windowStart = m_position;
      if (m_windowLength < count) raisePlatformError(PLATFORM_E_INPUTPASTENDOFFILE);
    }
    const unsigned char* bytes = m_window.data() + (m_position - m_windowStart);
    m_position = end;
    return bytes;
  }

  Integer m_handle;
  std::int64_t m_position = 1;
  std::int64_t m_windowStart = 0;
  std::size_t m_windowLength = 0;  // bytes of m_window that hold file data
  std::vector<unsigned char> m_window;
};

// Marks the program as being read for the lifetime of one readProgram call.
class ReadingMark {
 public:
  explicit ReadingMark(bool& flag) : m_flag(flag) { m_flag = true; }
  ~ReadingMark() { m_flag = false; }
  ReadingMark(const ReadingMark&) = delete;
  ReadingMark& operator=(const ReadingMark&) = delete;

 private:
  bool& m_flag;
};

}  // namespace

// Fills a program from one image, section by section. The program's lists are written directly:
// the image holds numbers, and createSymbolicData turns them into names at the end.
class ProgramFileReader {
 public:
  ProgramFileReader(TessaglyphProgram& program, Integer handle, ProcedureScope& scope)
      : m_program(program), m_cursor(handle), m_scope(scope) {}

  // Reads the image at `offset`; returns the position after its last byte.
  Long read(Long offset) {
    m_scope.step(1);
    readMagic(offset);
    // The old content goes only once the file is known to hold a program.
    m_program.resetContent();
    m_program.m_reading = true;

    m_scope.step(2);
    m_cursor.seek(std::int64_t(offset) + kRoutinesPositionAt);
    const Long routinesAt = m_cursor.readLong();
    const Long attributesAt = m_cursor.readLong();
    const Long literalsAt = m_cursor.readLong();
    const Long codeAt = m_cursor.readLong();
    const Long debugAt = m_cursor.readLong();
    const Integer propertyCount = m_cursor.readInteger();
    if (routinesAt < 0) {
      refuse("The header value for the routines table offset ", routinesAt, " is less than zero.");
    }
    if (attributesAt < 0) {
      refuse("The header value for the attributes table offset ", attributesAt,
             " is less than zero.");
    }
    if (literalsAt < 0) {
      refuse("The header value for the literals table offset ", literalsAt, " is less than zero.");
    }
    if (codeAt < 0) {
      refuse("The header value for the code section offset ", codeAt, " is less than zero.");
    }
    if (debugAt < kNoDebugSection) {
      refuse("The header value for the debug section offset ", debugAt,
             " is less than negative one.");
    }
    if (propertyCount < 0) {
      refuse("The header value for the number of properties ", propertyCount,
             " was less than zero.");
    }

    m_scope.step(3);
    readProperties(propertyCount);
    m_scope.step(4);
    readRoutines(routinesAt);
    m_scope.step(5);
    readAttributes(attributesAt);
    m_scope.step(6);
    readLiterals(literalsAt);
    readCode(codeAt);
    if (debugAt != kNoDebugSection) {
      m_scope.step(10);
      readDebug(debugAt);
    }
    const auto end = Long(m_cursor.position());

    m_scope.step(11);
    // A location or operand that designates no instruction, literal or variable is no refusal
    // of the format's own: it is an unexpected failure, reported rather than raised.
    try {
      m_program.createSymbolicData();
    } catch (const Error& error) {
      throw Error(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kReadSource, error.description());
    }
    return end;
  }

 private:
  void readMagic(Long offset) {
    m_cursor.seek(offset);
    const std::string sentinel = m_cursor.readSome(std::size_t(kMagicLength));
    if (sentinel != kMagic) {
      throw Error(TG_P_E_NOTPROGRAMDATAERROR, kReadSource,
                  "The data sentinel [" + sentinel + "] did not match the correct sentinel [" +
                      std::string(kMagic) + "].");
    }
  }

  void readProperties(Integer count) {
    for (Integer i = 0; i < count; ++i) {
      TG_P_PROPERTY property;
      property.propertyName = m_cursor.readString();
      property.propertyValue = m_cursor.readString();
      if (property.propertyName.empty()) refuse("A blank property name encountered.");
      m_program.m_properties.push_back(std::move(property));
    }
  }

  void readRoutines(Long at) {
    m_cursor.seek(at);
    const Integer count = m_cursor.readInteger();
    if (count < 0) refuse("The value for the number of routines ", count, " was less than zero.");
    for (Integer i = 0; i < count; ++i) {
      const std::string field = m_cursor.readBytes(kRoutineNameWidth);
      const Integer location = m_cursor.readInteger();
      const auto name = trimBlanks(field);
      if (name.empty()) refuse("A blank routine name was encountered.");
      if (location < 0) {
        refuse("A value specified for routine location ", location, " was less than zero.");
      }
      TG_P_ROUTINE routine{std::string(name), std::to_string(location)};
      const std::string message = m_program.validateRoutine(routine);
      if (!message.empty()) refuse(message);
      m_program.m_routines.push_back(std::move(routine));
    }
  }

  void readAttributes(Long at) {
    m_cursor.seek(at);
    const Integer count = m_cursor.readInteger();
    if (count < 0) {
      refuse("The value for the number of attributes ", count, " was less than zero.");
    }
    for (Integer i = 0; i < count; ++i) {
      TG_P_ATTRIBUTE attribute;
      attribute.name = m_cursor.readString();

      const Byte attributeType = m_cursor.readByte();
      if (attributeType < TG_P_AT_VAR || attributeType > TG_P_AT_DATAPOINT) {
        refuse("Invalid attribute type ", attributeType, ".");
      }
      attribute.attributeType = TG_P_ATTRIBUTETYPES(attributeType);

      const Byte dataType = m_cursor.readByte();
      if (dataType < TG_P_DT_UNSIGNEDINTEGER || dataType > TG_P_DT_DELIMITEDASCII) {
        refuse("Invalid data type ", dataType, ".");
      }
      attribute.dataType = TG_P_DATATYPES(dataType);

      const Byte delimiterCount = m_cursor.readByte();
      const bool delimited = dataType == TG_P_DT_DELIMITEDASCII;
      if (delimited ? delimiterCount == 0 : delimiterCount != 1) {
        refuse("Invalid number of delimiters ", delimiterCount,
               " for given data type (" + std::to_string(dataType) + ").");
      }
      if (delimited) {
        std::vector<std::string> delimiters;
        for (Byte d = 0; d < delimiterCount; ++d)
          delimiters.push_back(m_cursor.readString());
        attribute.delimiterList = Array<std::string>(1, std::move(delimiters));
      } else {
        const Integer sizeWidth = m_cursor.readInteger();
        if (sizeWidth != kAttributeSizeWidth) refuse("Invalid data size ", sizeWidth, ".");
        const Integer size = m_cursor.readInteger();
        // Only text and integer attributes keep their size; the others' is implied by the type.
        if (dataType == TG_P_DT_ASCII || dataType == TG_P_DT_INTEGER) {
          // The size is a Byte: anything else overflows, which is no refusal of the format.
          if (size < 0 || size > std::numeric_limits<Byte>::max()) {
            raisePlatformError(PLATFORM_E_OVERFLOW, kReadSource);
          }
          attribute.size = Byte(size);
        }
      }

      const Integer readLocation = m_cursor.readInteger();
      if (readLocation < 0) refuse("Invalid read offset value ", readLocation, ".");
      const Integer writeLocation = m_cursor.readInteger();
      if (writeLocation < -1) refuse("Invalid write offset value ", writeLocation, ".");
      attribute.readLocation = std::to_string(readLocation);
      attribute.writeLocation = std::to_string(writeLocation);

      attribute.commentString = m_cursor.readString();
      attribute.tipString = m_cursor.readString();
      m_program.m_attributes.push_back(std::move(attribute));
    }
  }

  void readLiterals(Long at) {
    m_cursor.seek(at);
    const Integer count = m_cursor.readInteger();
    if (count < 0) refuse("Invalid value for number of literals ", count, ".");
    for (Integer i = 0; i < count; ++i) {
      const Byte dataType = m_cursor.readByte();
      if (dataType < TG_P_DT_UNSIGNEDINTEGER || dataType > TG_P_DT_ASCII) {
        refuse("Invalid literal data type ", dataType, ".");
      }
      const Integer size = m_cursor.readInteger();
      if (size < 0) refuse("Invalid literal size ", size, ".");

      TG_P_LITERAL literal{TG_P_DATATYPES(dataType), size, {}};
      switch (dataType) {
        case TG_P_DT_UNSIGNEDINTEGER:
          literal.value = std::to_string(m_cursor.readByte());
          break;
        case TG_P_DT_INTEGER:
          // Only the two integer widths carry a value.
          if (size == 2) literal.value = std::to_string(m_cursor.readInteger());
          if (size == 4) literal.value = std::to_string(m_cursor.readLong());
          break;
        case TG_P_DT_SINGLE:
          literal.value = singleToText(m_cursor.readSingle());
          break;
        case TG_P_DT_DOUBLE:
          literal.value = doubleToText(m_cursor.readDouble());
          break;
        default:
          literal.value = m_cursor.readBytes(std::size_t(size));
          break;
      }
      m_program.m_literals.push_back(TessaglyphProgram::LiteralEntry{std::move(literal), {}});
    }
  }

  void readCode(Long at) {
    m_scope.step(7);
    m_cursor.seek(at);
    const Integer instructionCount = m_cursor.readInteger();
    const Integer neededMemory = m_cursor.readInteger();
    const Integer initializerCount = m_cursor.readInteger();
    if (instructionCount < 1) {
      refuse("The value for the number of instructions ", instructionCount, " is less than one.");
    }
    if (neededMemory < 0) {
      refuse("The value for the needed memory ", neededMemory, " is less than zero.");
    }
    if (initializerCount < 0) {
      refuse("The value for the number memory initializers ", initializerCount,
             " was less than zero.");
    }
    m_program.m_variables.clear();
    m_program.resizeVariables(neededMemory);

    m_scope.step(8);
    for (Integer i = 0; i < initializerCount; ++i) {
      const Integer variable = m_cursor.readInteger();
      const Byte dataType = m_cursor.readByte();
      if (variable < 0) {
        refuse("The value for an initialization address ", variable, " was less than zero.");
      }
      if (dataType < TG_P_DT_UNSIGNEDINTEGER || dataType > TG_P_DT_DELIMITEDASCII) {
        refuse("The value for an initialization data type ", dataType, " was invalid.");
      }
      m_program.correctNeededMemory(Long(variable) + 1, kInitializerCorrection);
      m_program.m_variables[std::size_t(variable)].type = TG_P_DATATYPES(dataType);
    }

    m_scope.step(9);
    for (Integer i = 0; i < instructionCount; ++i) {
      const Integer opcode = m_cursor.readInteger();
      const Integer operand = m_cursor.readInteger();
      const Byte segment = m_cursor.readByte();
      if (opcode < TG_M_I_VALID_MIN || opcode > TG_M_I_VALID_MAX) {
        refuse("A value for an instruction code ", opcode, " was invalid.");
      }
      if (segment > TG_P_DS_EXPLICITCODE)
        refuse("A value for data segment ", segment, " was invalid.");
      if (opcode != TG_M_I_STOP && opcode != TG_M_I_NOP) {
        checkOperand(operand, TG_P_DATASEGMENTS(segment), instructionCount);
      }
      TG_P_INSTRUCTION instruction{TG_M_INSTRUCTIONS(opcode),
                                   opcode == TG_M_I_STOP ? std::string() : std::to_string(operand),
                                   TG_P_DATASEGMENTS(segment)};
      m_program.m_instructions.push_back(
          TessaglyphProgram::InstructionEntry{std::move(instruction), {}, 0});
    }
  }

  // Refuses an operand that points outside its space; grows the memory for a variable beyond it.
  void checkOperand(Integer operand, TG_P_DATASEGMENTS segment, Integer instructionCount) {
    const auto numLiterals = Long(m_program.m_literals.size());
    const auto numVariables = Long(m_program.m_variables.size());
    switch (segment) {
      case TG_P_DS_DATA:
        // A negative variable number would address memory before the first variable.
        if (operand < 0) raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kReadSource);
        m_program.correctNeededMemory(Long(operand) + 1, kOperandCorrection);
        break;
      case TG_P_DS_INSTRUCTION:
      case TG_P_DS_EXPLICITCODE:
        if (operand < 0 || operand >= instructionCount) {
          refuse("An instruction operand ", operand,
                 " contained an invalid address for code space.");
        }
        break;
      case TG_P_DS_CONSTANT:
        if (operand < 0 || operand >= numLiterals) {
          refuse("An instruction operand ", operand,
                 " contained an invalid address for literal space.");
        }
        break;
      case TG_P_DS_PREDEFINED:
        if (operand < TG_M_PVI_VALID_MIN || operand > TG_M_PVI_VALID_MAX) {
          refuse("An instruction operand ", operand,
                 " contained an invalid address for predefined variable space.");
        }
        break;
      case TG_P_DS_EXPLICIT:
        if (Long(operand) > 15 + numLiterals + numVariables) {
          m_program.correctNeededMemory(Long(operand) - numLiterals - 15, kOperandCorrection);
        }
        break;
    }
  }

  void readDebug(Long at) {
    m_cursor.seek(at);
    const Integer nameCount = m_cursor.readInteger();
    if (nameCount < 0) {
      refuse("The value for the number of variable names ", nameCount, " was less than zero.");
    }
    for (Integer i = 0; i < nameCount; ++i) {
      const Integer variable = m_cursor.readInteger();
      std::string name = m_cursor.readString();
      // A negative variable number would name memory before the first variable.
      if (variable < 0) raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kReadSource);
      m_program.correctNeededMemory(Long(variable) + 1, kDebugNameCorrection);
      m_program.m_variables[std::size_t(variable)].debugName = std::move(name);
    }

    const Integer tagCount = m_cursor.readInteger();
    if (tagCount < 0) {
      refuse("The value for the number of line number tags ", tagCount, " was less than zero.");
    }
    const auto instructionCount = Long(m_program.m_instructions.size());
    for (Integer i = 0; i < tagCount; ++i) {
      const Integer address = m_cursor.readInteger();
      const Integer line = m_cursor.readInteger();
      if (address < 0 || address >= instructionCount) {
        refuse("A value for an instruction address ", address, " was invalid.");
      }
      if (line < 1) {
        refuse("A value for a debugging information line number ", line, " was less than one.");
      }
      m_program.m_instructions[std::size_t(address)].debugLine = line;
    }
  }

  TessaglyphProgram& m_program;
  ImageCursor m_cursor;
  ProcedureScope& m_scope;
};

Long TessaglyphProgram::readProgram(const std::string& file, Long offset) {
  ProcedureScope scope(TG_P_PN_READPROGRAM, kReadSource);
  ReadingMark reading(m_reading);
  try {
    Long end = 0;
    {
      ScopedFile source(file, FileOpenMode::ReadOnly);
      end = ProgramFileReader(*this, source.handle(), scope).read(offset);
    }
    m_lastUsedFilename = file;
    return end;
  } catch (const Error& error) {
    // The file is closed by now; the reading mark is cleared on the way out.
    if (passesToCaller(error.number())) {
      throw Error(error.number(), kReadSource, error.description());
    }
    reportCurrentException();
  } catch (...) {
    reportCurrentException();
  }
  return -1;
}

}  // namespace tg
