// The script disassembler: prints a program as script source (docs/script-language.md) that
// the assembler builds back into the same program file, byte for byte.
#pragma once

#include <string>

#include "tessaglyph/program.hpp"

namespace tg {

// The source of a program, in the symbolic form readProgram leaves or any form an editor left
// (a program in the numeric form that prepareMachine leaves is turned back into names first).
// Raises 10001 with source "disassembleProgram" for a program that no program file could hold
// (an operand or location that names nothing, a literal of a type no literal can have).
std::string disassembleProgram(const TessaglyphProgram& program);

// The source of the program file at `programPath` (its image starting at the first byte).
// Repairs the reader makes are reported to `events` when given. The reader's errors pass
// through; a read that fails without one raises 10001 with source "disassembleFile" (the
// technical-support log holds the cause).
std::string disassembleFile(const std::string& programPath,
                            TessaglyphProgramEvents* events = nullptr);

}  // namespace tg
