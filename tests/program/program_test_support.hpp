// Program model test helpers: a dump of all a program shows, and a small program.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "tessaglyph/program.hpp"
#include "test_support.hpp"

namespace tg::test {

// All a program shows, and the names its generators would hand out next, one per line.
inline std::string snapshot(const TessaglyphProgram& program) {
  std::ostringstream out;
  out << "file " << program.lastUsedFilename() << "\n";
  for (Integer i = 1; i <= program.numScriptProperties(); ++i) {
    const auto p = program.scriptProperties(i);
    out << "property " << p.propertyName << "=" << p.propertyValue << "\n";
  }
  for (Integer i = 1; i <= program.numRoutines(); ++i) {
    const auto r = program.routines(i);
    out << "routine [" << r.name << "] " << r.location << "\n";
  }
  for (Integer i = 1; i <= program.numAttributes(); ++i) {
    const auto a = program.Attributes(i);
    out << "attribute " << a.name << " " << a.attributeType << " " << a.dataType << " "
        << int(a.size) << " " << a.delimiterList.lbound() << ".." << a.delimiterList.ubound() << " "
        << a.readLocation << " " << a.writeLocation << " " << a.commentString << " " << a.tipString
        << "\n";
  }
  for (Integer i = 1; i <= program.numLiterals(); ++i) {
    const auto l = program.literals(i);
    out << "literal " << program.getLiteralName(i) << " " << l.dataType << " " << l.size << " "
        << l.value << "\n";
  }
  for (Integer i = 1; i <= program.numInstructions(); ++i) {
    const auto c = program.instructions(i);
    out << "instruction " << c.instruction << " " << c.dataSegment << " [" << c.operand << "] tag "
        << program.instructionTag(i) << " line " << program.codeDebugInfo(i) << "\n";
  }
  for (Integer i = 1; i <= program.neededMemory(); ++i) {
    const auto name = program.addressSymbolicName(i);
    out << "variable " << name;
    if (!name.empty()) {
      out << " " << program.variableType(name) << " " << program.variableDebugName(name);
    }
    out << "\n";
  }
  TessaglyphProgram copy = program;
  out << "next literal " << copy.addLiteral(TG_P_LITERAL{TG_P_DT_ASCII, 1, "x"}) << "\n";
  out << "next variable " << copy.addVariable() << "\n";
  const auto at = copy.addInstruction(TG_P_INSTRUCTION{TG_M_I_NOP, "", TG_P_DS_DATA});
  out << "next tag " << copy.tag(at) << "\n";
  return out.str();
}

// The lines of a snapshot that start with `kind`: linesOf(snapshot(p), "attribute").
inline std::string linesOf(const std::string& dump, std::string_view kind) {
  std::istringstream in(dump);
  std::string text;
  for (std::string line; std::getline(in, line);)
    if (line.starts_with(kind)) text += line + "\n";
  return text;
}

inline std::string orDash(const std::string& name) {
  return name.empty() ? "-" : name;
}

// The variable memory by address, "-" for an unnamed variable: "v_a v_b - -".
inline std::string memory(const TessaglyphProgram& p) {
  std::string text;
  for (Integer i = 1; i <= p.neededMemory(); ++i)
    text += (i > 1 ? " " : "") + orDash(p.addressSymbolicName(i));
  return text;
}

// The instruction tags in order, "-" for an untagged instruction.
inline std::string tags(const TessaglyphProgram& p) {
  std::string text;
  for (Integer i = 1; i <= p.numInstructions(); ++i)
    text += (i > 1 ? " " : "") + orDash(p.instructionTag(i));
  return text;
}

// Succeeds when `action` raises exactly this error and leaves `program` as it was.
template <typename Action>
::testing::AssertionResult refused(Action&& action, const TessaglyphProgram& program,
                                   std::int32_t number, std::string_view description,
                                   std::string_view source = {}) {
  const auto before = snapshot(program);
  auto result = raises(action, number, description, source);
  if (result && snapshot(program) != before) {
    return ::testing::AssertionFailure() << "the error left the program changed";
  }
  return result;
}

inline TG_P_INSTRUCTION op(TG_M_INSTRUCTIONS opcode, std::string operand,
                           TG_P_DATASEGMENTS segment) {
  return TG_P_INSTRUCTION{opcode, std::move(operand), segment};
}

inline TG_P_ATTRIBUTE attribute(std::string name, std::string readLocation,
                                std::string writeLocation = "-1") {
  TG_P_ATTRIBUTE a;
  a.name = std::move(name);
  a.attributeType = TG_P_AT_DATAPOINT;
  a.dataType = TG_P_DT_INTEGER;
  a.size = 2;
  a.readLocation = std::move(readLocation);
  a.writeLocation = std::move(writeLocation);
  return a;
}

// Literals l_a "abc", l_b 5; v_a..v_c; c_a: load v_b (line 10), add l_b (11), c_b: store register,
// load p_x, goto c_a, stop; routine init at c_a, attribute datapoint read at c_b.
inline TessaglyphProgram smallProgram() {
  TessaglyphProgram p;
  p.addScriptProperty({"gridtype", "latlon"});
  p.addScriptProperty({"datum", "nad27"});
  p.addLiteral({TG_P_DT_ASCII, 3, "abc"});
  p.addLiteral({TG_P_DT_INTEGER, 2, "5"});
  for (int i = 0; i < 3; ++i)
    p.addVariable();
  p.addInstruction(op(TG_M_I_LOAD, "v_b", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_ADD, "l_b", TG_P_DS_CONSTANT));
  p.addInstruction(op(TG_M_I_STORE, "register", TG_P_DS_PREDEFINED));
  p.addInstruction(op(TG_M_I_LOAD, "p_x", TG_P_DS_PREDEFINED));
  p.tag(1);
  p.tag(3);
  p.addInstruction(op(TG_M_I_GOTO, "c_a", TG_P_DS_INSTRUCTION));
  p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
  p.setCodeDebugInfo(1, 10);
  p.setCodeDebugInfo(2, 11);
  p.addRoutine({"init", "c_a"});
  p.addAttribute(attribute("datapoint", "c_b"));
  return p;
}

}  // namespace tg::test
