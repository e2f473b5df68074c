// NOTIFY and USERINPUT in each box mode, and RAISEEVENT, with a host and a user interface that
// answer from a script.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "machine/interpreter_test_support.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg::test {
namespace {

// A user interface that records each box and answers as told.
class ScriptedUserInterface : public UserInterface {
 public:
  struct Box {
    std::string prompt;
    std::int32_t style = -1;
    std::string title;
    std::string defaultText;
  };
  std::vector<Box> boxes;
  MESSAGEBOXRESULTS button = MBR_OK;
  std::string text;

  MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t style,
                               const std::string& title) override {
    boxes.push_back({prompt, style, title, {}});
    return button;
  }
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override {
    boxes.push_back({prompt, -1, title, defaultText});
    return text;
  }
};

// Records the box events and answers as told.
class BoxHost : public ScriptHost {
 public:
  struct Box {
    std::string message;
    TG_M_MESSAGEBOXBUTTONSTYLES buttons = TG_M_MBBS_OKONLY;
  };
  std::vector<Box> boxes;
  bool answers = true;
  TG_M_MESSAGEBOXBUTTONS button = TG_M_MBB_OK;
  std::string text;

  void scriptMessageBox(std::string& message, TG_M_MESSAGEBOXBUTTONSTYLES& buttons,
                        TG_M_MESSAGEBOXBUTTONS& returnValue) override {
    boxes.push_back({message, buttons});
    if (answers) returnValue = button;
  }
  void scriptInputBox(std::string& message, std::string& returnValue) override {
    boxes.push_back({message, TG_M_MBBS_OKONLY});
    if (answers) returnValue = text;
  }
};

class DialogTest : public InterpreterTest {
 protected:
  ScriptedUserInterface ui;
  BoxHost boxHost;

  void SetUp() override { setUserInterface(&ui); }
  void TearDown() override { setUserInterface(nullptr); }

  // Runs one instruction on the text `operand` and returns the register.
  std::string runOn(const std::string& instruction, const std::string& operand,
                    TG_M_MESSAGEBOXMODES messageMode, TG_M_INPUTBOXMODES inputMode,
                    bool debug = false) {
    load("main: " + instruction + " \"" + operand + "\"\nstop");
    machine->setEventSink(&boxHost);
    machine->setMessageBoxMode(messageMode);
    machine->setInputBoxMode(inputMode);
    machine->setEnableDebug(debug);
    machine->setErrorEventEnabled(false);
    machine->runExplicit(0);
    EXPECT_EQ(machine->registerDataType(), TG_M_DT_ASCII);
    return machine->register_();
  }
};

struct NotifyCase {
  const char* name;
  const char* text;
  MESSAGEBOXRESULTS pressed;
  const char* registerText;
  std::int32_t style;
  const char* message;
};

class NotifyNormalTest : public DialogTest, public ::testing::WithParamInterface<NotifyCase> {};

TEST_P(NotifyNormalTest, ShowsTheBoxAndKeepsTheAnswer) {
  const NotifyCase& c = GetParam();
  ui.button = c.pressed;
  for (const bool debug : {false, true}) {
    ui.boxes.clear();
    EXPECT_EQ(runOn("notify", c.text, TG_M_MBM_NORMAL, TG_M_IBM_IGNORE, debug), c.registerText);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, c.message);
    EXPECT_EQ(ui.boxes[0].style, c.style);
    EXPECT_EQ(ui.boxes[0].title, "Tessaglyph Program NOTIFY");
  }
  EXPECT_TRUE(boxHost.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, NotifyNormalTest,
    ::testing::Values(
        NotifyCase{"Information", "OGrid read.", MBR_OK, "OK", MB_OKONLY | MB_INFORMATION,
                   "Grid read."},
        NotifyCase{"QuestionYes", "YGo on?", MBR_YES, "Yes", MB_YESNO | MB_QUESTION, "Go on?"},
        NotifyCase{"QuestionNo", "YGo on?", MBR_NO, "No", MB_YESNO | MB_QUESTION, "Go on?"},
        NotifyCase{"LowerCaseType", "yok", MBR_YES, "Yes", MB_YESNO | MB_QUESTION, "ok"},
        NotifyCase{"TypeOnly", "o", MBR_OK, "OK", MB_OKONLY | MB_INFORMATION, ""},
        NotifyCase{"AnotherButton", "YGo on?", MBR_CANCEL, "", MB_YESNO | MB_QUESTION, "Go on?"}),
    [](const ::testing::TestParamInfo<NotifyCase>& info) { return info.param.name; });

