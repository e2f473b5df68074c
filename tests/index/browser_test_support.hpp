// A browse window that does what it is told and remembers it, a host that vetoes on request, and
// an index of two source files and one script to browse.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "index/index_test_support.hpp"
#include "tessaglyph/browser.hpp"

namespace tg::test {

class RecordingWindow final : public BrowseWindow {
 public:
  std::vector<TGB_SELECTEDITEM> displayed;  // what the window lists
  std::vector<std::string>& calls;
  TessaglyphBrowser& browser;

  RecordingWindow(std::vector<std::string>& log, TessaglyphBrowser& owner,
                  std::vector<TGB_SELECTEDITEM> items)
      : displayed(std::move(items)), calls(log), browser(owner) {}
  void show(bool modal) override { calls.push_back(modal ? "show modal" : "show"); }
  void close() override {
    calls.push_back("close");
    browser.windowClosed();
  }
  TGB_SELECTEDITEM itemRecord(TGB_SELECTIONTYPES type, Long index) override {
    for (const auto& item : displayed)
      if (item.type == type && item.index == index) return item;
    return TGB_SELECTEDITEM{};
  }
  void applyOptions() override { calls.push_back("apply options"); }
  void refreshButtons() override { calls.push_back("refresh buttons"); }
  void showItemSelected(TGB_SELECTIONTYPES type, Long index, Boolean on) override {
    calls.push_back("item " + std::to_string(type) + ":" + std::to_string(index) +
                    (on ? " on" : " off"));
  }
};

// Hands the browser a RecordingWindow over `items`.
class WindowedUserInterface : public ScriptedUserInterface {
 public:
  std::vector<TGB_SELECTEDITEM> items;
  std::vector<std::string> calls;

  std::unique_ptr<BrowseWindow> createBrowseWindow(TessaglyphBrowser& browser) override {
    return std::make_unique<RecordingWindow>(calls, browser, items);
  }
};

// Records every event as a line and vetoes those whose line or first word is in `veto`.
class VetoingHost final : public TessaglyphBrowserEvents {
 public:
  std::vector<std::string> events;
  std::vector<std::string> veto;

  void showScriptsChanged(Boolean v, Boolean& no) override { decide("showScripts", v, no); }
  void showSourcesChanged(Boolean v, Boolean& no) override { decide("showSources", v, no); }
  void displayOptionChanged(TGB_DIALOGDISPLAYOPTIONS v, Boolean& no) override {
    decide("displayOption", v, no);
  }
  void sortOptionChanged(TGB_SORTOPTIONS v, Boolean& no) override { decide("sortOption", v, no); }
  void dialogSelectionChanged(const TGB_SELECTEDITEM& item, Boolean on, Boolean& no) override {
    decide("select " + item.name + (on ? " on" : " off"), {}, no);
  }
  void dialogAccept(Boolean& no) override { decide("accept", {}, no); }
  void dialogCancel(Boolean& no) override { decide("cancel", {}, no); }

 private:
  void decide(const std::string& name, std::optional<long> value, Boolean& cancel) {
    events.push_back(value ? name + " " + std::to_string(*value) : name);
    for (const auto& vetoed : veto)
      cancel = cancel || vetoed == events.back() || vetoed == name.substr(0, name.find(' '));
  }
};

// An index holding the script GRID and the source files A.DAT and B.DAT.
class BrowsedIndexTest : public IndexTest {
 protected:
  void SetUp() override {
    IndexTest::SetUp();
    registerScript("GRID");
    indexFile("A.DAT", "GRID", "10");
    indexFile("B.DAT", "GRID", "20");
  }
};

}  // namespace tg::test
