#include "support/procedure_trace.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tg {
namespace {

TEST(ProcedureTraceTest, ScopesPushMarkAndPopOnEveryExit) {
  ASSERT_TRUE(currentProcedureTrace().empty());
  {
    ProcedureScope outer(10000, "TessaglyphProgram::readProgram");
    outer.step(2);
    try {
      ProcedureScope inner(10013, "TessaglyphProgram::prepareMachine");
      inner.step(7);
      const auto trace = currentProcedureTrace();
      ASSERT_EQ(trace.size(), 2u);
      EXPECT_EQ(trace[0].procedure, 10000);
      EXPECT_EQ(trace[0].step, 2);
      EXPECT_EQ(trace[1].procedure, 10013);
      EXPECT_EQ(trace[1].step, 7);
      EXPECT_EQ(formatProcedureTrace(trace),
                "TessaglyphProgram::readProgram (10000) step 2 > "
                "TessaglyphProgram::prepareMachine (10013) step 7");
      throw std::runtime_error("leaves the inner procedure");
    } catch (const std::runtime_error&) {
    }
    ASSERT_EQ(currentProcedureTrace().size(), 1u);
    outer.step(3);
    EXPECT_EQ(currentProcedureTrace()[0].step, 3);
  }
  EXPECT_TRUE(currentProcedureTrace().empty());
  EXPECT_EQ(formatProcedureTrace({}), "(no procedure)");
}

}  // namespace
}  // namespace tg
