// The instructions that talk to the host: NOTIFY (a message box), USERINPUT (an input box) and
// RAISEEVENT (dataChanged). The box modes decide whether the library shows the box itself through
// the installed user interface, hands it to the host as an event, or shows nothing.
//
// Every handler may run script code of its own on this machine; the run that raised the event
// goes on at its own instruction afterwards.
#include <cctype>
#include <string>

#include "machine/interpreter.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

namespace {

constexpr const char* kNotifyTitle = "Tessaglyph Program NOTIFY";
constexpr const char* kUserInputTitle = "Tessaglyph Program USERINPUT";

// Keeps the counter of the raising run across a host call.
class CounterKeeper {
 public:
  explicit CounterKeeper(Integer& counter) noexcept : m_counter(counter), m_saved(counter) {}
  ~CounterKeeper() { m_counter = m_saved; }
  CounterKeeper(const CounterKeeper&) = delete;
  CounterKeeper& operator=(const CounterKeeper&) = delete;

 private:
  Integer& m_counter;
  Integer m_saved;
};

// The answer of a message box shown by the user interface, as the script reads it.
std::string answerText(MESSAGEBOXRESULTS answer) {
  switch (answer) {
    case MBR_OK:
      return "OK";
    case MBR_YES:
      return "Yes";
    case MBR_NO:
      return "No";
    default:
      return {};
  }
}

// The answer a host's scriptMessageBox handler reported.
std::string answerText(TG_M_MESSAGEBOXBUTTONS answer) {
  switch (answer) {
    case TG_M_MBB_OK:
      return "OK";
    case TG_M_MBB_YES:
      return "Yes";
    case TG_M_MBB_NO:
      return "No";
  }
  return {};
}

}  // namespace

void Interpreter::userInput(Integer address) {
  std::string prompt = asciiOperand(address, "userinput")->getString();
  std::string answer;
  switch (m.m_core->inputBoxMode) {
    case TG_M_IBM_EVENT:
      if (TessaglyphMachineEvents* sink = m.m_core->eventSink) {
        CounterKeeper keeper(m.m_core->programCounter);
        sink->scriptInputBox(prompt, answer);
      }
      break;
    case TG_M_IBM_NORMAL: {
      CounterKeeper keeper(m.m_core->programCounter);
      answer = userInterface().inputBox(prompt, kUserInputTitle, std::string());
      break;
    }
    default:  // IGNORE, and any value a host stored that is no mode: show nothing
      break;
  }
  reg() = makeAscii(answer);
}

void Interpreter::notify(Integer address) {
  const std::string text = asciiOperand(address, "notify")->getString();
  const std::string type =
      text.empty() ? std::string()
                   : std::string(1, char(std::toupper(static_cast<unsigned char>(text[0]))));
  TG_M_MESSAGEBOXBUTTONSTYLES buttons = TG_M_MBBS_OKONLY;
  std::int32_t style = MB_OKONLY;
  if (type == "O") {
    style = MB_OKONLY | MB_INFORMATION;
  } else if (type == "Y") {
    buttons = TG_M_MBBS_YESNO;
    style = MB_YESNO | MB_QUESTION;
  } else {
    step([&] {
      throw Error(TG_M_E_INVALIDNOTIFYTYPE, m_debug ? kRunWithDebugSource : kRunSource,
                  type + " is not a valid NOTIFY type.");
    });
  }
  std::string message = text.empty() ? std::string() : text.substr(1);
  std::string answer;
  switch (m.m_core->messageBoxMode) {
    case TG_M_MBM_EVENT:
      if (TessaglyphMachineEvents* sink = m.m_core->eventSink) {
        CounterKeeper keeper(m.m_core->programCounter);
        // The handler starts from the box's default button, the first one.
        TG_M_MESSAGEBOXBUTTONS pressed = buttons == TG_M_MBBS_YESNO ? TG_M_MBB_YES : TG_M_MBB_OK;
        sink->scriptMessageBox(message, buttons, pressed);
        answer = answerText(pressed);
      }
      break;
    case TG_M_MBM_NORMAL: {
      CounterKeeper keeper(m.m_core->programCounter);
      answer = answerText(userInterface().messageBox(message, style, kNotifyTitle));
      break;
    }
    default:  // IGNORE, and any value a host stored that is no mode: show nothing
      break;
  }
  reg() = makeAscii(answer);
}

void Interpreter::raiseEvent(Integer address) {
  const std::string name = at(address)->getString();
  const std::string value = reg()->getString();
  if (TessaglyphMachineEvents* sink = m.m_core->eventSink) {
    CounterKeeper keeper(m.m_core->programCounter);
    sink->dataChanged(name, value);
  }
}

}  // namespace tg
