// The syntax-check entry point. Script source is compiled by a tool outside this library, so a
// check from here never has anything to report; hosts treat the empty result as "no errors".
#include "tessaglyph/compiler.hpp"

namespace tg {

std::optional<TessaglyphSyntaxErrors> TessaglyphCompiler::checkSyntax(
    const std::string& /*scriptCode*/, std::optional<Boolean> /*ignoreWarnings*/) const noexcept {
  return std::nullopt;
}

}  // namespace tg
