#include <gtest/gtest.h>

#include <functional>

#include "index/browse_items.hpp"
#include "index/browser_test_support.hpp"
#include "support/user_settings.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::browseItem;

// The index holds the script GRID and the sources A.DAT and B.DAT; the window lists those.
class BrowserTest : public test::BrowsedIndexTest {
 protected:
  test::WindowedUserInterface windows;
  test::VetoingHost host;
  TessaglyphBrowser browser;

  void SetUp() override {
    test::BrowsedIndexTest::SetUp();
    windows.items = indexedItems(index);
    browser.setEventSink(&host);
  }
  std::string selection() const {
    std::string names;
    for (Long i = 0; i < browser.numSelectedItems(); ++i)
      names += (i ? " " : "") + browser.selectedItem(i).name;
    return names;
  }
};

TEST_F(BrowserTest, ButtonEnabledNeedsEveryBitAndSetsOrClearsThem) {
  struct Row {
    Long mask, button;
    bool enabled, set;
    Long maskAfterSet;
  };
  const Row rows[] = {
      {255, TGB_DTBB_ALLSHOW, true, false, 252}, {1, TGB_DTBB_ALLSHOW, false, true, 3},
      {2, TGB_DTBB_ALLSHOW, false, false, 0},    {3, TGB_DTBB_ALLSHOW, true, true, 3},
      {0, TGB_DTBB_SORTBYRES, false, true, 128}, {61, TGB_DTBB_SOURCERELATED, false, false, 1},
  };
  for (const Row& row : rows) {
    browser.setEnabledButtonsMask(row.mask);
    EXPECT_EQ(browser.buttonEnabled(row.button), row.enabled) << row.mask << " " << row.button;
    browser.setButtonEnabled(row.button, row.set);
    EXPECT_EQ(browser.enabledButtonsMask(), row.maskAfterSet) << row.mask << " " << row.button;
  }
}

TEST_F(BrowserTest, ForceSelectIsLimitedByWhatTheIndexHolds) {
  for (const auto& [value, expected] : {std::pair<Long, Long>{5, 3}, {3, 3}, {1, 1}, {-2, 0}}) {
    browser.setForceSelect(value);
    EXPECT_EQ(browser.forceSelect(), expected) << value;
  }
}

TEST_F(BrowserTest, OptionChangesRaiseTheirEventsOnlyWhenAskedAndAVetoKeepsTheOldValue) {
  struct Row {
    const char* event;
    std::function<void(TessaglyphBrowser&)> change;
    std::function<Long(const TessaglyphBrowser&)> read;
    Long before, after;
  };
  const Row rows[] = {
      {"showScripts 0", [](auto& b) { b.setShowScripts(false); },
       [](auto& b) { return Long(b.showScripts()); }, 1, 0},
      {"showSources 0", [](auto& b) { b.setShowSources(false); },
       [](auto& b) { return Long(b.showSources()); }, 1, 0},
      {"displayOption 0", [](auto& b) { b.setDisplayOption(TGB_DDO_FILENAMES); },
       [](auto& b) { return Long(b.displayOption()); }, 1, 0},
      {"sortOption 3", [](auto& b) { b.setSortOption(TGB_SO_RESOLUTION); },
       [](auto& b) { return Long(b.sortOption()); }, 1, 3},
  };
  for (const Row& row : rows) {
    for (const bool events : {false, true}) {
      for (const bool veto : {false, true}) {
        TessaglyphBrowser object;
        test::VetoingHost sink;
        if (veto) sink.veto = {row.event};
        object.setEventSink(&sink);
        object.setChangeEvents(events);
        row.change(object);
        EXPECT_EQ(row.read(object), events && veto ? row.before : row.after)
            << row.event << " events " << events << " veto " << veto;
        EXPECT_EQ(sink.events.size(), events ? 1U : 0U) << row.event;
      }
    }
  }
  // Only the shown window hears of changes.
  browser.setSortOption(TGB_SO_PATH);
  browser.showDialog(false);
  browser.setSortOption(TGB_SO_LOCATION);
  browser.setButtonEnabled(TGB_DTBB_SORTBYPATH, false);
  EXPECT_EQ(windows.calls, (std::vector<std::string>{"show", "apply options", "refresh buttons"}));
}

