#include <gtest/gtest.h>

#include <functional>

#include "index/browse_items.hpp"
#include "index/browser_test_support.hpp"
#include "support/conversions.hpp"
#include "support/user_settings.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::browseItem;

class BrowserTest : public ::testing::Test {
 protected:
  test::SettingsSandbox home{true};
  test::WindowedUserInterface ui;
  test::VetoingHost host;
  TessaglyphBrowser browser;

  void SetUp() override {
    ui.items = {browseItem(TGB_ST_SCRIPT, 0, "GRID"), browseItem(TGB_ST_SOURCE, 0, "A.DAT"),
                browseItem(TGB_ST_SOURCE, 1, "B.DAT"), browseItem(TGB_ST_SOURCE, 2, "C.DAT")};
    browser.setEventSink(&host);
  }
  void show() { browser.showDialog(false); }
  void select(TGB_SELECTIONTYPES type, Long index, bool value = true) {
    browser.setItemSelected(type, index, value);
  }
  std::string selection() const {
    std::string names;
    for (Long i = 0; i < browser.numSelectedItems(); ++i)
      names += (i ? " " : "") + browser.selectedItem(i).name;
    return names;
  }
};

TEST_F(BrowserTest, ANewObjectHoldsTheDialogDefaults) {
  const TessaglyphBrowser fresh;
  EXPECT_EQ(fresh.dialogTitle(), "Select Index Files");
  EXPECT_TRUE(fresh.rememberSettings());
  EXPECT_TRUE(fresh.saveSettingsInRegistry());
  EXPECT_EQ(fresh.saveSettingsApp(), "Tessaglyph.DLL");
  EXPECT_EQ(fresh.saveSettingsSection(), "Index Browse Dialog Settings");
  EXPECT_FALSE(fresh.dialogShown());
  EXPECT_FALSE(fresh.changeEvents());
  EXPECT_TRUE(fresh.allowMultiSelect());
  EXPECT_EQ(fresh.forceSelect(), 0);
  EXPECT_EQ(fresh.enabledButtonsMask(), 255);
  EXPECT_TRUE(fresh.showScripts());
  EXPECT_TRUE(fresh.showSources());
  EXPECT_EQ(fresh.displayOption(), TGB_DDO_INDEXNAMES);
  EXPECT_EQ(fresh.sortOption(), TGB_SO_CATEGORY);
  EXPECT_FALSE(fresh.lastDialogCanceled());
  EXPECT_EQ(fresh.windowWidth(), 0);
  EXPECT_EQ(fresh.windowHeight(), 0);
  EXPECT_EQ(fresh.numSelectedItems(), 0);
  EXPECT_EQ(fresh.displayedItemData(TGB_ST_SOURCE, 0).index, -1);
}

TEST_F(BrowserTest, EmptyTextsStoreTheDefaults) {
  struct Row {
    bool inRegistry;
    std::function<void(TessaglyphBrowser&)> set;
    std::function<std::string(const TessaglyphBrowser&)> get;
    std::string expected;  // "<ini>" for the settings file's path
  };
  const Row rows[] = {
      {true, [](auto& b) { b.setDialogTitle(""); }, [](auto& b) { return b.dialogTitle(); },
       "Select Index Files"},
      {true, [](auto& b) { b.setDialogTitle("Pick"); }, [](auto& b) { return b.dialogTitle(); },
       "Pick"},
      {true, [](auto& b) { b.setSaveSettingsSection(""); },
       [](auto& b) { return b.saveSettingsSection(); }, "Index Browse Dialog Settings"},
      {true, [](auto& b) { b.setSaveSettingsApp(""); }, [](auto& b) { return b.saveSettingsApp(); },
       "Tessaglyph.DLL"},
      {false, [](auto& b) { b.setSaveSettingsApp(""); },
       [](auto& b) { return b.saveSettingsApp(); }, "<ini>"},
      {false, [](auto& b) { b.setSaveSettingsApp("my.ini"); },
       [](auto& b) { return b.saveSettingsApp(); }, "my.ini"},
  };
  for (const Row& row : rows) {
    TessaglyphBrowser object;
    object.setDialogTitle("x");
    object.setSaveSettingsSection("x");
    object.setSaveSettingsApp("x");
    object.setSaveSettingsInRegistry(row.inRegistry);
    row.set(object);
    const std::string expected =
        row.expected == "<ini>" ? Tessaglyph().getTessaglyphININame() : row.expected;
    EXPECT_EQ(row.get(object), expected) << row.expected;
  }
}

