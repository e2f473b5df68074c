#include "support/error_report.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/procedure_trace.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {
namespace {

class RecordingUserInterface : public UserInterface {
 public:
  int boxes = 0;
  std::string lastPrompt;
  bool throwFromBox = false;
  MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t,
                               const std::string&) override {
    ++boxes;
    lastPrompt = prompt;
    if (throwFromBox) throw std::runtime_error("host hook failed");
    return MBR_OK;
  }
};

// Expects the log file to hold every one of `parts`.
void expectLogged(const std::string& path, std::initializer_list<const char*> parts) {
  std::ifstream in(path);
  const std::string log(std::istreambuf_iterator<char>(in), {});
  for (const char* part : parts)
    EXPECT_NE(log.find(part), std::string::npos) << part << " in " << log;
}

class ErrorReportTest : public ::testing::Test {
 protected:
  test::TemporaryHome home;
  RecordingUserInterface ui;
  void SetUp() override { setUserInterface(&ui); }
  void TearDown() override { setUserInterface(nullptr); }
};

// The log holds number, source, description and the procedures running; the user sees a box.
TEST_F(ErrorReportTest, ReportsTheExceptionBeingHandledWithItsTrace) {
  try {
    ProcedureScope outer(10001, "TessaglyphProgram::writeProgram");
    outer.step(3);
    throw Error(10001, "TessaglyphProgram::resolveSymbolicData", "An operand was bad.");
  } catch (...) {
    ProcedureScope handler(10009, "TessaglyphProgram::addLiteral");
    reportCurrentException();
  }
  try {
    throw std::runtime_error("plain failure");
  } catch (...) {
    reportCurrentException();
  }
  reportCurrentException();  // nothing being handled: nothing happens
  expectLogged(technicalSupportLogPath(),
               {"Error 10001 in TessaglyphProgram::resolveSymbolicData: An operand was bad.",
                "TessaglyphProgram::addLiteral (10009)", "Error 0: plain failure"});
  EXPECT_EQ(ui.boxes, 2);
  EXPECT_NE(ui.lastPrompt.find("plain failure"), std::string::npos);
}

TEST_F(ErrorReportTest, NeverRaisesEvenWhenTheHostHookFailsOrTheLogCannotBeWritten) {
  ui.throwFromBox = true;
  EXPECT_NO_THROW(reportError(52, "Bad file name or number"));
  std::filesystem::remove_all(home.base());
  std::ofstream(home.base().substr(0, home.base().size() - 1)) << "a file where the folder was";
  EXPECT_NO_THROW(reportError(52, "Bad file name or number"));
}

TEST(HeadlessUserInterfaceTest, AnswersSoThatNothingLoopsForeverAndLogsTheBox) {
  test::TemporaryHome home;
  setUserInterface(nullptr);
  EXPECT_EQ(headlessAnswer(MB_OKCANCEL | MB_QUESTION), MBR_OK);
  EXPECT_EQ(headlessAnswer(MB_YESNO | MB_QUESTION), MBR_YES);
  EXPECT_EQ(headlessAnswer(MB_YESNOCANCEL), MBR_YES);
  EXPECT_EQ(headlessAnswer(MB_ABORTRETRYIGNORE), MBR_ABORT);

  EXPECT_EQ(userInterface().messageBox("Insert disk 2", MB_RETRYCANCEL, "Swap"), MBR_CANCEL);
  EXPECT_EQ(userInterface().inputBox("Name?", "Ask", "default text"), "default text");
  expectLogged(diagnosticLogPath(),
               {"[Swap] Insert disk 2 -> Cancel", "[Ask] Name? -> \"default text\""});
}

}  // namespace
}  // namespace tg
