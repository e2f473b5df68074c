// Script source from arbitrary bytes. Any input either assembles or is refused with diagnostics
// that each name a line, a column and a message; nothing else may escape. A source that
// assembles also prints: the printed source assembles to the same program and prints the same
// text again.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "program/assembler.hpp"
#include "program/disassembler.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

// Everything a program shows through its public members.
std::string contents(const tg::TessaglyphProgram& p) {
  std::ostringstream out;
  for (tg::Integer i = 1; i <= p.numScriptProperties(); ++i) {
    const auto property = p.scriptProperties(i);
    out << "P" << property.propertyName << '\0' << property.propertyValue << '\0';
  }
  for (tg::Integer i = 1; i <= p.numRoutines(); ++i)
    out << "R" << p.routines(i).name << '\0' << p.routines(i).location << '\0';
  for (tg::Integer i = 1; i <= p.numAttributes(); ++i) {
    const auto a = p.Attributes(i);
    out << "A" << a.name << '\0' << a.attributeType << a.dataType << int(a.size) << ' '
        << a.delimiterList.lbound() << ':';
    for (const auto& delimiter : a.delimiterList)
      out << delimiter << '\0';
    out << a.readLocation << '\0' << a.writeLocation << '\0' << a.commentString << '\0'
        << a.tipString << '\0';
  }
  for (tg::Integer i = 1; i <= p.numLiterals(); ++i) {
    const auto l = p.literals(i);
    out << "L" << p.getLiteralName(i) << l.dataType << ' ' << l.size << ' ' << l.value << '\0';
  }
  for (tg::Integer i = 1; i <= p.numInstructions(); ++i) {
    const auto c = p.instructions(i);
    out << "I" << c.instruction << ' ' << c.dataSegment << ' ' << c.operand << '\0'
        << p.instructionTag(i) << '\0' << p.codeDebugInfo(i) << '\n';
  }
  for (tg::Integer i = 1; i <= p.neededMemory(); ++i) {
    const auto name = p.addressSymbolicName(i);
    out << "V" << name << '\0';
    if (!name.empty()) out << p.variableType(name) << ' ' << p.variableDebugName(name) << '\0';
  }
  return out.str();
}

// The program as writing it leaves it: numbers where explicit addresses were, every variable
// named and tags handed out afresh. Two programs that write the same file look the same here.
tg::TessaglyphProgram normalized(tg::TessaglyphProgram program) {
  program.resolveSymbolicData();
  program.createSymbolicData();
  return program;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Long inputs only repeat what short ones find, more slowly.
  if (size > 16 * 1024) return 0;
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  tg::TessaglyphProgram program;
  try {
    program = tg::assembleProgram(source, "fuzz.tgs");
  } catch (const tg::ScriptSourceError& error) {
    const auto& diagnostics = error.diagnostics();
    check(!diagnostics.empty() && diagnostics.size() <= tg::kMaxScriptDiagnostics + 1);
    for (const auto& diagnostic : diagnostics) {
      check(diagnostic.line >= 1 && diagnostic.column >= 1 && !diagnostic.message.empty());
      check(diagnostic.file == "fuzz.tgs");
    }
    return 0;
  }
  check(program.numInstructions() >= 1);
  const auto printed = tg::disassembleProgram(program);
  try {
    const auto rebuilt = tg::assembleProgram(printed, "printed.tgs");
    check(tg::disassembleProgram(rebuilt) == printed);
    check(contents(normalized(rebuilt)) == contents(normalized(program)));
  } catch (const tg::ScriptSourceError&) {
    check(false);
  }
  return 0;
}
