// The user interface of the command-line tools: the library's message boxes (the error report's
// among them) are printed on standard error with the tool's name and answered with the default
// button, as a user at a console without dialogs would; input boxes take their default text.
// The priority-rules dialog prints the rules and leaves them as they are.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tessaglyph/user_interface.hpp"

namespace tg::tools {

class ConsoleUserInterface final : public UserInterface {
 public:
  explicit ConsoleUserInterface(std::string toolName) : m_toolName(std::move(toolName)) {}
  MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t style,
                               const std::string& title) override;
  void configureRules(TessaglyphSPR& rules, const std::string& note) override;

  // While held, message boxes are kept (as one line each) for the tool to report in its own
  // words, such as a script error with the input line it happened on, instead of printed.
  void holdMessages(bool hold) noexcept { m_hold = hold; }
  // The messages kept since the last call, oldest first.
  std::vector<std::string> takeHeldMessages() { return std::exchange(m_held, {}); }

 private:
  std::string m_toolName;
  bool m_hold = false;
  std::vector<std::string> m_held;
};

// The rules as lines of text: name and description, the categories in order (the last
// deciding), the resolution comparison and the two priority-name lists.
std::string rulesText(const TessaglyphSPR& rules);

// The installed console interface of a tool, or nullptr when another is installed.
ConsoleUserInterface* installedConsole() noexcept;

// Installs an interface for one scope and restores the headless default afterwards.
class InstalledUserInterface {
 public:
  explicit InstalledUserInterface(UserInterface& ui) { setUserInterface(&ui); }
  ~InstalledUserInterface() { setUserInterface(nullptr); }
  InstalledUserInterface(const InstalledUserInterface&) = delete;
  InstalledUserInterface& operator=(const InstalledUserInterface&) = delete;
};

}  // namespace tg::tools
