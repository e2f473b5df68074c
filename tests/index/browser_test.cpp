// The browse dialog's object: buttons, options and their events, the selection, OK and Cancel,
// the saved settings and the items the window lists.
#include <gtest/gtest.h>

#include <functional>

#include "index/browse_items.hpp"
#include "index/browser_test_support.hpp"
#include "support/user_settings.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

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
  static std::string selection(const TessaglyphBrowser& object) {
    std::string names;
    for (Long i = 0; i < object.numSelectedItems(); ++i)
      names += (i ? " " : "") + object.selectedItem(i).name;
    return names;
  }
};

TEST_F(BrowserTest, ButtonsNeedEveryBitAndForceSelectIsLimitedByTheIndex) {
  const struct {
    Long mask, button;
    bool enabled, set;
    Long maskAfterSet;
  } rows[] = {{255, TGB_DTBB_ALLSHOW, true, false, 252},
              {1, TGB_DTBB_ALLSHOW, false, true, 3},
              {0, TGB_DTBB_SORTBYRES, false, true, 128},
              {61, TGB_DTBB_SOURCERELATED, false, false, 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.mask << " " << row.button);
    browser.setEnabledButtonsMask(row.mask);
    EXPECT_EQ(browser.buttonEnabled(row.button), row.enabled);
    browser.setButtonEnabled(row.button, row.set);
    EXPECT_EQ(browser.enabledButtonsMask(), row.maskAfterSet);
  }
  for (const auto& [value, expected] : {std::pair<Long, Long>{5, 3}, {3, 3}, {-2, 0}}) {
    browser.setForceSelect(value);
    EXPECT_EQ(browser.forceSelect(), expected) << value;
  }
}