TEST_F(BrowserTest, ButtonEnabledNeedsEveryBitAndSetsOrClearsThem) {
  struct Row {
    Long mask, button;
    bool enabled;
    bool set;
    Long maskAfterSet;
  };
  const Row rows[] = {
      {255, TGB_DTBB_ALLSHOW, true, false, 252},
      {1, TGB_DTBB_ALLSHOW, false, true, 3},
      {2, TGB_DTBB_ALLSHOW, false, false, 0},
      {3, TGB_DTBB_ALLSHOW, true, true, 3},
      {0, TGB_DTBB_SORTBYRES, false, true, 128},
      {TGB_DTBB_SCRIPTRELATED, TGB_DTBB_SOURCERELATED, false, false, 1},
      {TGB_DTBB_SCRIPTRELATED, TGB_DTBB_ALLSORT & TGB_DTBB_SCRIPTRELATED, true, false, 13},
  };
  for (const Row& row : rows) {
    TessaglyphBrowser object;
    object.setEnabledButtonsMask(row.mask);
    EXPECT_EQ(object.buttonEnabled(row.button), row.enabled) << row.mask << " " << row.button;
    object.setButtonEnabled(row.button, row.set);
    EXPECT_EQ(object.enabledButtonsMask(), row.maskAfterSet) << row.mask << " " << row.button;
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
        const bool kept = events && veto;
        EXPECT_EQ(row.read(object), kept ? row.before : row.after)
            << row.event << " events " << events << " veto " << veto;
        EXPECT_EQ(sink.events,
                  events ? std::vector<std::string>{row.event} : std::vector<std::string>{})
            << row.event;
      }
    }
  }
}

TEST_F(BrowserTest, TheShownWindowAppliesOptionsAndRefreshesButtons) {
  browser.setSortOption(TGB_SO_PATH);
  browser.setEnabledButtonsMask(3);
  EXPECT_TRUE(ui.calls.empty());
  show();
  browser.setSortOption(TGB_SO_LOCATION);
  browser.setButtonEnabled(TGB_DTBB_SORTBYPATH, true);
  browser.loadSettings();
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"show", "apply options", "refresh buttons",
                                                "apply options"}));
}

TEST_F(BrowserTest, SelectionChangesGoThroughTheWindowAndTheHost) {
  struct Row {
    const char* what;
    std::vector<std::pair<Long, bool>> clicks;  // source rows (-9: the script 0)
    std::vector<std::string> veto;
    std::string selection;
    Long events;
  };
  const Row rows[] = {
      {"adds in click order", {{1, true}, {0, true}}, {}, "B.DAT A.DAT", 2},
      {"a second add keeps one entry", {{1, true}, {1, true}}, {}, "B.DAT", 2},
      {"removing moves later entries down",
       {{0, true}, {1, true}, {2, true}, {1, false}},
       {},
       "A.DAT C.DAT",
       4},
      {"removing the last empties", {{2, true}, {2, false}}, {}, "", 2},
      {"an item the window does not list", {{7, true}}, {}, "", 0},
      {"scripts and sources", {{-9, true}, {0, true}}, {}, "GRID A.DAT", 2},
      {"a vetoed add", {{0, true}, {1, true}}, {"select B.DAT on"}, "A.DAT", 2},
      {"a vetoed removal", {{0, true}, {0, false}}, {"select A.DAT off"}, "A.DAT", 2},
  };
  for (const Row& row : rows) {
    TessaglyphBrowser object;
    test::VetoingHost sink;
    sink.veto = row.veto;
    object.setEventSink(&sink);
    object.showDialog(false);
    for (const auto& [index, value] : row.clicks) {
      if (index == -9) {
        object.setItemSelected(TGB_ST_SCRIPT, 0, value);
      } else {
        object.setItemSelected(TGB_ST_SOURCE, index, value);
      }
    }
    std::string names;
    for (Long i = 0; i < object.numSelectedItems(); ++i)
      names += (i ? " " : "") + object.selectedItem(i).name;
    EXPECT_EQ(names, row.selection) << row.what;
    EXPECT_EQ(Long(sink.events.size()), row.events) << row.what;
    EXPECT_FALSE(object.itemSelected(TGB_ST_SOURCE, 7)) << row.what;
  }
}

