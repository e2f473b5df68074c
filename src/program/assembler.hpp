// The script assembler: turns script source text (docs/script-language.md) into a program. The
// program is built through the public members of TessaglyphProgram, so everything the model
// refuses is refused here too, reported at the source position that asked for it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

// One problem found in script source.
struct ScriptDiagnostic {
  std::string file;
  Long line = 0;    // 1-based
  Long column = 0;  // 1-based, in bytes
  std::string message;
  // The program model's error number when the model refused what the line asked for; 0 for the
  // assembler's own findings.
  std::int32_t number = 0;

  // "file:line:column: error: message"; "file: error: message" for a whole-file problem
  // (line 0).
  std::string format() const;
};

// Script source that could not be assembled. Carries every diagnostic found (the description
// lists them one per line); number TG_P_E_INVALIDDATAERROR, source "assembleProgram".
class ScriptSourceError : public Error {
 public:
  explicit ScriptSourceError(std::vector<ScriptDiagnostic> diagnostics);

  const std::vector<ScriptDiagnostic>& diagnostics() const noexcept { return m_diagnostics; }

 private:
  std::vector<ScriptDiagnostic> m_diagnostics;
};

// Assembly stops collecting after this many diagnostics.
inline constexpr std::size_t kMaxScriptDiagnostics = 100;

// Builds the program the source describes, in its symbolic form. `fileName` only names the
// source in diagnostics. Raises ScriptSourceError for any problem in the source, including a
// source without instructions (a program file cannot hold such a program).
TessaglyphProgram assembleProgram(std::string_view source, std::string_view fileName);

// Reads and assembles a source file. An unreadable file raises ScriptSourceError with a single
// diagnostic at line 0.
TessaglyphProgram assembleFile(const std::string& sourcePath);

// Assembles a source file and writes its program file at `programPath`. The program is written
// to a file beside it first and renamed into place, so an existing program file is replaced
// only by a complete new one. Returns the program file's size in bytes. Raises
// ScriptSourceError for problems in the source; 10011 with source "buildProgramFile" when the
// program could not be written (the technical-support log holds the cause); the program file's
// own errors (6, 52, 54, 63) as writeProgram raises them.
Long buildProgramFile(const std::string& sourcePath, const std::string& programPath);

}  // namespace tg
