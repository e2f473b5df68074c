#include "support/procedure_trace.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tg {
namespace {

TEST(ProcedureTraceTest, ScopesPushMarkAndPopOnEveryExit) {
  {
    ProcedureScope outer(10000, "TessaglyphProgram::readProgram");
    outer.step(2);
    try {
      ProcedureScope inner(10013, "TessaglyphProgram::prepareMachine");
      EXPECT_EQ(formatProcedureTrace(currentProcedureTrace()),
                "TessaglyphProgram::readProgram (10000) step 2 > "
                "TessaglyphProgram::prepareMachine (10013)");
      throw std::runtime_error("leaves the inner procedure");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(currentProcedureTrace().size(), 1u);
  }
  EXPECT_EQ(formatProcedureTrace(currentProcedureTrace()), "(no procedure)");
}

}  // namespace
}  // namespace tg
