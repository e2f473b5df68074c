// Files on removable media: telling whether a path lies on such a medium, the text of the box
// that asks for a missing one, and the swap procedure that waits for the medium or gives it up.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/source_file.hpp"

namespace tg {

// True when the path lies on removable media: the block device behind its mount reports itself
// removable, or the mount lies under /media or /run/media (where desktops mount such media). A
// path that does not exist is judged by its nearest existing folder; false when nothing can be
// learned.
bool isOnRemovableMedia(const std::string& path);

// True when the file exists (the name found without regard to case, as the file layer finds it).
bool fileIsReachable(const std::string& path);

// The text of the "Disk Swap" box; `description` empty leaves the line naming the disk out.
std::string diskSwapMessage(std::string_view filename, std::string_view description);

// What the swap procedure needs of its file.
struct SwapRequest {
  std::string filename;  // the missing file
  std::string RMDescID;  // its medium
  TG_F_RMHANDLE handle = TG_F_RMH_DIALOG;
  std::vector<std::string>* declined = nullptr;      // the shared list of media given up
  const MediumDescriptions* descriptions = nullptr;  // may be null
  // Raises rmSwap; returns Cancel.
  std::function<bool(const std::string&)> raiseSwapEvent;
};

// Waits for the file to come back: true when it exists at last, false when the medium was given
// up (now or earlier, by any file sharing the declined list; it is then on that list). The
// dialog asks again on Retry; the event asks again as long as the host leaves Cancel false.
bool swapMedium(const SwapRequest& request);

}  // namespace tg