TEST_F(BrowserTest, OptionChangesRaiseTheirEventsOnlyWhenAskedAndAVetoKeepsTheOldValue) {
  const struct {
    const char* event;
    std::function<void(TessaglyphBrowser&)> change;
    std::function<Long(const TessaglyphBrowser&)> read;
    Long before, after;
  } rows[] = {
      {"showScripts 0", [](auto& b) { b.setShowScripts(false); },
       [](auto& b) { return Long(b.showScripts()); }, 1, 0},
      {"showSources 0", [](auto& b) { b.setShowSources(false); },
       [](auto& b) { return Long(b.showSources()); }, 1, 0},
      {"displayOption 0", [](auto& b) { b.setDisplayOption(TGB_DDO_FILENAMES); },
       [](auto& b) { return Long(b.displayOption()); }, 1, 0},
      {"sortOption 3", [](auto& b) { b.setSortOption(TGB_SO_RESOLUTION); },
       [](auto& b) { return Long(b.sortOption()); }, 1, 3},
  };
  for (const auto& row : rows) {
    for (const bool events : {false, true}) {
      for (const bool veto : {false, true}) {
        SCOPED_TRACE(testing::Message() << row.event << " events " << events << " veto " << veto);
        TessaglyphBrowser object;
        test::VetoingHost sink;
        if (veto) sink.veto = {row.event};
        object.setEventSink(&sink);
        object.setChangeEvents(events);
        row.change(object);
        EXPECT_EQ(row.read(object), events && veto ? row.before : row.after);
        EXPECT_EQ(sink.events,
                  events ? std::vector<std::string>{row.event} : std::vector<std::string>{});
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

// Clicks (type, index, on) go through the window, which must list the item, and the host, which
// may veto them.
TEST_F(BrowserTest, SelectionChangesGoThroughTheWindowAndTheHost) {
  constexpr auto src = TGB_ST_SOURCE, scr = TGB_ST_SCRIPT;
  const struct {
    std::vector<std::tuple<TGB_SELECTIONTYPES, Long, bool>> clicks;
    const char* veto;
    std::string selection;
    std::size_t events;
  } rows[] = {
      {{{src, 1, true}, {src, 1, true}}, "", "B.DAT", 2},
      {{{src, 0, true}, {scr, 0, true}, {src, 1, true}, {scr, 0, false}}, "", "A.DAT B.DAT", 4},
      {{{src, 1, true}, {src, 1, false}}, "", "", 2},
      {{{src, 7, true}}, "", "", 0},
      {{{src, 0, true}, {src, 1, true}}, "select B.DAT on", "A.DAT", 2},
      {{{src, 0, true}, {src, 0, false}}, "select A.DAT off", "A.DAT", 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.selection + " " + row.veto);
    TessaglyphBrowser object;
    test::VetoingHost sink;
    sink.veto = {row.veto};
    object.setEventSink(&sink);
    object.setItemSelected(src, 0, true);  // not shown: nothing happens
    object.showDialog(false);
    for (const auto& [type, index, value] : row.clicks)
      object.setItemSelected(type, index, value);
    EXPECT_EQ(selection(object), row.selection);
    EXPECT_EQ(sink.events.size(), row.events);
  }
  // Showing empties the selection; multi-select off keeps the first item.
  browser.showDialog(false, "Pick a grid");
  EXPECT_EQ(browser.dialogTitle(), "Pick a grid");
  EXPECT_EQ(browser.displayedItemData(src, 1).name, "B.DAT");
  for (const Long row : {1, 0})
    browser.setItemSelected(src, row, true);
  browser.setItemSelected(scr, 0, true);
  browser.showDialog(false, "again");  // already shown: nothing happens
  EXPECT_EQ(selection(browser), "B.DAT A.DAT GRID");
  browser.setAllowMultiSelect(false);
  EXPECT_EQ(selection(browser), "B.DAT");
  browser.acceptDialog();
  browser.showDialog(false);
  EXPECT_EQ(browser.numSelectedItems(), 0);
  EXPECT_TRUE(test::raises([&] { browser.selectedItem(0); }, 9, "Subscript out of range",
                           "TessaglyphBrowser::selectedItem Get"));
}

// OK, Cancel and the close box with `selected` items of which `forceSelect` are needed.
TEST_F(BrowserTest, OkCancelAndTheCloseBoxTakeTheirRoads) {
  for (const char* member : {"acceptDialog", "cancelDialog"})
    EXPECT_TRUE(test::raises(
        [&] { *member == 'a' ? browser.acceptDialog() : browser.cancelDialog(); }, 9001,
        "The browse dialog is not currently shown", std::string("TessaglyphBrowser::") + member));
  enum Press { ok, cancel, closeBox };
  const struct {
    Press press;
    Long forceSelect, selected;
    const char* veto;
    const char* message;  // "" for none
    bool open, canceled;
    Long remaining;
  } rows[] = {
      {ok, 0, 2, "", "", false, false, 2},
      {ok, 0, 2, "accept", "", true, false, 2},
      {ok, 3, 1, "", "", false, false, 1},
      {cancel, 0, 2, "", "", false, true, 0},
      {cancel, 0, 2, "cancel", "", true, false, 2},
      {cancel, 1, 0, "", "You must select at least one item.", true, false, 0},
      {cancel, 3, 2, "", "You must select at least 3 items.", true, false, 2},
      {cancel, 2, 2, "", "", false, true, 0},
      {closeBox, 0, 1, "", "", false, true, 0},
      {closeBox, 0, 1, "cancel", "", true, false, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << row.press << " " << row.forceSelect << " " << row.selected << " " << row.veto);
    TessaglyphBrowser object;
    test::VetoingHost sink;
    sink.veto = {row.veto};
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
    ASSERT_EQ(windows.boxes.size(), *row.message ? 1U : 0U);
    if (*row.message) {
      EXPECT_EQ(windows.boxes[0].prompt, row.message);
      EXPECT_EQ(windows.boxes[0].title, "Grids");
      EXPECT_TRUE(sink.events.empty() || sink.events.back() != "cancel");
    }
    EXPECT_EQ(object.dialogShown(), row.open);
    EXPECT_EQ(object.lastDialogCanceled(), row.canceled);
    EXPECT_EQ(object.numSelectedItems(), row.remaining);
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
                                       : "config/tessaglyph/browse.ini"),
              std::string(inRegistry ? "[Tessaglyph.DLL\\" : "[") +
                  "Index Browse Dialog Settings]\nShow Scripts=False\nShow Sources=True\n"
                  "Display Option=0\nSort Option=3\nForm Width=812.5\nForm Height=600\n");
    TessaglyphBrowser loaded;
    loaded.setSaveSettingsInRegistry(inRegistry);
    loaded.setSaveSettingsApp(saved.saveSettingsApp());
    loaded.loadSettings();
    EXPECT_EQ(std::make_tuple(loaded.showScripts(), loaded.showSources(), loaded.displayOption(),
                              loaded.sortOption(), loaded.windowWidth(), loaded.windowHeight()),
              std::make_tuple(false, true, TGB_DDO_FILENAMES, TGB_SO_RESOLUTION, 812.5, 600.0));
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

// An item of the type, row and name, at (nLat, wLon) with a resolution of xRes by xRes.
TGB_SELECTEDITEM item(TGB_SELECTIONTYPES type, Long index, const char* name, const char* file,
                      const char* priority, double nLat = 0, double wLon = 0, double xRes = 0) {
  return {name, file, priority, xRes, xRes, nLat - 1, nLat, wLon + 1, wLon, index, type};
}

TEST_F(BrowserTest, TheWindowListsTheIndexFilteredAndSortedByTheOptions) {
  ASSERT_EQ(windows.items.size(), 3U);
  const TGB_SELECTEDITEM& b = windows.items[2];
  EXPECT_EQ(std::tie(b.name, b.filename, b.Priority, b.index, b.type),
            std::make_tuple("B.DAT", home.root() + "data/B.DAT", "20", 1, TGB_ST_SOURCE));
  EXPECT_EQ(std::tie(b.nLat, b.sLat, b.wLon, b.eLon, b.xRes, b.yRes),
            std::make_tuple(36.0, 35.0, -100.0, -99.0, 30.0, 40.0));
  const std::vector<TGB_SELECTEDITEM> items = {
      item(TGB_ST_SOURCE, 0, "n.dat", "/b/n.dat", "2", 40, -100, 90),
      item(TGB_ST_SOURCE, 1, "s.dat", "/a/s.dat", "1", 30, -90, 30),
      item(TGB_ST_SOURCE, 2, "w.dat", "/c/w.dat", "3", 40, -110, 10),
      item(TGB_ST_SCRIPT, 0, "ZED", "/s/a.tgp", "1"),
      item(TGB_ST_SCRIPT, 1, "ALPHA", "/s/z.tgp", "2")};
  const struct {
    bool scripts, sources;
    TGB_SORTOPTIONS sort;
    std::string order;
  } rows[] = {{true, true, TGB_SO_PATH, "ZED ALPHA s.dat n.dat w.dat"},
              {true, true, TGB_SO_CATEGORY, "ZED ALPHA s.dat n.dat w.dat"},
              {true, true, TGB_SO_LOCATION, "ALPHA ZED w.dat n.dat s.dat"},
              {true, true, TGB_SO_RESOLUTION, "ALPHA ZED w.dat s.dat n.dat"},
              {false, true, TGB_SO_PATH, "s.dat n.dat w.dat"},
              {true, false, TGB_SO_PATH, "ZED ALPHA"}};
  for (const auto& row : rows) {
    std::string order;
    for (const auto& shown : displayedItems(items, row.scripts, row.sources, row.sort))
      order += (order.empty() ? "" : " ") + shown.name;
    EXPECT_EQ(order, row.order) << row.sort << " " << row.scripts << row.sources;
  }
  EXPECT_EQ(itemLabel(items[0], TGB_DDO_INDEXNAMES), "n.dat");
  EXPECT_EQ(itemLabel(items[0], TGB_DDO_FILENAMES), "/b/n.dat");
}

}  // namespace
}  // namespace tg
