// The user-interface hooks: every message box, input box, progress window and yield of the
// library goes through the one UserInterface the host installs. The default is headless:
// message boxes go to the diagnostic log and are answered so that nothing loops forever, input
// boxes return their default text, and progress windows show nothing and are never cancelled.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tg {

class BrowseWindow;
class TessaglyphBrowser;
class TessaglyphSPR;

// Button sets and icons of a message box, as the platform numbers them (they may be added).
enum MESSAGEBOXSTYLES : std::int32_t {
  MB_OKONLY = 0,
  MB_OKCANCEL = 1,
  MB_ABORTRETRYIGNORE = 2,
  MB_YESNOCANCEL = 3,
  MB_YESNO = 4,
  MB_RETRYCANCEL = 5,
  MB_CRITICAL = 16,
  MB_QUESTION = 32,
  MB_EXCLAMATION = 48,
  MB_INFORMATION = 64,
};
constexpr std::int32_t MB_BUTTONSMASK = 7;

// The button the user pressed.
enum MESSAGEBOXRESULTS : std::int32_t {
  MBR_OK = 1,
  MBR_CANCEL = 2,
  MBR_ABORT = 3,
  MBR_RETRY = 4,
  MBR_IGNORE = 5,
  MBR_YES = 6,
  MBR_NO = 7,
};

// A progress window the library drives during a long operation.
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void show() {}
  virtual void hide() {}
  virtual void setCaption(const std::string& /*caption*/) {}
  virtual void setText(const std::string& /*text*/) {}
  // Fraction done, 0..1; negative when unknown.
  virtual void setProgress(double /*fraction*/) {}
  // Polled between items; true once the user asked to cancel.
  virtual bool cancelled() { return false; }
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // Shows a message and returns the button pressed.
  virtual MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t style,
                                       const std::string& title);
  // Asks for a line of text; returns the text entered (empty when cancelled).
  virtual std::string inputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultText);
  // A new progress window, hidden until show().
  virtual std::unique_ptr<ProgressWindow> createProgressWindow(const std::string& caption);
  // Shows a picture (an SVG document) in a window with that title. Headless: a line in the
  // diagnostic log.
  virtual void showPicture(const std::string& title, const std::string& svg);
  // Lets the host's message loop run between the items of a long operation.
  virtual void yield() {}
  // Shows the priority-rules dialog on `rules`, which it edits in place; `note` is shown with
  // it. The headless interface leaves the rules as they are.
  virtual void configureRules(TessaglyphSPR& /*rules*/, const std::string& /*note*/) {}
  // The window of the index browse dialog for `browser`. nullptr (the default) lets the library
  // serve the dialog as a local web page.
  virtual std::unique_ptr<BrowseWindow> createBrowseWindow(TessaglyphBrowser& browser);
  // A page the library serves for the user (the browse dialog) is ready at `address`. Headless:
  // a line in the diagnostic log; an interface on a desktop opens it in the user's browser.
  virtual void openPage(const std::string& title, const std::string& address);
};

// The interface in use (the headless default until the host installs one).
UserInterface& userInterface();
// Installs the host's interface; nullptr restores the headless default. The library does not
// own it: the host keeps it alive while it is installed.
void setUserInterface(UserInterface* ui);

// The answer the headless interface gives to a message box of that style: OK for OK and
// OK/Cancel, Yes for Yes/No and Yes/No/Cancel, Cancel for Retry/Cancel, Abort for
// Abort/Retry/Ignore.
MESSAGEBOXRESULTS headlessAnswer(std::int32_t style) noexcept;

}  // namespace tg
