#include "console_user_interface.hpp"

#include <spawn.h>
#include <sys/wait.h>

#include <iostream>
#include <string_view>

extern char** environ;

namespace tg::tools {

MESSAGEBOXRESULTS ConsoleUserInterface::messageBox(const std::string& prompt, std::int32_t style,
                                                   const std::string& title) {
  std::string text = prompt;
  if (m_hold) {
    // One line: the script-error box's opening sentences say nothing the tool does not.
    constexpr std::string_view kScriptError =
        "Tessaglyph encountered a script error during execution.  Your data may be invalid.";
    if (text.starts_with(kScriptError)) text.erase(0, kScriptError.size());
    std::string line;
    for (const char c : text) {
      if (c == '\r') continue;
      if (c == '\n') {
        if (line.ends_with(':')) {
          line += ' ';
        } else if (!line.empty() && !line.ends_with(": ")) {
          line += ": ";
        }
      } else {
        line += c;
      }
    }
    m_held.push_back(line);
    return headlessAnswer(style);
  }
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.replace(at, 2, "\n");
  }
  std::cerr << m_toolName << ": " << (title.empty() ? std::string() : title + ": ") << text << '\n';
  return headlessAnswer(style);
}

void ConsoleUserInterface::openPage(const std::string& title, const std::string& address) {
  std::cerr << m_toolName << ": " << title << ": " << address << std::endl;
  if (!m_openPages) return;
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(address.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv, environ) != 0) {
    std::cerr << m_toolName << ": cannot start xdg-open; open the address above in a browser\n";
    return;
  }
  // xdg-open hands the address to the browser and returns.
  int status = 0;
  waitpid(child, &status, 0);
}

ConsoleUserInterface* installedConsole() noexcept {
  return dynamic_cast<ConsoleUserInterface*>(&userInterface());
}

}  // namespace tg::tools
