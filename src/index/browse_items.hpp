// What the browse dialog lists: every indexed script and source file as a dialog record, and the
// list the window shows for the current options (filtered by the show options, sorted by path,
// category, location or resolution, labelled by index name or file name).
#pragma once

#include <string>
#include <vector>

#include "tessaglyph/browser.hpp"

namespace tg {

class TessaglyphIndex;

// Every script (name, program file, priority) and every source file (file name, full path,
// priority, resolution, bounds) of the open index, each with its row number.
std::vector<TGB_SELECTEDITEM> indexedItems(TessaglyphIndex& index);

// The items the window shows: the scripts first, then the source files, those of a hidden kind
// left out, each kind sorted by the option (ties by name, then by row). Scripts, which have no
// place or resolution, are sorted by name for those two options.
std::vector<TGB_SELECTEDITEM> displayedItems(const std::vector<TGB_SELECTEDITEM>& items,
                                             bool showScripts, bool showSources,
                                             TGB_SORTOPTIONS sort);

// The text the window shows for an item: its name in the index, or its file name with folder.
std::string itemLabel(const TGB_SELECTEDITEM& item, TGB_DIALOGDISPLAYOPTIONS display);

}  // namespace tg
