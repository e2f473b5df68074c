// A browse window that does what it is told and remembers it, a host that vetoes on request, and
// an index of two source files and one script to browse.
#pragma once

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
    for (const auto& item : displayed) {
      if (item.type == type && item.index == index) return item;
    }
    return TGB_SELECTEDITEM{};
  }
  void applyOptions() override { calls.push_back("apply options"); }
  void refreshButtons() override { calls.push_back("refresh buttons"); }
  void showItemSelected(TGB_SELECTIONTYPES type, Long index, Boolean selected) override {
    calls.push_back("item " + std::to_string(type) + ":" + std::to_string(index) +
                    (selected ? " on" : " off"));
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

// Records every event as a line and vetoes those named in `veto`.
class VetoingHost final : public TessaglyphBrowserEvents {
 public:
  std::vector<std::string> events;
  std::vector<std::string> veto;

  void showScriptsChanged(Boolean value, Boolean& cancel) override {
    decide("showScripts " + std::to_string(value), cancel);
  }
  void showSourcesChanged(Boolean value, Boolean& cancel) override {
    decide("showSources " + std::to_string(value), cancel);
  }
  void displayOptionChanged(TGB_DIALOGDISPLAYOPTIONS value, Boolean& cancel) override {
    decide("displayOption " + std::to_string(value), cancel);
  }
  void sortOptionChanged(TGB_SORTOPTIONS value, Boolean& cancel) override {
    decide("sortOption " + std::to_string(value), cancel);
  }
  void dialogSelectionChanged(const TGB_SELECTEDITEM& item, Boolean selected,
                              Boolean& cancel) override {
    decide("select " + item.name + (selected ? " on" : " off"), cancel);
  }
  void dialogAccept(Boolean& cancel) override { decide("accept", cancel); }
  void dialogCancel(Boolean& cancel) override { decide("cancel", cancel); }

 private:
  void decide(const std::string& event, Boolean& cancel) {
    events.push_back(event);
    const std::string name = event.substr(0, event.find(' '));
    for (const auto& vetoed : veto)
      cancel = cancel || vetoed == name || vetoed == event;
  }
};

inline TGB_SELECTEDITEM browseItem(TGB_SELECTIONTYPES type, Long index, std::string name,
                                   std::string filename = {}, std::string priority = {},
                                   double nLat = 0, double wLon = 0, double xRes = 0) {
  TGB_SELECTEDITEM item;
  item.type = type;
  item.index = index;
  item.name = std::move(name);
  item.filename = std::move(filename);
  item.Priority = std::move(priority);
  item.nLat = nLat;
  item.sLat = nLat - 1;
  item.wLon = wLon;
  item.eLon = wLon + 1;
  item.xRes = xRes;
  item.yRes = xRes;
  return item;
}

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
