// A user interface recording boxes and progress windows, answering from a queue, while alive.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tessaglyph/user_interface.hpp"

namespace tg::test {

struct ShownMessageBox {
  std::string prompt;
  std::int32_t style = 0;
  std::string title;
};

// Progress window events: "create <caption>", "show", "text <t>", "progress <f>", ...
class ScriptedUserInterface : public UserInterface {
 public:
  std::vector<ShownMessageBox> boxes;
  std::deque<MESSAGEBOXRESULTS> answers;  // empty: MBR_OK
  std::vector<std::string> windowEvents;
  bool cancelWindows = false;  // progress windows report a cancel request when polled
  std::vector<std::pair<std::string, std::string>> pictures;  // title, SVG

  ScriptedUserInterface() { setUserInterface(this); }
  ~ScriptedUserInterface() override { setUserInterface(nullptr); }
  ScriptedUserInterface(const ScriptedUserInterface&) = delete;
  ScriptedUserInterface& operator=(const ScriptedUserInterface&) = delete;

  MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t style,
                               const std::string& title) override {
    boxes.push_back({prompt, style, title});
    if (answers.empty()) return MBR_OK;
    const MESSAGEBOXRESULTS answer = answers.front();
    answers.pop_front();
    return answer;
  }

  void showPicture(const std::string& title, const std::string& svg) override {
    pictures.emplace_back(title, svg);
  }

  std::unique_ptr<ProgressWindow> createProgressWindow(const std::string& caption) override {
    windowEvents.push_back("create " + caption);
    return std::make_unique<Window>(windowEvents, cancelWindows);
  }

 private:
  class Window : public ProgressWindow {
   public:
    Window(std::vector<std::string>& events, bool cancel) : m_events(events), m_cancel(cancel) {}
    ~Window() override { m_events.push_back("destroy"); }
    void show() override { m_events.push_back("show"); }
    void hide() override { m_events.push_back("hide"); }
    void setText(const std::string& text) override { m_events.push_back("text " + text); }
    void setProgress(double fraction) override {
      m_events.push_back("progress " + std::to_string(fraction));
    }

    bool cancelled() override { return m_cancel; }

   private:
    std::vector<std::string>& m_events;
    bool m_cancel;
  };
};

}  // namespace tg::test