TEST_F(BrowserTest, SelectionChangesGoThroughTheWindowAndTheHost) {
  struct Row {
    const char* what;
    std::vector<std::tuple<TGB_SELECTIONTYPES, Long, bool>> clicks;
    std::vector<std::string> veto;
    std::string selection;
    std::size_t events;
  };
  constexpr auto src = TGB_ST_SOURCE;
  const Row rows[] = {
      {"adds in click order", {{src, 1, true}, {TGB_ST_SCRIPT, 0, true}}, {}, "B.DAT GRID", 2},
      {"a second add keeps one entry", {{src, 1, true}, {src, 1, true}}, {}, "B.DAT", 2},
      {"removing moves later entries down",
       {{src, 0, true}, {TGB_ST_SCRIPT, 0, true}, {src, 1, true}, {TGB_ST_SCRIPT, 0, false}},
       {},
       "A.DAT B.DAT",
       4},
      {"removing the last empties", {{src, 1, true}, {src, 1, false}}, {}, "", 2},
      {"an item the window does not list", {{src, 7, true}}, {}, "", 0},
      {"a vetoed add", {{src, 0, true}, {src, 1, true}}, {"select B.DAT on"}, "A.DAT", 2},
      {"a vetoed removal", {{src, 0, true}, {src, 0, false}}, {"select A.DAT off"}, "A.DAT", 2},
  };
  for (const Row& row : rows) {
    TessaglyphBrowser object;
    test::VetoingHost sink;
    sink.veto = row.veto;
    object.setEventSink(&sink);
    object.setItemSelected(src, 0, true);  // not shown: nothing happens
    object.showDialog(false);
    for (const auto& [type, index, value] : row.clicks)
      object.setItemSelected(type, index, value);
    std::string names;
    for (Long i = 0; i < object.numSelectedItems(); ++i)
      names += (i ? " " : "") + object.selectedItem(i).name;
    EXPECT_EQ(names, row.selection) << row.what;
    EXPECT_EQ(sink.events.size(), row.events) << row.what;
  }
}

TEST_F(BrowserTest, ShowingEmptiesTheSelectionAndMultiSelectOffKeepsTheFirstItem) {
  browser.showDialog(false, "Pick a grid");
  EXPECT_EQ(browser.dialogTitle(), "Pick a grid");
  EXPECT_EQ(browser.displayedItemData(TGB_ST_SOURCE, 1).name, "B.DAT");
  for (const Long row : {1, 0})
    browser.setItemSelected(TGB_ST_SOURCE, row, true);
  browser.setItemSelected(TGB_ST_SCRIPT, 0, true);
  browser.showDialog(false, "again");  // already shown: nothing happens
  EXPECT_EQ(selection(), "B.DAT A.DAT GRID");
  browser.setAllowMultiSelect(false);
  EXPECT_EQ(selection(), "B.DAT");
  browser.acceptDialog();
  browser.showDialog(false);
  EXPECT_EQ(browser.numSelectedItems(), 0);
  EXPECT_TRUE(test::raises([&] { browser.selectedItem(0); }, 9, "Subscript out of range",
                           "TessaglyphBrowser::selectedItem Get"));
}

