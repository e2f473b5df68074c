// The page window: an HTTP server on 127.0.0.1 for one showing of the dialog. Requests run on
// the server's threads, one at a time under the window's lock; a modal show waits on the caller's
// thread until the dialog closes. The server keeps answering after the dialog closed (the page
// learns that it did) until the window goes.
#include "index/browse_page_server.hpp"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "index/browse_items.hpp"
#include "index/browse_page_assets.hpp"
#include "support/conversions.hpp"
#include "support/json_text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

namespace {

BrowsePageOptions g_defaultOptions;

void appendJsonNumber(std::string& out, double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  out += text;
}

const char* jsonBoolean(bool value) {
  return value ? "true" : "false";
}

struct PageMessage {
  std::string title;
  std::string text;
};

class BrowsePageWindow final : public BrowseWindow {
 public:
  BrowsePageWindow(TessaglyphBrowser& browser, const BrowsePageOptions& options)
      : m_browser(browser), m_options(options), m_token(newSessionToken()) {}

  ~BrowsePageWindow() override {
    m_server.stop();
    if (m_thread.joinable()) m_thread.join();
  }

  void show(bool modal) override;
  void close() override {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_closedChanged.notify_all();
  }
  TGB_SELECTEDITEM itemRecord(TGB_SELECTIONTYPES itemType, Long itemIndex) override;
  void messageBox(const std::string& prompt, std::int32_t /*style*/,
                  const std::string& title) override {
    std::lock_guard lock(m_mutex);
    m_messages.push_back({title, prompt});
  }

 private:
  void route();
  std::string stateJson();
  // Runs an action of the page on the object, then answers with the new state.
  template <typename Action>
  void answer(httplib::Response& response, Action&& action);

