// Writing a program image. The image is built in memory from a resolved copy of the program, so
// that a failure part-way (a literal that does not convert, a name that does not resolve) leaves
// the program as it was. The sections follow one another without gaps after the header; the
// header with its marker goes to the file last, so the marker never stands in front of an image
// that is not yet all there.
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
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"

namespace tg {

using namespace program_image;

namespace {

constexpr const char* kWriteSource = "TessaglyphProgram::writeProgram";
constexpr const char* kLiteralOverflow =
    "A value supplied in one of the literal value strings was large for its specified data type.";

// A literal's text that does not fit its type: the one overflow writeProgram names to its caller.
class LiteralOverflow : public Error {
 public:
  LiteralOverflow() : Error(PLATFORM_E_OVERFLOW, kWriteSource, kLiteralOverflow) {}
};

// The file errors writeProgram hands to its caller; every other one goes to the error report.
bool passesToCaller(std::int32_t number) {
  return number == PLATFORM_E_BADFILENAMEORNUMBER || number == PLATFORM_E_BADFILEMODE ||
         number == PLATFORM_E_BADRECORDNUMBER;
}

[[noreturn]] void cannotWrite(std::string description) {
  throw Error(TG_P_E_CANNOTWRITEPROGRAMERROR, kWriteSource, std::move(description));
}

// A value that must fit a narrower field of the image; 6 "Overflow" when it does not.
template <typename T>
T narrow(std::int64_t value) {
  if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) {
    raisePlatformError(PLATFORM_E_OVERFLOW);
  }
  return T(value);
}

// A resolved location or operand: decimal text, empty meaning 0.
Integer numberField(const std::string& text) {
  if (text.empty()) return 0;
  return roundToInteger(textToDouble(text));
}

// Runs a literal's conversion, naming an overflow as the literal's.
template <typename Convert>
auto convertLiteral(Convert&& convert) {
  try {
    return convert();
  } catch (const Error& error) {
    if (error.number() == PLATFORM_E_OVERFLOW) throw LiteralOverflow();
    throw;
  }
}

// The image's bytes in the order they go to the file, with the file position each one gets.
class ImageBuffer {
 public:
  explicit ImageBuffer(std::int64_t firstPosition) : m_firstPosition(firstPosition) {}

  // The file position of the next byte; it must be a Long, as every position in the image is.
  Long position() const { return narrow<Long>(m_firstPosition + std::int64_t(m_bytes.size())); }

  template <typename T>
  void put(T value) {
    unsigned char bytes[sizeof(T)];
    store(value, bytes);
    m_bytes.insert(m_bytes.end(), bytes, bytes + sizeof(T));
  }
  void putByte(Byte value) { put(value); }
  void putInteger(Integer value) { put(value); }
  void putLong(Long value) { put(value); }
  void putBytes(std::string_view bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
  }
  // An Integer count and the bytes; a text too long for the count raises 6.
  void putString(std::string_view text) {
    putInteger(narrow<Integer>(std::int64_t(text.size())));
    putBytes(text);
  }
  // Count fields of lists, which the program keeps within an Integer.
  void putCount(std::size_t count) { putInteger(narrow<Integer>(std::int64_t(count))); }

  const std::vector<unsigned char>& bytes() const { return m_bytes; }

 private:
  std::int64_t m_firstPosition;
  std::vector<unsigned char> m_bytes;
};

}  // namespace

// Builds the image of a program in resolved, numeric form.
class ProgramFileWriter {
 public:
  ProgramFileWriter(const TessaglyphProgram& program, ProcedureScope& scope, Long offset)
      : m_program(program),
        m_scope(scope),
        m_offset(offset),
        m_body(std::int64_t(offset) + kPropertyCountAt),
        m_header(offset) {}

  void build() {
    m_scope.step(3);
    writeProperties();
    m_scope.step(4);
    const Long routinesAt = m_body.position();
    writeRoutines();
    m_scope.step(5);
    const Long attributesAt = m_body.position();
    writeAttributes();
    m_scope.step(6);
    const Long literalsAt = m_body.position();
    writeLiterals();
    m_scope.step(7);
    const Long codeAt = m_body.position();
    writeCode();
    m_scope.step(8);
    Long debugAt = kNoDebugSection;
    if (hasDebugInformation()) {
      debugAt = m_body.position();
      writeDebug();
    }
    m_end = m_body.position();

    m_scope.step(9);
    m_header.putBytes(kMagic);
    m_header.putLong(routinesAt);
    m_header.putLong(attributesAt);
    m_header.putLong(literalsAt);
    m_header.putLong(codeAt);
    m_header.putLong(debugAt);
  }