TEST_F(BrowserTest, OkCancelAndTheCloseBoxTakeTheirRoads) {
  EXPECT_TRUE(test::raises([&] { browser.acceptDialog(); }, 9001,
                           "The browse dialog is not currently shown",
                           "TessaglyphBrowser::acceptDialog"));
  EXPECT_TRUE(test::raises([&] { browser.cancelDialog(); }, 9001,
                           "The browse dialog is not currently shown",
                           "TessaglyphBrowser::cancelDialog"));
  enum Press { ok, cancel, closeBox };
  struct Row {
    const char* what;
    Press press;
    Long forceSelect, selected;
    std::vector<std::string> veto;
    std::string message;  // "" for none
    bool open, canceled;
    Long remaining;
  };
  const Row rows[] = {
      {"OK", ok, 0, 2, {}, "", false, false, 2},
      {"OK vetoed", ok, 0, 2, {"accept"}, "", true, false, 2},
      {"OK short of the minimum", ok, 3, 1, {}, "", false, false, 1},
      {"Cancel", cancel, 0, 2, {}, "", false, true, 0},
      {"Cancel vetoed", cancel, 0, 2, {"cancel"}, "", true, false, 2},
      {"Cancel short of one",
       cancel,
       1,
       0,
       {},
       "You must select at least one item.",
       true,
       false,
       0},
      {"Cancel short of three",
       cancel,
       3,
       2,
       {},
       "You must select at least 3 items.",
       true,
       false,
       2},
      {"Cancel with enough", cancel, 2, 2, {}, "", false, true, 0},
      {"close box", closeBox, 0, 1, {}, "", false, true, 0},
      {"close box vetoed", closeBox, 0, 1, {"cancel"}, "", true, false, 1},
  };
  for (const Row& row : rows) {
    TessaglyphBrowser object;
    test::VetoingHost sink;
    sink.veto = row.veto;
    object.setEventSink(&sink);
    object.setDialogTitle("Grids");
    object.setForceSelect(row.forceSelect);
    object.showDialog(false);
    for (Long i = 0; i < row.selected; ++i)
      object.setItemSelected(i == 2 ? TGB_ST_SCRIPT : TGB_ST_SOURCE, i % 2, true);
    windows.boxes.clear();
    if (row.press == ok) object.acceptDialog();
    if (row.press == cancel) object.cancelDialog();
    if (row.press == closeBox) object.requestClose();
    if (row.message.empty()) {
      EXPECT_TRUE(windows.boxes.empty()) << row.what;
    } else {
      ASSERT_EQ(windows.boxes.size(), 1U) << row.what;
      EXPECT_EQ(windows.boxes[0].prompt, row.message);
      EXPECT_EQ(windows.boxes[0].title, "Grids");
      EXPECT_EQ(windows.boxes[0].style, MB_OKONLY | MB_EXCLAMATION);
      EXPECT_TRUE(sink.events.empty() || sink.events.back() != "cancel") << row.what;
    }
    EXPECT_EQ(object.dialogShown(), row.open) << row.what;
    EXPECT_EQ(object.lastDialogCanceled(), row.canceled) << row.what;
    EXPECT_EQ(object.numSelectedItems(), row.remaining) << row.what;
  }
}

TEST_F(BrowserTest, SettingsGoUnderTheirSixKeysAndComeBack) {
  for (const bool inRegistry : {true, false}) {
    TessaglyphBrowser saved;
    saved.setSaveSettingsInRegistry(inRegistry);
    saved.setSaveSettingsApp(inRegistry ? "Tessaglyph.DLL" : "browse.ini");
    saved.setShowScripts(false);
    saved.setDisplayOption(TGB_DDO_FILENAMES);
    saved.setSortOption(TGB_SO_RESOLUTION);
    saved.windowResized(812.5, 600);
    saved.saveSettings();
    EXPECT_EQ(home.readFile(inRegistry ? "config/tessaglyph/user-settings.ini"
                                       : "config/tessaglyph/browse.ini")
                  .value_or("<none>"),
              std::string(inRegistry ? "[Tessaglyph.DLL\\Index Browse Dialog Settings]\n"
                                     : "[Index Browse Dialog Settings]\n") +
                  "Show Scripts=False\nShow Sources=True\nDisplay Option=0\nSort Option=3\n"
                  "Form Width=812.5\nForm Height=600\n");
    TessaglyphBrowser loaded;
    loaded.setSaveSettingsInRegistry(inRegistry);
    loaded.setSaveSettingsApp(saved.saveSettingsApp());
    loaded.loadSettings();
    EXPECT_FALSE(loaded.showScripts());
    EXPECT_TRUE(loaded.showSources());
    EXPECT_EQ(loaded.displayOption(), TGB_DDO_FILENAMES);
    EXPECT_EQ(loaded.sortOption(), TGB_SO_RESOLUTION);
    EXPECT_EQ(loaded.windowWidth(), 812.5);
    EXPECT_EQ(loaded.windowHeight(), 600);
  }
}

