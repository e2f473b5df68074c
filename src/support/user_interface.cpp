// The headless interface stands in until a host installs its own: nothing it does may block or
// loop, since there is nobody to answer.
#include "tessaglyph/user_interface.hpp"

#include "support/error_report.hpp"
#include "tessaglyph/browser.hpp"

namespace tg {

namespace {

class HeadlessUserInterface final : public UserInterface {};

HeadlessUserInterface g_headless;
UserInterface* g_installed = nullptr;

const char* answerText(MESSAGEBOXRESULTS answer) {
  switch (answer) {
    case MBR_OK:
      return "OK";
    case MBR_CANCEL:
      return "Cancel";
    case MBR_ABORT:
      return "Abort";
    case MBR_RETRY:
      return "Retry";
    case MBR_IGNORE:
      return "Ignore";
    case MBR_YES:
      return "Yes";
    case MBR_NO:
      return "No";
  }
  return "?";
}

}  // namespace

MESSAGEBOXRESULTS headlessAnswer(std::int32_t style) noexcept {
  switch (style & MB_BUTTONSMASK) {
    case MB_OKCANCEL:
      return MBR_OK;
    case MB_ABORTRETRYIGNORE:
      return MBR_ABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
      return MBR_YES;
    case MB_RETRYCANCEL:
      return MBR_CANCEL;
    default:
      return MBR_OK;
  }
}

MESSAGEBOXRESULTS UserInterface::messageBox(const std::string& prompt, std::int32_t style,
                                            const std::string& title) {
  const MESSAGEBOXRESULTS answer = headlessAnswer(style);
  std::string line = "message box [";
  line += title;
  line += "] ";
  line += prompt;
  line += " -> ";
  line += answerText(answer);
  appendLogLine(diagnosticLogPath(), line);
  return answer;
}

std::string UserInterface::inputBox(const std::string& prompt, const std::string& title,
                                    const std::string& defaultText) {
  appendLogLine(diagnosticLogPath(),
                "input box [" + title + "] " + prompt + " -> \"" + defaultText + "\"");
  return defaultText;
}

std::unique_ptr<ProgressWindow> UserInterface::createProgressWindow(const std::string&) {
  return std::make_unique<ProgressWindow>();
}

void UserInterface::showPicture(const std::string& title, const std::string& svg) {
  appendLogLine(diagnosticLogPath(),
                "picture [" + title + "] of " + std::to_string(svg.size()) + " bytes not shown");
}

std::unique_ptr<BrowseWindow> UserInterface::createBrowseWindow(TessaglyphBrowser&) {
  return nullptr;
}

void UserInterface::openPage(const std::string& title, const std::string& address) {
  appendLogLine(diagnosticLogPath(), "page [" + title + "] served at " + address);
}

UserInterface& userInterface() {
  return g_installed != nullptr ? *g_installed : g_headless;
}

void setUserInterface(UserInterface* ui) {
  g_installed = ui;
}

}  // namespace tg