TEST_F(BrowserTest, SelectingNeedsTheShownDialogAndShowingEmptiesTheSelection) {
  select(TGB_ST_SOURCE, 0);
  EXPECT_EQ(browser.numSelectedItems(), 0);
  EXPECT_TRUE(host.events.empty());
  browser.showDialog(false, "Pick a grid");
  EXPECT_EQ(browser.dialogTitle(), "Pick a grid");
  EXPECT_EQ(browser.displayedItemData(TGB_ST_SOURCE, 1).name, "B.DAT");
  EXPECT_EQ(browser.displayedItemData(TGB_ST_SOURCE, 9).index, -1);
  select(TGB_ST_SOURCE, 0);
  select(TGB_ST_SOURCE, 2);
  EXPECT_TRUE(browser.itemSelected(TGB_ST_SOURCE, 2));
  EXPECT_FALSE(browser.itemSelected(TGB_ST_SCRIPT, 2));
  browser.showDialog(false, "again");  // already shown: nothing happens
  EXPECT_EQ(selection(), "A.DAT C.DAT");
  EXPECT_EQ(browser.dialogTitle(), "Pick a grid");
  browser.acceptDialog();
  EXPECT_EQ(selection(), "A.DAT C.DAT");
  browser.showDialog(false);
  EXPECT_EQ(browser.numSelectedItems(), 0);
  EXPECT_TRUE(test::raises([&] { browser.selectedItem(0); }, 9, "Subscript out of range",
                           "TessaglyphBrowser::selectedItem Get"));
}

TEST_F(BrowserTest, TurningMultiSelectOffWhileShownKeepsTheFirstItem) {
  show();
  select(TGB_ST_SOURCE, 2);
  select(TGB_ST_SOURCE, 0);
  select(TGB_ST_SOURCE, 1);
  browser.setAllowMultiSelect(false);
  EXPECT_EQ(selection(), "C.DAT");
  EXPECT_FALSE(browser.allowMultiSelect());
}

TEST_F(BrowserTest, AcceptAndCancelNeedTheShownDialog) {
  EXPECT_TRUE(test::raises([&] { browser.acceptDialog(); }, 9001,
                           "The browse dialog is not currently shown",
                           "TessaglyphBrowser::acceptDialog"));
  EXPECT_TRUE(test::raises([&] { browser.cancelDialog(); }, 9001,
                           "The browse dialog is not currently shown",
                           "TessaglyphBrowser::cancelDialog"));
}