  TessaglyphBrowser& m_browser;
  BrowsePageOptions m_options;
  std::string m_token;
  httplib::Server m_server;
  std::thread m_thread;
  std::atomic<bool> m_listenEnded{false};
  // Serialises the page's requests and the object's calls into the window.
  std::recursive_mutex m_mutex;
  std::condition_variable_any m_closedChanged;
  bool m_closed = false;
  std::vector<TGB_SELECTEDITEM> m_items;
  std::vector<PageMessage> m_messages;
};

void BrowsePageWindow::show(bool modal) {
  TessaglyphIndex index;
  index.initIndexSystem();
  m_items = indexedItems(index);
  route();
  const std::string host = "127.0.0.1";
  const int port = m_options.port > 0
                       ? (m_server.bind_to_port(host, m_options.port) ? m_options.port : -1)
                       : m_server.bind_to_any_port(host);
  if (port <= 0) {
    throw Error(TGB_E_ERRBASE, "TessaglyphBrowser::showDialog",
                "The browse page cannot listen on " + host + ":" + std::to_string(m_options.port));
  }
  m_thread = std::thread([this] {
    m_server.listen_after_bind();
    m_listenEnded = true;
  });
  // A server stopped before its loop runs would never stop: wait until it listens.
  while (!m_server.is_running() && !m_listenEnded)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::string address = "http://" + host + ":" + std::to_string(port) + "/?token=" + m_token;
  userInterface().openPage(m_browser.dialogTitle(), address);
  if (!modal) return;

  std::unique_lock lock(m_mutex);
  const auto closed = [this] { return m_closed; };
  if (m_options.modalTimeout.count() > 0) {
    if (!m_closedChanged.wait_for(lock, m_options.modalTimeout, closed)) {
      m_closed = true;
      m_browser.windowAbandoned();
    }
  } else {
    m_closedChanged.wait(lock, closed);
  }
}

TGB_SELECTEDITEM BrowsePageWindow::itemRecord(TGB_SELECTIONTYPES itemType, Long itemIndex) {
  std::lock_guard lock(m_mutex);
  const bool shown = itemType == TGB_ST_SCRIPT ? m_browser.showScripts() : m_browser.showSources();
  if (!shown || m_closed) return TGB_SELECTEDITEM{};
  for (const TGB_SELECTEDITEM& item : m_items) {
    if (item.type == itemType && item.index == itemIndex) return item;
  }
  return TGB_SELECTEDITEM{};
}

std::string BrowsePageWindow::stateJson() {
  std::string out = "{\"title\":";
  appendJsonString(out, m_browser.dialogTitle());
  out += ",\"closed\":";
  out += jsonBoolean(m_closed);
  out += ",\"canceled\":";
  out += jsonBoolean(m_browser.lastDialogCanceled());
  out += ",\"showScripts\":";
  out += jsonBoolean(m_browser.showScripts());
  out += ",\"showSources\":";
  out += jsonBoolean(m_browser.showSources());
  out += ",\"displayOption\":" + std::to_string(m_browser.displayOption());
  out += ",\"sortOption\":" + std::to_string(m_browser.sortOption());
  out += ",\"buttons\":" + std::to_string(m_browser.enabledButtonsMask());
  out += ",\"multiSelect\":";
  out += jsonBoolean(m_browser.allowMultiSelect());
  out += ",\"forceSelect\":" + std::to_string(m_browser.forceSelect());
  out += ",\"width\":";
  appendJsonNumber(out, m_browser.windowWidth());
  out += ",\"height\":";
  appendJsonNumber(out, m_browser.windowHeight());
  out += ",\"items\":[";
  const auto shown = displayedItems(m_items, m_browser.showScripts(), m_browser.showSources(),
                                    m_browser.sortOption());
  bool first = true;
  for (const TGB_SELECTEDITEM& item : shown) {
    out += first ? "{" : ",{";
    first = false;
    out += "\"type\":" + std::to_string(item.type) + ",\"index\":" + std::to_string(item.index);
    out += ",\"label\":";
    appendJsonString(out, itemLabel(item, m_browser.displayOption()));
    out += ",\"name\":";
    appendJsonString(out, item.name);
    out += ",\"filename\":";
    appendJsonString(out, item.filename);
    out += ",\"priority\":";
    appendJsonString(out, item.Priority);
    const std::pair<const char*, double> numbers[] = {{"xRes", item.xRes}, {"yRes", item.yRes},
                                                      {"sLat", item.sLat}, {"nLat", item.nLat},
                                                      {"eLon", item.eLon}, {"wLon", item.wLon}};
    for (const auto& [key, value] : numbers) {
      out += ",\"";
      out += key;
      out += "\":";
      appendJsonNumber(out, value);
    }
    out += ",\"selected\":";
    out += jsonBoolean(m_browser.itemSelected(item.type, item.index));
    out += '}';
  }
  out += "],\"messages\":[";
  for (std::size_t i = 0; i < m_messages.size(); ++i) {
    out += i ? ",{\"title\":" : "{\"title\":";
    appendJsonString(out, m_messages[i].title);
    out += ",\"text\":";
    appendJsonString(out, m_messages[i].text);
    out += '}';
  }
  // A message is shown once.
  m_messages.clear();
  out += "]}";
  return out;
}

template <typename Action>
void BrowsePageWindow::answer(httplib::Response& response, Action&& action) {
  std::lock_guard lock(m_mutex);
  try {
    if (!m_closed) action();
  } catch (const std::exception& error) {
    // The host's event handlers may raise; the page shows what they said.
    m_messages.push_back({m_browser.dialogTitle(), error.what()});
  }
  response.set_header("Cache-Control", "no-store");
  response.set_content(stateJson(), "application/json");
}

// A whole number of a request parameter, or empty when it is missing or not one.
std::optional<Long> numberParameter(const httplib::Request& request, const char* name) {
  if (!request.has_param(name)) return std::nullopt;
  return wholeNumber(request.get_param_value(name));
}

void BrowsePageWindow::route() {
  m_server.set_keep_alive_max_count(1);
  // No SO_REUSEPORT (the library's default): a second dialog asking for a port in use must fail,
  // not share the port and answer half of the first one's requests.
  m_server.set_socket_options([](socket_t socket) {
    int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  m_server.set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        if (request.get_param_value("token") == m_token)
          return httplib::Server::HandlerResponse::Unhandled;
        response.status = 403;
        response.set_content("This page needs the address the dialog printed.\n", "text/plain");
        return httplib::Server::HandlerResponse::Handled;
      });
  m_server.Get("/", [](const httplib::Request&, httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    response.set_content(std::string(browsePageDocument()), "text/html; charset=utf-8");
  });
  m_server.Get("/api/state", [this](const httplib::Request&, httplib::Response& response) {
    answer(response, [] {});
  });
  m_server.Post(
      "/api/select", [this](const httplib::Request& request, httplib::Response& response) {
        const auto type = numberParameter(request, "type");
        const auto index = numberParameter(request, "index");
        const auto selected = numberParameter(request, "selected");
        if (!type || (*type != TGB_ST_SCRIPT && *type != TGB_ST_SOURCE) || !index || !selected) {
          response.status = 400;
          return;
        }
        answer(response, [&] {
          const auto itemType = TGB_SELECTIONTYPES(*type);
          if (*selected != 0 && !m_browser.allowMultiSelect()) {
            // One item at a time: the others go first, each through the host's veto.
            for (Long i = m_browser.numSelectedItems() - 1; i >= 0; --i) {
              const TGB_SELECTEDITEM other = m_browser.selectedItem(i);
              if (other.type != itemType || other.index != *index)
                m_browser.setItemSelected(other.type, other.index, false);
            }
            if (m_browser.numSelectedItems() > 0 && !m_browser.itemSelected(itemType, *index))
              return;
          }
          m_browser.setItemSelected(itemType, *index, *selected != 0);
        });
      });
  m_server.Post(
      "/api/option", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string name = request.get_param_value("name");
        const auto value = numberParameter(request, "value");
        const bool known = name == "showScripts" || name == "showSources" ||
                           (name == "displayOption" && value && *value >= 0 && *value <= 1) ||
                           (name == "sortOption" && value && *value >= 0 && *value <= 3);
        if (!known || !value) {
          response.status = 400;
          return;
        }
        answer(response, [&] {
          if (name == "showScripts") m_browser.setShowScripts(*value != 0);
          if (name == "showSources") m_browser.setShowSources(*value != 0);
          if (name == "displayOption") m_browser.setDisplayOption(TGB_DIALOGDISPLAYOPTIONS(*value));
          if (name == "sortOption") m_browser.setSortOption(TGB_SORTOPTIONS(*value));
        });
      });
  m_server.Post("/api/ok", [this](const httplib::Request&, httplib::Response& response) {
    answer(response, [this] { m_browser.pressOK(); });
  });
  m_server.Post("/api/cancel", [this](const httplib::Request&, httplib::Response& response) {
    answer(response, [this] { m_browser.pressCancel(); });
  });
  m_server.Post("/api/close", [this](const httplib::Request&, httplib::Response& response) {
    answer(response, [this] { m_browser.requestClose(); });
  });
  m_server.Post("/api/size", [this](const httplib::Request& request, httplib::Response& response) {
    const auto width = numberParameter(request, "width");
    const auto height = numberParameter(request, "height");
    if (!width || !height || *width <= 0 || *height <= 0) {
      response.status = 400;
      return;
    }
    answer(response, [&] { m_browser.windowResized(Double(*width), Double(*height)); });
  });
}

}  // namespace

void setDefaultBrowsePageOptions(const BrowsePageOptions& options) {
  g_defaultOptions = options;
}

BrowsePageOptions defaultBrowsePageOptions() {
  return g_defaultOptions;
}

std::unique_ptr<BrowseWindow> makeBrowsePageWindow(TessaglyphBrowser& browser) {
  return makeBrowsePageWindow(browser, g_defaultOptions);
}

std::unique_ptr<BrowseWindow> makeBrowsePageWindow(TessaglyphBrowser& browser,
                                                   const BrowsePageOptions& options) {
  return std::make_unique<BrowsePageWindow>(browser, options);
}

std::string newSessionToken() {
  std::random_device source;
  std::string token;
  static constexpr char kDigits[] = "0123456789abcdef";
  for (int i = 0; i < 4; ++i) {
    std::uint32_t word = source();
    for (int j = 0; j < 8; ++j, word >>= 4)
      token += kDigits[word & 15];
  }
  return token;
}

}  // namespace tg
