// The browse dialog as a local web page: a small HTTP server on 127.0.0.1 serves the page (its
// HTML, CSS and JavaScript are built into the library) and the few requests through which the
// page lists the index and reports the user's clicks to the browser object. Every request must
// carry the session's random token; others are refused with 403.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "tessaglyph/browser.hpp"

namespace tg {

struct BrowsePageOptions {
  // The port on 127.0.0.1; 0 takes a free one.
  int port = 0;
  // How long a modal page waits for the user; zero waits as long as it takes. A page that times
  // out closes as its close box would, without asking the host.
  std::chrono::milliseconds modalTimeout{0};
};

// The options of the pages the library makes when the user interface supplies no window.
void setDefaultBrowsePageOptions(const BrowsePageOptions& options);
BrowsePageOptions defaultBrowsePageOptions();

// A page window for `browser`; nothing is served until it is shown.
std::unique_ptr<BrowseWindow> makeBrowsePageWindow(TessaglyphBrowser& browser);
std::unique_ptr<BrowseWindow> makeBrowsePageWindow(TessaglyphBrowser& browser,
                                                   const BrowsePageOptions& options);

// A fresh random session token: 32 hexadecimal digits from the system's random source.
std::string newSessionToken();

}  // namespace tg