TEST_F(BrowserTest, LoadingKeepsMissingKeysAndRefusesValuesThatDoNotConvert) {
  const char* section = "Index Browse Dialog Settings";
  writeUserSetting("Tessaglyph.DLL", section, "Sort Option", "2");
  browser.setDisplayOption(TGB_DDO_FILENAMES);
  browser.loadSettings();
  EXPECT_EQ(browser.sortOption(), TGB_SO_LOCATION);
  EXPECT_EQ(browser.displayOption(), TGB_DDO_FILENAMES);

  writeUserSetting("Tessaglyph.DLL", section, "Sort Option", "0");
  writeUserSetting("Tessaglyph.DLL", section, "Form Width", "wide");
  EXPECT_EQ(test::errorNumber([&] { browser.loadSettings(); }), 13);
  EXPECT_EQ(browser.sortOption(), TGB_SO_LOCATION);

  browser.setRememberSettings(false);
  browser.setSaveSettingsApp("Other");
  browser.saveSettings();
  EXPECT_FALSE(readUserSetting("Other", section, "Sort Option"));

  // Empty texts store the defaults; an INI file's default is the settings file.
  browser.setSaveSettingsInRegistry(false);
  browser.setSaveSettingsApp("");
  EXPECT_EQ(browser.saveSettingsApp(), Tessaglyph().getTessaglyphININame());
  browser.setSaveSettingsSection("x");
  browser.applySaveSettingsDefaults();
  EXPECT_EQ(browser.saveSettingsApp() + "|" + browser.saveSettingsSection(),
            "Tessaglyph.DLL|Index Browse Dialog Settings");
  browser.setDialogTitle("");
  EXPECT_EQ(browser.dialogTitle(), "Select Index Files");
}

TEST_F(BrowserTest, TheWindowListsTheIndexFilteredAndSortedByTheOptions) {
  ASSERT_EQ(windows.items.size(), 3U);
  const TGB_SELECTEDITEM& b = windows.items[2];
  EXPECT_EQ(std::tie(b.name, b.filename, b.Priority, b.index, b.type),
            std::make_tuple("B.DAT", home.root() + "data/B.DAT", "20", 1, TGB_ST_SOURCE));
  EXPECT_EQ(std::tie(b.nLat, b.sLat, b.wLon, b.eLon, b.xRes, b.yRes),
            std::make_tuple(36.0, 35.0, -100.0, -99.0, 30.0, 40.0));

  const std::vector<TGB_SELECTEDITEM> items = {
      browseItem(TGB_ST_SOURCE, 0, "n.dat", "/b/n.dat", "2", 40, -100, 90),
      browseItem(TGB_ST_SOURCE, 1, "s.dat", "/a/s.dat", "1", 30, -90, 30),
      browseItem(TGB_ST_SOURCE, 2, "w.dat", "/c/w.dat", "3", 40, -110, 10),
      browseItem(TGB_ST_SCRIPT, 0, "ZED", "/s/a.tgp", "1"),
      browseItem(TGB_ST_SCRIPT, 1, "ALPHA", "/s/z.tgp", "2"),
  };
  struct Row {
    bool scripts, sources;
    TGB_SORTOPTIONS sort;
    std::string order;
  };
  const Row rows[] = {
      {true, true, TGB_SO_PATH, "ZED ALPHA s.dat n.dat w.dat"},
      {true, true, TGB_SO_CATEGORY, "ZED ALPHA s.dat n.dat w.dat"},
      {true, true, TGB_SO_LOCATION, "ALPHA ZED w.dat n.dat s.dat"},
      {true, true, TGB_SO_RESOLUTION, "ALPHA ZED w.dat s.dat n.dat"},
      {false, true, TGB_SO_PATH, "s.dat n.dat w.dat"},
      {true, false, TGB_SO_PATH, "ZED ALPHA"},
  };
  for (const Row& row : rows) {
    std::string order;
    for (const auto& item : displayedItems(items, row.scripts, row.sources, row.sort))
      order += (order.empty() ? "" : " ") + item.name;
    EXPECT_EQ(order, row.order) << row.sort << " " << row.scripts << row.sources;
  }
  EXPECT_EQ(itemLabel(items[0], TGB_DDO_INDEXNAMES), "n.dat");
  EXPECT_EQ(itemLabel(items[0], TGB_DDO_FILENAMES), "/b/n.dat");
}

}  // namespace
}  // namespace tg
