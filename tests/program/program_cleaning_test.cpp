// Cleaning a program: unnamed cells and unreferenced tags go, the rest is renamed in order.
#include <gtest/gtest.h>

#include <string>

#include "program/program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg::test {
namespace {

TEST(ProgramCleaning, AReferenceToAMissingNameIsRefusedBeforeAnythingChanges) {
  TessaglyphProgram p = smallProgram();
  p.addVariable();
  p.removeLiteral(2);  // "add l_b" names nothing now
  EXPECT_TRUE(refused([&] { p.clean(); }, p, 10001,
                      "Instruction 2 refers to \"l_b\", but no literal carries that name.",
                      "TessaglyphProgram::clean"));
}

}  // namespace
}  // namespace tg::test
