// The browse dialog's page in a real browser: headless Chromium opens the page the object serves,
// clicks in it and reads it back, while the object and the host's events decide.
#include <httplib.h>

#include <gtest/gtest.h>

#include <future>
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

// The selector of a row of the page's lists.
std::string row(Long type, Long index) {
  return "tr[data-type=\"" + std::to_string(type) + "\"][data-index=\"" + std::to_string(index) +
         "\"]";
}

class BrowsePageTest : public test::BrowsedIndexTest {
 protected:
  PageUserInterface page;
  test::VetoingHost host;
  TessaglyphBrowser browser;
  std::optional<test::HeadlessChromium> chromium;

  void SetUp() override {
    if (test::HeadlessChromium::program().empty())
      GTEST_SKIP() << "chromium is not installed (make test installs it)";
    test::BrowsedIndexTest::SetUp();
    browser.setEventSink(&host);
  }
  void openPage() {
    chromium.emplace();
    chromium->open(page.address);
    ASSERT_TRUE(chromium->waitFor("tgBrowse.state() !== null && !tgBrowse.state().closed"));
  }
  // Clicks the element the selector finds and waits until the page has heard back.
  void click(const std::string& selector) {
    ASSERT_EQ(chromium->evaluate("(() => { document.querySelector('" + selector +
                                 "').dispatchEvent(new MouseEvent('click', {bubbles: true}));"
                                 " return tgBrowse.idle().then(() => 'done'); })()"),
              "done")
        << selector;
  }
  // What the expression gives for the element the selector finds ("x" stands for it).
  std::string read(const std::string& selector, const std::string& expression) {
    return chromium->evaluate("(x => " + expression + ")(document.querySelector('" + selector +
                              "'))");
  }
  std::string labels(const std::string& list) {
    return chromium->evaluate("[...document.querySelectorAll('" + list +
                              " td.label')].map(c => c.textContent).join('|')");
  }
};

TEST_F(BrowsePageTest, ThePageListsTheIndexAndOnlyTheHostsChoicesTakeHold) {
  browser.showDialog(false, "Grids for the survey");
  ASSERT_FALSE(page.address.empty());
  openPage();
  EXPECT_EQ(read("h1", "x.textContent"), "Grids for the survey");
  EXPECT_EQ(labels("#scripts") + " " + labels("#sources"), "GRID A.DAT|B.DAT");
  EXPECT_EQ(chromium->evaluate("document.querySelectorAll('#map rect').length"), "2");
  // A click selects; a click the host vetoes changes nothing, in the object or on the page.
  host.veto = {"select A.DAT on"};
  click(row(TGB_ST_SOURCE, 1));
  click(row(TGB_ST_SOURCE, 0));
  ASSERT_EQ(browser.numSelectedItems(), 1);
  EXPECT_EQ(browser.selectedItem(0).name + " " + browser.selectedItem(0).Priority, "B.DAT 20");
  EXPECT_EQ(read(row(TGB_ST_SOURCE, 0), "x.getAttribute('aria-selected')") + " " +
                read(row(TGB_ST_SOURCE, 1), "x.getAttribute('aria-selected')"),
            "false true");
  // Options go through the object too: file names shown, the sort by path vetoed.
  browser.setChangeEvents(true);
  host.veto = {"sortOption"};
  click("#displayFileNames");
  click("#sortPath");
  EXPECT_EQ(browser.displayOption(), TGB_DDO_FILENAMES);
  EXPECT_EQ(browser.sortOption(), TGB_SO_CATEGORY);
  EXPECT_EQ(read(row(TGB_ST_SOURCE, 1) + " td.label", "x.textContent"), home.root() + "data/B.DAT");
  EXPECT_EQ(read("#sortPath", "x.getAttribute('aria-pressed')"), "false");
  // Cancel with too few items shows the message over the page and the dialog stays.
  browser.setForceSelect(2);
  click("#cancel");
  EXPECT_EQ(read("#messageBox", "x.hidden"), "false");
  EXPECT_EQ(read("#messageTitle", "x.textContent") + ": " + read("#messageText", "x.textContent"),
            "Grids for the survey: You must select at least 2 items.");
  EXPECT_TRUE(browser.dialogShown());
  EXPECT_EQ(host.events.back(), "sortOption 0");
  // With enough items the close box cancels.
  click("#messageOk");
  click(row(TGB_ST_SCRIPT, 0));
  click("#close");
  EXPECT_FALSE(browser.dialogShown());
  EXPECT_TRUE(browser.lastDialogCanceled());
  EXPECT_EQ(browser.numSelectedItems(), 0);
  EXPECT_EQ(read("#status", "x.textContent"), "Cancelled. You may close this page.");
}

