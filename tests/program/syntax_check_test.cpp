// The syntax-check entry point and the syntax-error record.
#include <gtest/gtest.h>

#include <string>

#include "program/syntax_error_builder.hpp"
#include "tessaglyph/compiler.hpp"

namespace tg {
namespace {

// True when code outside the library could call the setter.
template <typename T>
concept HostCanSetNumber = requires(T& error) {
  error.setNumber(Integer(1));
};
template <typename T>
concept HostCanSetFixInfo = requires(T& error) {
  error.setFixInfo(std::string());
};
template <typename T>
concept HostCanReadNumber = requires(const T& error) {
  error.number();
};
static_assert(HostCanReadNumber<TessaglyphSyntaxError>);
static_assert(!HostCanSetNumber<TessaglyphSyntaxError>);
static_assert(!HostCanSetFixInfo<TessaglyphSyntaxError>);

TEST(SyntaxCheckTest, CheckingAnyTextReportsNothing) {
  const TessaglyphCompiler compiler;
  EXPECT_FALSE(compiler.checkSyntax("").has_value());
  EXPECT_FALSE(compiler.checkSyntax("load v_a\nadd l_b\nstop\n", true).has_value());
  EXPECT_FALSE(compiler.checkSyntax("this is not a script at all \x01\xFF", false).has_value());
  EXPECT_FALSE(compiler.checkSyntax(std::string(100000, 'x')).has_value());
}

// Every property is filled from its own setter: distinct values show any crossed wires, and a
// record built with one setter keeps the defaults everywhere else.
TEST(SyntaxCheckTest, LibraryFillsEveryPropertyIndependently) {
  const auto error = SyntaxErrorBuilder()
                         .number(-32768)
                         .name("E_UNKNOWN_OPCODE")
                         .description("Unknown instruction \"lod\".")
                         .potentiallyIncompleteCode(true)
                         .lineNumber(32767)
                         .startCol(5)
                         .length(3)
                         .fixInfo("load")
                         .record();
  EXPECT_EQ(error->number(), -32768);
  EXPECT_EQ(error->name(), "E_UNKNOWN_OPCODE");
  EXPECT_EQ(error->description(), "Unknown instruction \"lod\".");
  EXPECT_TRUE(error->potentiallyIncompleteCode());
  EXPECT_FALSE(error->isWarning());
  EXPECT_EQ(error->lineNumber(), 32767);
  EXPECT_EQ(error->startCol(), 5);
  EXPECT_EQ(error->length(), 3);
  EXPECT_EQ(error->fixInfo(), "load");
  const auto warningOnly = SyntaxErrorBuilder().isWarning(true).record();
  EXPECT_TRUE(warningOnly->isWarning());
  EXPECT_FALSE(warningOnly->potentiallyIncompleteCode());
  EXPECT_EQ(warningOnly->number(), 0);
  EXPECT_EQ(warningOnly->lineNumber(), 0);
  EXPECT_EQ(warningOnly->length(), 0);
  EXPECT_EQ(warningOnly->fixInfo(), "");
}

}  // namespace
}  // namespace tg