  Long offset() const { return m_offset; }
  Long bodyPosition() const { return m_offset + kPropertyCountAt; }
  const std::vector<unsigned char>& header() const { return m_header.bytes(); }
  const std::vector<unsigned char>& body() const { return m_body.bytes(); }
  // The position after the image's last byte.
  Long end() const { return m_end; }

 private:
  void writeProperties() {
    m_body.putCount(m_program.m_properties.size());
    for (const auto& property : m_program.m_properties) {
      m_body.putString(property.propertyName);
      m_body.putString(property.propertyValue);
    }
  }

  void writeRoutines() {
    m_body.putCount(m_program.m_routines.size());
    for (const auto& routine : m_program.m_routines) {
      if (routine.name.size() > kRoutineNameWidth) {
        cannotWrite("The routine name \"" + routine.name + "\" is longer than " +
                    std::to_string(kRoutineNameWidth) + " characters.");
      }
      std::string field = routine.name;
      field.resize(kRoutineNameWidth, ' ');
      m_body.putBytes(field);
      m_body.putInteger(numberField(routine.location));
    }
  }

  void writeAttributes() {
    m_body.putCount(m_program.m_attributes.size());
    for (const auto& attribute : m_program.m_attributes) {
      m_body.putString(attribute.name);
      m_body.putByte(narrow<Byte>(attribute.attributeType));
      m_body.putByte(narrow<Byte>(attribute.dataType));
      if (attribute.dataType == TG_P_DT_DELIMITEDASCII) {
        const Long last = attribute.delimiterList.ubound();
        m_body.putByte(narrow<Byte>(last));
        for (Long d = 1; d <= last; ++d)
          m_body.putString(attribute.delimiterList.at(d));
      } else {
        m_body.putByte(1);
        m_body.putInteger(kAttributeSizeWidth);
        m_body.putInteger(attributeSize(attribute));
      }
      m_body.putInteger(numberField(attribute.readLocation));
      m_body.putInteger(numberField(attribute.writeLocation));
      m_body.putString(attribute.commentString);
      m_body.putString(attribute.tipString);
    }
  }

  // The size field of a non-delimited attribute: its own size where the type leaves it open,
  // else the width the type implies.
  static Integer attributeSize(const TG_P_ATTRIBUTE& attribute) {
    switch (attribute.dataType) {
      case TG_P_DT_ASCII:
      case TG_P_DT_INTEGER:
        return attribute.size;
      case TG_P_DT_UNSIGNEDINTEGER:
        return 1;
      case TG_P_DT_SINGLE:
        return 4;
      case TG_P_DT_DOUBLE:
        return 8;
      default:
        cannotWrite("The attribute \"" + attribute.name + "\" has the invalid data type " +
                    std::to_string(attribute.dataType) + ".");
    }
  }

  void writeLiterals() {
    m_body.putCount(m_program.m_literals.size());
    for (const auto& entry : m_program.m_literals) {
      const auto& literal = entry.literal;
      m_body.putByte(narrow<Byte>(literal.dataType));
      if (literal.dataType == TG_P_DT_ASCII) {
        // The size and the text together are a String.
        convertLiteral([&] {
          m_body.putString(literal.value);
          return 0;
        });
        continue;
      }
      m_body.putInteger(literal.size);
      switch (literal.dataType) {
        case TG_P_DT_UNSIGNEDINTEGER:
          m_body.put(convertLiteral([&] { return roundToByte(textToDouble(literal.value)); }));
          break;
        case TG_P_DT_INTEGER:
          // Only the two integer widths carry a value.
          if (literal.size == 2) {
            m_body.put(convertLiteral([&] { return roundToInteger(textToDouble(literal.value)); }));
          } else if (literal.size == 4) {
            m_body.put(convertLiteral([&] { return roundToLong(textToDouble(literal.value)); }));
          }
          break;
        case TG_P_DT_SINGLE:
          m_body.put(convertLiteral([&] { return toSingle(textToDouble(literal.value)); }));
          break;
        case TG_P_DT_DOUBLE:
          m_body.put(convertLiteral([&] { return textToDouble(literal.value); }));
          break;
        default:
          cannotWrite("A literal has the invalid data type " + std::to_string(literal.dataType) +
                      ".");
      }
    }
  }

