// tessaglyph browse: the index browse dialog as a page on 127.0.0.1.
//
//   tessaglyph browse [--title TEXT] [--port N] [--no-open] [--force-select N] [--single]
//
// Prints the page's address (with its session token) on standard error, opens it in the user's
// browser unless --no-open, waits until the user presses OK or Cancel, and prints the chosen
// items as CSV: type (script or source), row, name, file, category.
//
// Exit status: 0 accepted, 1 cancelled, 2 for a bad command line or an index or port that
// cannot be used.
#include <iostream>
#include <memory>
#include <string>

#include "common/console_user_interface.hpp"
#include "common/scripted_file.hpp"
#include "common/subcommand.hpp"
#include "index/browse_page_server.hpp"
#include "tessaglyph/browser.hpp"
#include "tessaglyph/error.hpp"

namespace tg::tools {
namespace {

struct BrowseOptions {
  std::string title;
  int port = 0;
  bool noOpen = false;
  Long forceSelect = 0;
  bool single = false;
};

std::string csvText(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + '"';
}

int runBrowse(const BrowseOptions& options) {
  if (ConsoleUserInterface* console = installedConsole()) console->setOpenPages(!options.noOpen);
  BrowsePageOptions page = defaultBrowsePageOptions();
  page.port = options.port;
  setDefaultBrowsePageOptions(page);
  try {
    TessaglyphBrowser browser;
    browser.setForceSelect(options.forceSelect);
    browser.setAllowMultiSelect(!options.single);
    browser.loadSettings();
    browser.showDialog(true, options.title);
    browser.saveSettings();
    if (browser.lastDialogCanceled()) return 1;
    std::cout << "type,index,name,filename,category\n";
    for (Long i = 0; i < browser.numSelectedItems(); ++i) {
      const TGB_SELECTEDITEM item = browser.selectedItem(i);
      std::cout << (item.type == TGB_ST_SCRIPT ? "script" : "source") << ',' << item.index << ','
                << csvText(item.name) << ',' << csvText(item.filename) << ','
                << csvText(item.Priority) << '\n';
    }
  } catch (const Error& error) {
    std::cerr << "tessaglyph browse: " << errorText(error) << '\n';
    return 2;
  }
  return 0;
}

}  // namespace

Subcommand addBrowseCommand(CLI::App& app) {
  auto options = std::make_shared<BrowseOptions>();
  CLI::App* browse = app.add_subcommand(
      "browse", "Shows the index browse dialog as a local web page and prints the items chosen");
  browse->add_option("--title", options->title, "The dialog's title");
  browse->add_option("--port", options->port, "Port on 127.0.0.1 (default: any free port)")
      ->check(CLI::Range(1, 65535));
  browse->add_flag("--no-open", options->noOpen, "Only print the address; open no browser");
  browse->add_option("--force-select", options->forceSelect,
                     "The fewest items to choose before Cancel is allowed");
  browse->add_flag("--single", options->single, "One item at a time");
  return {browse, [options] { return runBrowse(*options); }};
}

}  // namespace tg::tools
