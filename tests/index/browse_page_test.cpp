// The browse dialog's page in a real browser: headless Chromium opens the page the object serves,
// clicks in it and reads it back, while the object and the host's events decide.
#include <httplib.h>

#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <thread>

#include "index/browse_page_server.hpp"
#include "index/browser_test_support.hpp"
#include "index/headless_chromium.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg {
namespace {

using namespace std::chrono_literals;

// Remembers the address of the page and, when given, runs `onOpen` beside the waiting host.
class PageUserInterface : public test::ScriptedUserInterface {
 public:
  std::string address;
  std::function<void(const std::string&)> onOpen;
  std::thread user;

  ~PageUserInterface() override {
    if (user.joinable()) user.join();
  }
  std::unique_ptr<BrowseWindow> createBrowseWindow(TessaglyphBrowser& browser) override {
    return makeBrowsePageWindow(browser, {0, 60s});
  }
  void openPage(const std::string&, const std::string& url) override {
    address = url;
    if (onOpen) user = std::thread(onOpen, url);
  }
};

class BrowsePageTest : public test::BrowsedIndexTest {
 protected:
  PageUserInterface page;
  test::VetoingHost host;
  TessaglyphBrowser browser;

  void SetUp() override {
    if (test::HeadlessChromium::program().empty())
      GTEST_SKIP() << "chromium is not installed (make test installs it)";
    test::BrowsedIndexTest::SetUp();
    browser.setEventSink(&host);
  }