TEST_F(BrowsePageTest, OkInThePageReturnsTheSelectionFromBrowseIndex) {
  std::promise<std::string> failure;
  page.onOpen = [&](const std::string& address) {
    try {
      test::HeadlessChromium user;
      user.open(address);
      if (!user.waitFor("tgBrowse.state() !== null")) throw std::runtime_error("no page");
      for (const std::string& selector :
           {row(TGB_ST_SOURCE, 1), row(TGB_ST_SCRIPT, 0), std::string("#ok")})
        user.evaluate("(() => { document.querySelector('" + selector +
                      "').click(); return tgBrowse.idle(); })()");
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
  EXPECT_EQ(std::tie(items[0].name, items[0].type, items[0].index),
            std::make_tuple("B.DAT", TGB_ST_SOURCE, 1));
  EXPECT_EQ(std::tie(items[1].name, items[1].type), std::make_tuple("GRID", TGB_ST_SCRIPT));
}

TEST_F(BrowsePageTest, RequestsWithoutTheSessionTokenAreRefused) {
  browser.showDialog(false);
  const std::string prefix = "http://127.0.0.1:";
  ASSERT_TRUE(page.address.starts_with(prefix)) << page.address;
  const int port = std::stoi(page.address.substr(prefix.size()));
  const std::string token = page.address.substr(page.address.find("token=") + 6);
  EXPECT_EQ(token.size(), 32U);
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(5s);
  client.set_read_timeout(5s);
  const struct {
    std::string path;
    bool post;
    int status;
  } rows[] = {{"/", false, 403},
              {"/?token=" + token.substr(0, 31), false, 403},
              {"/api/select?type=1&index=0&selected=1", true, 403},
              {"/api/ok?token=x" + token, true, 403},
              {"/?token=" + token, false, 200},
              {"/api/select?type=1&index=0&selected=1&token=" + token, true, 200},
              {"/api/option?name=sortOption&value=9&token=" + token, true, 400}};
  for (const auto& row : rows) {
    const auto result = row.post ? client.Post(row.path.c_str()) : client.Get(row.path.c_str());
    ASSERT_TRUE(result) << row.path;
    EXPECT_EQ(result->status, row.status) << row.path;
  }
  // Only the request with the token reached the object; a deselect takes the item back.
  EXPECT_EQ(browser.numSelectedItems(), 1);
  EXPECT_TRUE(client.Post(("/api/select?type=1&index=0&selected=0&token=" + token).c_str()));
  EXPECT_EQ(browser.numSelectedItems(), 0);
  // A message reaches the page once.
  browser.setForceSelect(1);
  const auto shown = client.Post(("/api/cancel?token=" + token).c_str());
  const auto next = client.Get(("/api/state?token=" + token).c_str());
  ASSERT_TRUE(shown && next);
  EXPECT_NE(shown->body.find("You must select at least one item."), std::string::npos);
  EXPECT_EQ(next->body.find("You must select"), std::string::npos) << next->body;
  EXPECT_FALSE(browser.lastDialogCanceled());
}

}  // namespace
}  // namespace tg
