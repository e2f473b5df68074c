#include "console_user_interface.hpp"

#include <iostream>
#include <string_view>

#include "tessaglyph/priority_rules.hpp"

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

void ConsoleUserInterface::configureRules(TessaglyphSPR& rules, const std::string& note) {
  std::cerr << m_toolName << ": priority rules (they cannot be changed here): " << note << '\n'
            << rulesText(rules);
}

std::string rulesText(const TessaglyphSPR& rules) {
  static const char* const kCategories[] = {"resolution", "file priority", "script priority"};
  std::string text = "  rules: " + rules.sprName() + " (" + rules.sprDescription() + ")\n";
  text += "  categories:";
  for (Integer i = 0; i < rules.numPriorityCategories(); ++i) {
    const auto category = rules.categoryOrder(i);
    text +=
        std::string(i ? ", " : " ") +
        (category >= TG_PC_VALID_MIN && category <= TG_PC_VALID_MAX ? kCategories[category] : "?");
  }
  text += " (the last deciding)\n  resolutions compare by: " +
          getRCMName(rules.resolutionCompareMode()) + "\n";
  const auto list = [&text](const char* title, Integer count, auto entry) {
    text += std::string("  ") + title + ":";
    for (Integer i = 0; i < count; ++i) {
      const std::string name = entry(i);
      text += std::string(i ? ", " : " ") + (name.empty() ? "(none)" : name);
    }
    text += "\n";
  };
  list("file priorities", rules.numFilePriorityEntries(),
       [&rules](Integer i) { return rules.filePriorityEntry(i); });
  list("script priorities", rules.numScriptPriorityEntries(),
       [&rules](Integer i) { return rules.scriptPriorityEntry(i); });
  return text;
}

ConsoleUserInterface* installedConsole() noexcept {
  return dynamic_cast<ConsoleUserInterface*>(&userInterface());
}

}  // namespace tg::tools