  // Clicks the element the selector finds and waits until the page has heard back.
  static void click(test::HeadlessChromium& chromium, const std::string& selector) {
    ASSERT_EQ(chromium.evaluate("(() => { document.querySelector('" + selector +
                                "').dispatchEvent(new MouseEvent('click', {bubbles: true}));"
                                " return tgBrowse.idle().then(() => 'done'); })()"),
              "done")
        << selector;
  }
  static std::string row(Long type, Long index) {
    return "tr[data-type=\"" + std::to_string(type) + "\"][data-index=\"" + std::to_string(index) +
           "\"]";
  }
  static void openPage(test::HeadlessChromium& chromium, const std::string& address) {
    chromium.open(address);
    ASSERT_TRUE(chromium.waitFor("tgBrowse.state() !== null && !tgBrowse.state().closed"));
  }
};

TEST_F(BrowsePageTest, ThePageListsTheIndexAndOnlyTheHostsChoicesTakeHold) {
  browser.showDialog(false, "Grids for the survey");
  ASSERT_FALSE(page.address.empty());
  test::HeadlessChromium chromium;
  openPage(chromium, page.address);

  EXPECT_EQ(chromium.evaluate("document.querySelector('h1').textContent"), "Grids for the survey");
  EXPECT_EQ(chromium.evaluate("[...document.querySelectorAll('#scripts td.label')]"
                              ".map(c => c.textContent).join('|')"),
            "GRID");
  EXPECT_EQ(chromium.evaluate("[...document.querySelectorAll('#sources td.label')]"
                              ".map(c => c.textContent).join('|')"),
            "A.DAT|B.DAT");
  EXPECT_EQ(chromium.evaluate("document.querySelectorAll('#map rect').length"), "2");

  // A click selects; a click the host vetoes changes nothing, in the object or on the page.
  host.veto = {"select A.DAT on"};
  click(chromium, row(TGB_ST_SOURCE, 1));
  click(chromium, row(TGB_ST_SOURCE, 0));
  ASSERT_EQ(browser.numSelectedItems(), 1);
  EXPECT_EQ(browser.selectedItem(0).name, "B.DAT");
  EXPECT_EQ(browser.selectedItem(0).Priority, "20");
  EXPECT_EQ(chromium.evaluate("document.querySelector('" + row(TGB_ST_SOURCE, 0) +
                              "').getAttribute('aria-selected') + ' ' + document.querySelector('" +
                              row(TGB_ST_SOURCE, 1) + "').getAttribute('aria-selected')"),
            "false true");

  // Options go through the object too: file names shown, the sort by path vetoed.
  browser.setChangeEvents(true);
  host.veto = {"sortOption"};
  click(chromium, "#displayFileNames");
  click(chromium, "#sortPath");
  EXPECT_EQ(browser.displayOption(), TGB_DDO_FILENAMES);
  EXPECT_EQ(browser.sortOption(), TGB_SO_CATEGORY);
  EXPECT_EQ(chromium.evaluate("document.querySelector('" + row(TGB_ST_SOURCE, 1) +
                              " td.label').textContent"),
            home.root() + "data/B.DAT");
  EXPECT_EQ(chromium.evaluate("document.querySelector('#sortPath').getAttribute('aria-pressed')"),
            "false");

  // Cancel with too few items shows the message over the page and the dialog stays.
  browser.setForceSelect(2);
  click(chromium, "#cancel");
  EXPECT_EQ(chromium.evaluate("document.querySelector('#messageBox').hidden"), "false");
  EXPECT_EQ(chromium.evaluate("document.querySelector('#messageTitle').textContent + ': ' + "
                              "document.querySelector('#messageText').textContent"),
            "Grids for the survey: You must select at least 2 items.");
  EXPECT_TRUE(browser.dialogShown());
  EXPECT_EQ(host.events.back(), "sortOption 0");

  // With enough items the close box cancels.
  click(chromium, "#messageOk");
  click(chromium, row(TGB_ST_SCRIPT, 0));
  click(chromium, "#close");
  EXPECT_FALSE(browser.dialogShown());
  EXPECT_TRUE(browser.lastDialogCanceled());
  EXPECT_EQ(browser.numSelectedItems(), 0);
  EXPECT_EQ(chromium.evaluate("document.querySelector('#status').textContent"),
            "Cancelled. You may close this page.");
}

TEST_F(BrowsePageTest, OkInThePageReturnsTheSelectionFromBrowseIndex) {
  std::promise<std::string> failure;
  page.onOpen = [&](const std::string& address) {
    try {
      test::HeadlessChromium chromium;
      chromium.open(address);
      if (!chromium.waitFor("tgBrowse.state() !== null")) throw std::runtime_error("no page");
      for (const std::string& selector :
           {row(TGB_ST_SOURCE, 1), row(TGB_ST_SCRIPT, 0), std::string("#ok")}) {
        chromium.evaluate("(() => { document.querySelector('" + selector +
                          "').click(); return tgBrowse.idle(); })()");
      }
      failure.set_value("");
    } catch (const std::exception& error) {
      failure.set_value(error.what());
    }
  };
  Boolean canceled = true;
  Long numSelected = -1;
  const Array<TGB_SELECTEDITEM> items =
      Tessaglyph().browseIndex(canceled, numSelected, "Choose", true);
  page.user.join();
  EXPECT_EQ(failure.get_future().get(), "");
  EXPECT_FALSE(canceled);
  ASSERT_EQ(numSelected, 2);
  ASSERT_EQ(items.size(), 2U);
  EXPECT_EQ(items.lbound(), 0);
  EXPECT_EQ(items[0].name, "B.DAT");
  EXPECT_EQ(items[0].type, TGB_ST_SOURCE);
  EXPECT_EQ(items[0].index, 1);
  EXPECT_EQ(items[1].name, "GRID");
  EXPECT_EQ(items[1].type, TGB_ST_SCRIPT);
}

TEST_F(BrowsePageTest, RequestsWithoutTheSessionTokenAreRefused) {
  browser.showDialog(false);
  const std::string prefix = "http://127.0.0.1:";
  ASSERT_TRUE(page.address.starts_with(prefix)) << page.address;
  const std::size_t colon = page.address.find('/', prefix.size());
  const int port = std::stoi(page.address.substr(prefix.size(), colon - prefix.size()));
  const std::string token = page.address.substr(page.address.find("token=") + 6);
  EXPECT_EQ(token.size(), 32U);

  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(5s);
  client.set_read_timeout(5s);
  struct Row {
    std::string path;
    bool post;
    int status;
  };
  const Row rows[] = {
      {"/", false, 403},
      {"/?token=", false, 403},
      {"/?token=" + token.substr(0, 31), false, 403},
      {"/api/state", false, 403},
      {"/api/select?type=1&index=0&selected=1", true, 403},
      {"/api/ok?token=x" + token, true, 403},
      {"/?token=" + token, false, 200},
      {"/api/select?type=1&index=0&selected=1&token=" + token, true, 200},
      {"/api/option?name=sortOption&value=9&token=" + token, true, 400},
  };
  for (const Row& row : rows) {
    const auto result = row.post ? client.Post(row.path.c_str()) : client.Get(row.path.c_str());
    ASSERT_TRUE(result) << row.path;
    EXPECT_EQ(result->status, row.status) << row.path;
  }
  // Only the request with the token reached the object.
  EXPECT_EQ(browser.numSelectedItems(), 1);
  EXPECT_FALSE(browser.lastDialogCanceled());
}

}  // namespace
}  // namespace tg