TEST_F(DialogTest, NotifyInEventModeAsksTheHost) {
  boxHost.button = TG_M_MBB_NO;
  EXPECT_EQ(runOn("notify", "YReplace the file?", TG_M_MBM_EVENT, TG_M_IBM_NORMAL), "No");
  ASSERT_EQ(boxHost.boxes.size(), 1u);
  EXPECT_EQ(boxHost.boxes[0].message, "Replace the file?");
  EXPECT_EQ(boxHost.boxes[0].buttons, TG_M_MBBS_YESNO);

  boxHost.button = TG_M_MBB_YES;
  EXPECT_EQ(runOn("notify", "YReplace the file?", TG_M_MBM_EVENT, TG_M_IBM_NORMAL), "Yes");
  boxHost.button = TG_M_MBB_OK;
  EXPECT_EQ(runOn("notify", "ODone", TG_M_MBM_EVENT, TG_M_IBM_NORMAL), "OK");
  EXPECT_EQ(boxHost.boxes.back().buttons, TG_M_MBBS_OKONLY);
  // A handler that answers with no button of the box leaves no answer; one that does not
  // answer leaves the box's default button, the first.
  boxHost.button = TG_M_MESSAGEBOXBUTTONS(7);
  EXPECT_EQ(runOn("notify", "ODone", TG_M_MBM_EVENT, TG_M_IBM_NORMAL), "");
  boxHost.answers = false;
  EXPECT_EQ(runOn("notify", "ODone", TG_M_MBM_EVENT, TG_M_IBM_NORMAL), "OK");
  EXPECT_EQ(runOn("notify", "YGo on?", TG_M_MBM_EVENT, TG_M_IBM_NORMAL), "Yes");
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(DialogTest, IgnoredBoxesShowNothingAndLeaveAnEmptyText) {
  EXPECT_EQ(runOn("notify", "OHello", TG_M_MBM_IGNORE, TG_M_IBM_NORMAL), "");
  EXPECT_EQ(runOn("userinput", "Name?", TG_M_MBM_NORMAL, TG_M_IBM_IGNORE), "");
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_TRUE(boxHost.boxes.empty());
}

TEST_F(DialogTest, NotifyRefusesOtherTypesInBothRuns) {
  for (const bool debug : {false, true}) {
    const char* source = debug ? "TessaglyphMachine::runWithDebug" : "TessaglyphMachine::run";
    EXPECT_TRUE(
        raisesError([&] { runOn("notify", "XWhat?", TG_M_MBM_IGNORE, TG_M_IBM_IGNORE, debug); },
                    11004, source, "X is not a valid NOTIFY type."));
    EXPECT_TRUE(raisesError([&] { runOn("notify", "ni", TG_M_MBM_NORMAL, TG_M_IBM_IGNORE, debug); },
                            11004, source, "N is not a valid NOTIFY type."));
    EXPECT_TRUE(raisesError([&] { runOn("notify", "", TG_M_MBM_EVENT, TG_M_IBM_IGNORE, debug); },
                            11004, source, " is not a valid NOTIFY type."));
  }
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_TRUE(boxHost.boxes.empty());
}

TEST_F(DialogTest, UserInputAsksTheUserOrTheHost) {
  ui.text = "Lake Tahoe";
  EXPECT_EQ(runOn("userinput", "Area name?", TG_M_MBM_IGNORE, TG_M_IBM_NORMAL), "Lake Tahoe");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].prompt, "Area name?");
  EXPECT_EQ(ui.boxes[0].title, "Tessaglyph Program USERINPUT");
  EXPECT_EQ(ui.boxes[0].defaultText, "");

  boxHost.text = "42";
  EXPECT_EQ(runOn("userinput", "Zone?", TG_M_MBM_NORMAL, TG_M_IBM_EVENT, true), "42");
  ASSERT_EQ(boxHost.boxes.size(), 1u);
  EXPECT_EQ(boxHost.boxes[0].message, "Zone?");
  boxHost.answers = false;
  EXPECT_EQ(runOn("userinput", "Zone?", TG_M_MBM_NORMAL, TG_M_IBM_EVENT), "");
  EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(DialogTest, TheAnswerReplacesASharedRegisterWithoutTouchingTheOtherHolder) {
  load("main: setref name\nuserinput \"Name?\"\nstop", ".var name ascii\n");
  ui.text = "answer";
  machine->setMemory(address("name"), "before");
  machine->runExplicit(0);
  EXPECT_EQ(machine->register_(), "answer");
  EXPECT_EQ(value("name"), "before");
}

TEST_F(DialogTest, ARoutineRunFromTheHandlerDoesNotMoveTheRun) {
  struct Host : BoxHost {
    std::function<void()> onBox;
    void scriptInputBox(std::string& message, std::string& returnValue) override {
      onBox();
      BoxHost::scriptInputBox(message, returnValue);
    }
  } sideHost;
  load("main: userinput \"Name?\"\nstore name\nstop\nside: loadnopoint mem[3]\nstop",
       ".var name ascii\n");
  sideHost.text = "from the host";
  sideHost.onBox = [&] { machine->runExplicit(3); };
  machine->setEventSink(&sideHost);
  machine->setInputBoxMode(TG_M_IBM_EVENT);
  machine->runExplicit(0);
  EXPECT_EQ(value("name"), "from the host");
}

TEST_F(DialogTest, RaiseEventHandsTheNameAndTheRegisterToTheHost) {
  load("main: loadnopoint mem[12]\nraiseevent \"rows\"\nadd 1\nstop");
  machine->setEnableDebug(true);
  machine->runExplicit(0);
  ASSERT_EQ(host.changes.size(), 1u);
  EXPECT_EQ(host.changes[0], (std::pair<std::string, std::string>("rows", "12")));
  EXPECT_EQ(machine->register_(), "13");
}

}  // namespace
}  // namespace tg::test
