// The browse dialog's page server: the requests the page sends reach the object, and what the
// object and the host's events decide comes back in the page's state; requests without the
// session's token are refused.
#include <httplib.h>

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "index/browse_page_server.hpp"
#include "index/browser_test_support.hpp"
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

// Sends the page's requests to the address the object printed.
struct PageClient {
  std::string token;
  httplib::Client client;

  explicit PageClient(const std::string& address)
      : token(address.substr(address.find("token=") + 6)),
        client("127.0.0.1", std::stoi(address.substr(address.rfind(':') + 1))) {
    client.set_read_timeout(5s);
  }
  // The page's state after a request with the token.
  std::string send(const std::string& path, bool post = true) {
    const std::string full = path + (path.find('?') == path.npos ? "?" : "&") + "token=" + token;
    const auto result = post ? client.Post(full) : client.Get(full);
    return result && result->status == 200 ? result->body : "failed: " + full;
  }
};

// The values of every `"key":` of a state, in order, joined by "|" (texts without their quotes).
std::string values(const std::string& state, const std::string& key) {
  std::string joined;
  const std::string marker = "\"" + key + "\":";
  for (auto at = state.find(marker); at != std::string::npos; at = state.find(marker, at + 1)) {
    const std::size_t from = at + marker.size() + (state[at + marker.size()] == '"');
    joined +=
        (joined.empty() ? "" : "|") + state.substr(from, state.find_first_of("\",}", from) - from);
  }
  return joined;
}

class BrowsePageTest : public test::BrowsedIndexTest {
 protected:
  PageUserInterface pages;
  test::VetoingHost host;
  TessaglyphBrowser browser;

  void SetUp() override {
    test::BrowsedIndexTest::SetUp();
    browser.setEventSink(&host);
  }
};

TEST_F(BrowsePageTest, ThePageListsTheIndexAndOnlyTheHostsChoicesTakeHold) {
  browser.showDialog(false, "Grids for the survey");
  PageClient page(pages.address);
  const std::string listed = page.send("/api/state", false);
  EXPECT_EQ(values(listed, "title") + " " + values(listed, "label"),
            "Grids for the survey GRID|A.DAT|B.DAT");
  // A click selects; a click the host vetoes changes nothing, in the object or on the page.
  host.veto = {"select A.DAT on"};
  page.send("/api/select?type=1&index=1&selected=1");
  EXPECT_EQ(values(page.send("/api/select?type=1&index=0&selected=1"), "selected"),
            "false|false|true");
  ASSERT_EQ(browser.numSelectedItems(), 1);
  EXPECT_EQ(browser.selectedItem(0).name + " " + browser.selectedItem(0).Priority, "B.DAT 20");
  // Options go through the object too: file names shown, the sort by path vetoed.
  browser.setChangeEvents(true);
  host.veto = {"sortOption"};
  page.send("/api/option?name=displayOption&value=0");
  const std::string options = page.send("/api/option?name=sortOption&value=0");
  EXPECT_EQ(browser.displayOption(), TGB_DDO_FILENAMES);
  EXPECT_EQ(values(options, "sortOption"), std::to_string(TGB_SO_CATEGORY));
  EXPECT_EQ(values(options, "label"), home.root() + "scripts/GRID.tgp|" + home.root() +
                                          "data/A.DAT|" + home.root() + "data/B.DAT");
  EXPECT_EQ(host.events.back(), "sortOption 0");
  // Cancel with too few items brings the message once, and the dialog stays.
  browser.setForceSelect(2);
  EXPECT_EQ(values(page.send("/api/cancel"), "text"), "You must select at least 2 items.");
  EXPECT_EQ(values(page.send("/api/state", false), "text"), "");
  EXPECT_TRUE(browser.dialogShown());
  // With enough items the close box cancels.
  page.send("/api/select?type=0&index=0&selected=1");
  EXPECT_EQ(values(page.send("/api/close"), "closed"), "true");
  EXPECT_FALSE(browser.dialogShown());
  EXPECT_TRUE(browser.lastDialogCanceled());
  EXPECT_EQ(browser.numSelectedItems(), 0);
}

TEST_F(BrowsePageTest, OkInThePageReturnsTheSelectionFromBrowseIndex) {
  std::promise<std::string> answers;
  pages.onOpen = [&](const std::string& address) {
    PageClient page(address);
    std::string states;
    for (const char* request : {"/api/select?type=1&index=1&selected=1",
                                "/api/select?type=0&index=0&selected=1", "/api/ok"})
      states += values(page.send(request), "closed");
    answers.set_value(states);
  };
  Boolean canceled = true;
  Long numSelected = -1;
  const Array<TGB_SELECTEDITEM> items =
      Tessaglyph().browseIndex(canceled, numSelected, "Choose", true);
  pages.user.join();
  EXPECT_EQ(answers.get_future().get(), "falsefalsetrue");
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
  ASSERT_TRUE(pages.address.starts_with("http://127.0.0.1:")) << pages.address;
  PageClient page(pages.address);
  const std::string token = page.token;
  EXPECT_EQ(token.size(), 32U);
  const struct {
    std::string path;
    bool post;
    int status;
  } rows[] = {{"/", false, 403},
              {"/?token=" + token.substr(0, 31), false, 403},
              {"/api/select?type=1&index=0&selected=1", true, 403},
              {"/?token=" + token, false, 200},
              {"/api/select?type=1&index=0&selected=1&token=" + token, true, 200},
              {"/api/option?name=sortOption&value=9&token=" + token, true, 400}};
  for (const auto& row : rows) {
    const auto result = row.post ? page.client.Post(row.path) : page.client.Get(row.path);
    EXPECT_EQ(result ? result->status : -1, row.status) << row.path;
  }
  // Only the request with the token reached the object, and it takes the item back.
  EXPECT_EQ(browser.numSelectedItems(), 1);
  EXPECT_EQ(values(page.send("/api/select?type=1&index=0&selected=0"), "selected"),
            "false|false|false");
  EXPECT_FALSE(browser.lastDialogCanceled());
}

}  // namespace
}  // namespace tg