TEST_F(BrowserTest, OkAndCancelTakeTheirRoads) {
  struct Row {
    const char* what;
    bool ok;  // else Cancel
    Long forceSelect;
    Long selected;
    std::vector<std::string> veto;
    std::string message;  // "" for none
    bool open;            // the dialog stays shown
    bool canceled;
    Long remaining;
  };
  const Row rows[] = {
      {"OK", true, 0, 2, {}, "", false, false, 2},
      {"OK vetoed", true, 0, 2, {"accept"}, "", true, false, 2},
      {"Cancel", false, 0, 2, {}, "", false, true, 0},
      {"Cancel vetoed", false, 0, 2, {"cancel"}, "", true, false, 2},
      {"Cancel short of one",
       false,
       1,
       0,
       {},
       "You must select at least one item.",
       true,
       false,
       0},
      {"Cancel short of three",
       false,
       3,
       2,
       {},
       "You must select at least 3 items.",
       true,
       false,
       2},
      {"Cancel with enough", false, 2, 2, {}, "", false, true, 0},
      {"OK short of the minimum", true, 3, 1, {}, "", false, false, 1},
  };
  for (const Row& row : rows) {
    TessaglyphBrowser object;
    test::VetoingHost sink;
    sink.veto = row.veto;
    object.setEventSink(&sink);
    object.setDialogTitle("Grids");
    object.showDialog(false);
    for (Long i = 0; i < row.selected; ++i)
      object.setItemSelected(TGB_ST_SOURCE, i, true);
    // Set directly: the index of this test is empty, and the limit comes from the index.
    ui.boxes.clear();
    if (row.forceSelect > 0) {
      TessaglyphIndex index;
      index.initIndexSystem();
      for (Long i = index.numScriptIndexRecords(); i < row.forceSelect; ++i)
        index.indexScriptFile("s.tgp", "S" + std::to_string(i), "*.X");
    }
    object.setForceSelect(row.forceSelect);
    ASSERT_EQ(object.forceSelect(), row.forceSelect) << row.what;
    if (row.ok) {
      object.acceptDialog();
    } else {
      object.cancelDialog();
    }
    if (row.message.empty()) {
      EXPECT_TRUE(ui.boxes.empty()) << row.what;
    } else {
      ASSERT_EQ(ui.boxes.size(), 1U) << row.what;
      EXPECT_EQ(ui.boxes[0].prompt, row.message);
      EXPECT_EQ(ui.boxes[0].title, "Grids");
      EXPECT_EQ(ui.boxes[0].style, MB_OKONLY | MB_EXCLAMATION);
      EXPECT_TRUE(sink.events.empty() || sink.events.back().starts_with("select")) << row.what;
    }
    EXPECT_EQ(object.dialogShown(), row.open) << row.what;
    EXPECT_EQ(object.lastDialogCanceled(), row.canceled) << row.what;
    EXPECT_EQ(object.numSelectedItems(), row.remaining) << row.what;
  }
  TessaglyphIndex().stopIndexSystem();
}

TEST_F(BrowserTest, TheCloseBoxTakesTheCancelRoad) {
  show();
  host.veto = {"cancel"};
  browser.requestClose();
  EXPECT_TRUE(browser.dialogShown());
  host.veto.clear();
  browser.requestClose();
  EXPECT_FALSE(browser.dialogShown());
  EXPECT_TRUE(browser.lastDialogCanceled());
  EXPECT_EQ(ui.calls.back(), "close");
}