  void writeCode() {
    m_body.putCount(m_program.m_instructions.size());
    m_body.putCount(m_program.m_variables.size());
    // Text variables need no initializer: an untyped variable is text already.
    std::vector<std::size_t> initialized;
    for (std::size_t v = 0; v < m_program.m_variables.size(); ++v) {
      const auto type = m_program.m_variables[v].type;
      if (type != TG_P_DT_DEFAULTASCII && type != TG_P_DT_ASCII) initialized.push_back(v);
    }
    m_body.putCount(initialized.size());
    for (const std::size_t v : initialized) {
      m_body.putCount(v);
      m_body.putByte(narrow<Byte>(m_program.m_variables[v].type));
    }
    for (const auto& entry : m_program.m_instructions) {
      const auto& instruction = entry.instruction;
      m_body.putInteger(narrow<Integer>(instruction.instruction));
      m_body.putInteger(instruction.instruction == TG_M_I_STOP ? Integer(0)
                                                               : numberField(instruction.operand));
      m_body.putByte(narrow<Byte>(instruction.dataSegment));
    }
  }

  bool hasDebugInformation() const {
    for (const auto& variable : m_program.m_variables) {
      if (!variable.debugName.empty()) return true;
    }
    for (const auto& entry : m_program.m_instructions) {
      if (entry.debugLine > 0) return true;
    }
    return false;
  }

  void writeDebug() {
    const auto& variables = m_program.m_variables;
    std::size_t named = 0;
    for (const auto& variable : variables) {
      if (!variable.debugName.empty()) ++named;
    }
    m_body.putCount(named);
    for (std::size_t v = 0; v < variables.size(); ++v) {
      if (variables[v].debugName.empty()) continue;
      m_body.putCount(v);
      m_body.putString(variables[v].debugName);
    }

    const auto& instructions = m_program.m_instructions;
    std::size_t tagged = 0;
    for (const auto& entry : instructions) {
      if (entry.debugLine > 0) ++tagged;
    }
    m_body.putCount(tagged);
    for (std::size_t k = 0; k < instructions.size(); ++k) {
      if (instructions[k].debugLine <= 0) continue;
      m_body.putCount(k);
      m_body.putInteger(instructions[k].debugLine);
    }
  }

  const TessaglyphProgram& m_program;
  ProcedureScope& m_scope;
  Long m_offset;
  ImageBuffer m_body;
  ImageBuffer m_header;
  Long m_end = 0;
};

Long TessaglyphProgram::writeProgram(const std::string& file, Long offset) {
  ProcedureScope scope(TG_P_PN_WRITEPROGRAM, kWriteSource);
  scope.step(1);
  if (m_instructions.empty()) {
    throw Error(TG_P_E_CANNOTWRITEPROGRAMERROR, kWriteSource,
                "Cannot write a program that does not contain any instructions.");
  }
  try {
    scope.step(2);
    ScopedFile target(file, FileOpenMode::ReadWriteCreate);
    // Refused before anything is written: the header would be the one part missing.
    if (offset < 1) raisePlatformError(PLATFORM_E_BADRECORDNUMBER);
    TessaglyphProgram numeric(*this);
    numeric.resolveSymbolicData();

    ProgramFileWriter writer(numeric, scope, offset);
    writer.build();
    writeFileAt(target.handle(), writer.bodyPosition(), writer.body().data(), writer.body().size());
    writeFileAt(target.handle(), writer.offset(), writer.header().data(), writer.header().size());

    numeric.createSymbolicData();
    numeric.m_lastUsedFilename = file;
    numeric.m_eventSink = m_eventSink;
    *this = std::move(numeric);
    return writer.end();
  } catch (const LiteralOverflow& error) {
    throw Error(error.number(), error.source(), error.description());
  } catch (const Error& error) {
    if (passesToCaller(error.number())) {
      throw Error(error.number(), kWriteSource, error.description());
    }
    reportCurrentException();
  } catch (...) {
    reportCurrentException();
  }
  return -1;
}

}  // namespace tg
