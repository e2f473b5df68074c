#include "console_user_interface.hpp"

#include <iostream>

namespace tg::tools {

MESSAGEBOXRESULTS ConsoleUserInterface::messageBox(const std::string& prompt, std::int32_t style,
                                                   const std::string& title) {
  std::string text = prompt;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.replace(at, 2, "\n");
  }
  std::cerr << m_toolName << ": " << (title.empty() ? std::string() : title + ": ") << text << '\n';
  return headlessAnswer(style);
}

}  // namespace tg::tools
