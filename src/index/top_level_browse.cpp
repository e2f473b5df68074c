// Tessaglyph::browseIndex: the index browse dialog for hosts that only want the items chosen.
#include <memory>

#include "tessaglyph/browser.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg {

namespace {

// A modeless dialog needs its object after the call has returned: it lives until the next call.
std::unique_ptr<TessaglyphBrowser> g_modelessBrowser;

}  // namespace

Array<TGB_SELECTEDITEM> Tessaglyph::browseIndex(Boolean& canceled, Long& numSelected,
                                                const std::string& dialogTitle,
                                                Boolean modally) const {
  g_modelessBrowser.reset();
  auto browser = std::make_unique<TessaglyphBrowser>();
  browser->showDialog(modally, dialogTitle);
  canceled = browser->lastDialogCanceled();
  numSelected = canceled ? 0 : browser->numSelectedItems();
  Array<TGB_SELECTEDITEM> items;
  for (Long i = 0; i < numSelected; ++i)
    items.push_back(browser->selectedItem(i));
  if (!modally) g_modelessBrowser = std::move(browser);
  return items;
}

}  // namespace tg
