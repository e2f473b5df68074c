// The syntax-check entry point. It answers every text with nothing to report: script source is
// checked where it is assembled (program/assembler), which raises its own errors with line and
// column, and hosts treat the empty result here as "no errors".
#include "tessaglyph/compiler.hpp"

namespace tg {

std::optional<TessaglyphSyntaxErrors> TessaglyphCompiler::checkSyntax(
    const std::string& /*scriptCode*/, std::optional<Boolean> /*ignoreWarnings*/) const noexcept {
  return std::nullopt;
}

}  // namespace tg
