// Removable media. A file is on such a medium when the block device behind its mount says so
// in sysfs, or when it is mounted where desktops put such media; the check runs once per file
// when the index records it, so reading a few small system files each time is fine.
#include "source/removable_media.hpp"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCrLf = "\r\n";

// The nearest existing path at or above `path`, made absolute.
fs::path nearestExisting(const std::string& path) {
  std::error_code error;
  fs::path current = fs::absolute(fs::path(resolvePath(path)), error);
  if (error) return {};
  while (!current.empty()) {
    if (fs::exists(current, error)) return fs::canonical(current, error);
    if (current == current.root_path()) break;
    current = current.parent_path();
  }
  return {};
}

bool isUnder(const std::string& path, std::string_view folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '/');
}

// mountinfo escapes blanks and a few other bytes as \ooo.
std::string unescapeMountField(const std::string& field) {
  std::string result;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() &&
        std::all_of(field.begin() + long(i) + 1, field.begin() + long(i) + 4,
                    [](char c) { return c >= '0' && c <= '7'; })) {
      result += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      result += field[i];
    }
  }
  return result;
}

// The mount point of the device `device` holding `path`: the longest mount point of that device
// that contains the path.
std::string mountPointOf(const std::string& path, dev_t device) {
  std::ifstream mounts("/proc/self/mountinfo");
  std::string line, best;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string id, parent, majorMinor, root, mountPoint;
    if (!(fields >> id >> parent >> majorMinor >> root >> mountPoint)) continue;
    const auto colon = majorMinor.find(':');
    if (colon == std::string::npos) continue;
    unsigned major = 0, minor = 0;
    try {
      major = unsigned(std::stoul(majorMinor.substr(0, colon)));
      minor = unsigned(std::stoul(majorMinor.substr(colon + 1)));
    } catch (const std::exception&) {
      continue;
    }
    if (makedev(major, minor) != device) continue;
    mountPoint = unescapeMountField(mountPoint);
    if (isUnder(path, mountPoint) || mountPoint == "/") {
      if (mountPoint.size() > best.size() || best.empty()) best = mountPoint;
    }
  }
  return best;
}

// The "removable" flag sysfs shows for a block device (for a partition, its disk's).
bool deviceIsRemovable(dev_t device) {
  std::error_code error;
  const fs::path link =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  fs::path node = fs::canonical(link, error);
  if (error) return false;
  if (fs::exists(node / "partition", error)) node = node.parent_path();
  std::ifstream flag(node / "removable");
  int value = 0;
  return (flag >> value) && value == 1;
}

}  // namespace

bool isOnRemovableMedia(const std::string& path) {
  if (path.empty()) return false;
  const fs::path existing = nearestExisting(path);
  if (existing.empty()) return false;
  const std::string text = existing.string();
  struct stat info {};
  if (::stat(text.c_str(), &info) != 0) return false;
  const std::string mountPoint = mountPointOf(text, info.st_dev);
  if (isUnder(mountPoint, "/media") || isUnder(mountPoint, "/run/media")) return true;
  return deviceIsRemovable(info.st_dev);
}

bool fileIsReachable(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  return fs::is_regular_file(fs::path(resolvePath(path)), error);
}

std::string diskSwapMessage(std::string_view filename, std::string_view description) {
  std::string text;
  if (!description.empty()) {
    text += "Please insert the disk indexed as:";
    text += kCrLf;
    text += description;
    text += kCrLf;
  }
  text += kCrLf;
  text += kCrLf;
  text += "The file \"";
  text += filename;
  text += ",\"";
  text += " which is ";
  text += "needed to continue, is located on a disk or ";
  text += "drive that is not currently available.";
  text += kCrLf;
  text += kCrLf;
  text += "Please insert the disk or connect the drive ";
  text += "that contains this file, and click the ";
  text += "\"Retry\"";
  text += " button below once you are ready ";
  text += "to continue.";
  text += kCrLf;
  text += kCrLf;
  text += "If you want to discontinue attempts to use ";
  text += "the data in this file, click ";
  text += "\"Cancel.\"";
  return text;
}

bool swapMedium(const SwapRequest& request) {
  std::vector<std::string>& declined = *request.declined;
  const auto isDeclined = [&] {
    return std::any_of(declined.begin(), declined.end(),
                       [&](const std::string& id) { return sameName(id, request.RMDescID); });
  };
  if (isDeclined()) return false;
  const auto giveUp = [&] {
    if (!isDeclined()) declined.push_back(request.RMDescID);
    return false;
  };
  for (;;) {
    if (fileIsReachable(request.filename)) return true;
    if (request.handle == TG_F_RMH_EVENTONLY) {
      const bool cancel = request.raiseSwapEvent ? request.raiseSwapEvent(request.filename) : true;
      if (cancel) return giveUp();
    } else {
      std::string description;
      if (request.descriptions != nullptr) {
        description = request.descriptions->mediumDescription(request.RMDescID);
      }
      const MESSAGEBOXRESULTS answer =
          userInterface().messageBox(diskSwapMessage(request.filename, description),
                                     MB_RETRYCANCEL | MB_EXCLAMATION, "Disk Swap");
      if (answer != MBR_RETRY) return giveUp();
    }
  }
}

}  // namespace tg