TEST_F(BrowserTest, SettingsGoUnderTheirSixKeysAndComeBack) {
  struct Row {
    bool inRegistry;
    std::string app;
  };
  const Row rows[] = {{true, "Tessaglyph.DLL"}, {false, "browse.ini"}};
  for (const Row& row : rows) {
    TessaglyphBrowser saved;
    saved.setSaveSettingsInRegistry(row.inRegistry);
    saved.setSaveSettingsApp(row.app);
    saved.setShowScripts(false);
    saved.setDisplayOption(TGB_DDO_FILENAMES);
    saved.setSortOption(TGB_SO_RESOLUTION);
    saved.windowResized(812.5, 600);
    saved.saveSettings();
    const std::string file =
        row.inRegistry ? "config/tessaglyph/user-settings.ini" : "config/tessaglyph/browse.ini";
    const std::string section = row.inRegistry ? "[Tessaglyph.DLL\\Index Browse Dialog Settings]\n"
                                               : "[Index Browse Dialog Settings]\n";
    EXPECT_EQ(home.readFile(file).value_or("<none>"),
              section +
                  "Show Scripts=False\nShow Sources=True\nDisplay Option=0\nSort Option=3\n"
                  "Form Width=812.5\nForm Height=600\n");
    TessaglyphBrowser loaded;
    loaded.setSaveSettingsInRegistry(row.inRegistry);
    loaded.setSaveSettingsApp(row.app);
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
  writeUserSetting("Tessaglyph.DLL", "Index Browse Dialog Settings", "Sort Option", "2");
  browser.setDisplayOption(TGB_DDO_FILENAMES);
  browser.loadSettings();
  EXPECT_EQ(browser.sortOption(), TGB_SO_LOCATION);
  EXPECT_EQ(browser.displayOption(), TGB_DDO_FILENAMES);
  EXPECT_TRUE(browser.showScripts());

  writeUserSetting("Tessaglyph.DLL", "Index Browse Dialog Settings", "Sort Option", "0");
  writeUserSetting("Tessaglyph.DLL", "Index Browse Dialog Settings", "Form Width", "wide");
  EXPECT_EQ(test::errorNumber([&] { browser.loadSettings(); }), 13);
  EXPECT_EQ(browser.sortOption(), TGB_SO_LOCATION);

  // Not remembering writes nothing.
  TessaglyphBrowser forgetful;
  forgetful.setRememberSettings(false);
  forgetful.setSaveSettingsApp("Other");
  forgetful.saveSettings();
  EXPECT_FALSE(readUserSetting("Other", "Index Browse Dialog Settings", "Sort Option"));

  forgetful.setSaveSettingsInRegistry(false);
  forgetful.setSaveSettingsApp("x.ini");
  forgetful.applySaveSettingsDefaults();
  EXPECT_TRUE(forgetful.saveSettingsInRegistry());
  EXPECT_EQ(forgetful.saveSettingsApp(), "Tessaglyph.DLL");
}

// ---- The index behind the dialog --------------------------------------------------------

class BrowsedIndex : public test::BrowsedIndexTest {};

TEST_F(BrowsedIndex, ForceSelectIsLimitedByWhatTheIndexHolds) {
  const std::pair<Long, Long> rows[] = {{5, 3}, {3, 3}, {2, 2}, {1, 1}, {0, 0}, {-2, 0}};
  for (const auto& [value, expected] : rows) {
    TessaglyphBrowser object;
    object.setForceSelect(value);
    EXPECT_EQ(object.forceSelect(), expected) << value;
  }
}

TEST_F(BrowsedIndex, TheIndexedItemsCarryTheirRecords) {
  const auto items = indexedItems(index);
  ASSERT_EQ(items.size(), 3U);
  EXPECT_EQ(items[0].type, TGB_ST_SCRIPT);
  EXPECT_EQ(items[0].name, "GRID");
  EXPECT_EQ(items[0].index, 0);
  EXPECT_EQ(items[2].type, TGB_ST_SOURCE);
  EXPECT_EQ(items[2].name, "B.DAT");
  EXPECT_EQ(items[2].filename, home.root() + "data/B.DAT");
  EXPECT_EQ(items[2].Priority, "20");
  EXPECT_EQ(items[2].index, 1);
  EXPECT_EQ(items[2].nLat, 36);
  EXPECT_EQ(items[2].sLat, 35);
  EXPECT_EQ(items[2].wLon, -100);
  EXPECT_EQ(items[2].eLon, -99);
  EXPECT_EQ(items[2].xRes, 30);
  EXPECT_EQ(items[2].yRes, 40);
}

TEST(BrowseItems, TheWindowFiltersAndSortsByTheOptions) {
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
      {false, false, TGB_SO_PATH, ""},
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
