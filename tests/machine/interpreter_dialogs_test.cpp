// NOTIFY and USERINPUT in each box mode, answered by a scripted host and user interface.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "machine/interpreter_test_support.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg::test {
namespace {

// Where the boxes went: "box(prompt,style)", "input(prompt,default)", "event(message[,buttons])".
struct BoxLog {
  std::string text;
  std::string answer = "-";  // a button's number or a text; "-": the host does not answer
  void add(const std::string& box) { text += " " + box; }
};

class ScriptedUserInterface : public UserInterface {
 public:
  explicit ScriptedUserInterface(BoxLog& log) : m_log(log) {}
  MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t style,
                               const std::string& title) override {
    m_log.add("box(" + prompt + "," + std::to_string(style) + ")");
    EXPECT_EQ(title, "Tessaglyph Program NOTIFY");
    return MESSAGEBOXRESULTS(std::stoi(m_log.answer));
  }
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override {
    m_log.add("input(" + prompt + "," + defaultText + ")");
    EXPECT_EQ(title, "Tessaglyph Program USERINPUT");
    return m_log.answer;
  }

 private:
  BoxLog& m_log;
};

class BoxHost : public ScriptHost {
 public:
  explicit BoxHost(BoxLog& log) : m_log(log) {}
  std::function<void()> onBox;
  void scriptMessageBox(std::string& message, TG_M_MESSAGEBOXBUTTONSTYLES& buttons,
                        TG_M_MESSAGEBOXBUTTONS& returnValue) override {
    m_log.add("event(" + message + "," + std::to_string(buttons) + ")");
    if (m_log.answer != "-") returnValue = TG_M_MESSAGEBOXBUTTONS(std::stoi(m_log.answer));
  }
  void scriptInputBox(std::string& message, std::string& returnValue) override {
    if (onBox) onBox();
    m_log.add("event(" + message + ")");
    if (m_log.answer != "-") returnValue = m_log.answer;
  }

 private:
  BoxLog& m_log;
};

class DialogTest : public InterpreterTest {
 protected:
  BoxLog log;
  ScriptedUserInterface ui{log};
  BoxHost boxHost{log};

  void SetUp() override { setUserInterface(&ui); }
  void TearDown() override { setUserInterface(nullptr); }
};

// Instruction, box modes (Normal, Event, Ignore; 'd': debug run), answer, register and boxes.
TEST_F(DialogTest, BoxesGoWhereTheirModeSays) {
  // clang-format off
  const std::tuple<const char*, const char*, const char*, const char*> rows[] = {
      {"notify \"OGrid read.\"", "NI", "1", "OK box(Grid read.,64)"},
      {"notify \"YGo on?\"", "NId", "7", "No box(Go on?,36)"},
      {"notify \"yok\"", "NId", "6", "Yes box(ok,36)"},
      {"notify \"YGo on?\"", "NI", "2", " box(Go on?,36)"},
      {"notify \"YReplace?\"", "EN", "2", "No event(Replace?,4)"},
      {"notify \"ODone\"", "EN", "7", " event(Done,0)"},
      {"notify \"YGo on?\"", "EN", "-", "Yes event(Go on?,4)"},
      {"notify \"OHello\"", "IN", "1", ""},
      {"notify \"ni\"", "NI", "1", "11004 [TessaglyphMachine::run] N is not a valid NOTIFY type."},
      {"notify \"\"", "EId", "1", "11004 [TessaglyphMachine::runWithDebug]  is not a valid NOTIFY type."},
      {"userinput \"Area name?\"", "IN", "Lake Tahoe", "Lake Tahoe input(Area name?,)"},
      {"userinput \"Zone?\"", "NEd", "42", "42 event(Zone?)"},
      {"userinput \"Zone?\"", "NE", "-", " event(Zone?)"},
      {"userinput \"Name?\"", "NI", "x", ""},
  };
  // clang-format on
  const auto mode = [](char c) { return c == 'N' ? 0 : c == 'E' ? 1 : 2; };
  for (const auto& [instruction, modes, answer, expected] : rows) {
    load("main: " + std::string(instruction) + "\nstop");
    machine->setEventSink(&boxHost);
    machine->setMessageBoxMode(TG_M_MESSAGEBOXMODES(mode(modes[0])));
    machine->setInputBoxMode(TG_M_INPUTBOXMODES(mode(modes[1])));
    machine->setEnableDebug(modes[2] == 'd');
    machine->setErrorEventEnabled(false);
    log = BoxLog{"", answer};
    const std::string failure = failureOf([&] { machine->runExplicit(0); });
    const std::string left = this->left("register=");  // a text
    const std::string shown = failure != "none" ? failure : left.substr(left.find("T:") + 2);
    EXPECT_EQ(shown + log.text, expected) << instruction << " " << modes;
  }
}

}  // namespace
}  // namespace tg::test
