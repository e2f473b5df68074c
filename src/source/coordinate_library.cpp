#include "source/coordinate_library.hpp"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>

#include "source/proj_transformer.hpp"
#include "support/paths.hpp"
#include "support/profile_file.hpp"
#include "support/text.hpp"
#include "support/trace.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

namespace {

bool folderExists(const std::string& folder) {
  std::error_code error;
  return std::filesystem::is_directory(resolvePath(folder), error);
}

}  // namespace

std::string coordinateSettingsFile() {
  return resolvePath(joinPath(baseDirectory(), "Tessaglyph.ini"));
}

std::optional<std::string> startCoordinateLibrary(CoordinateSystemLibrary& library,
                                                  std::optional<std::string_view> directory) {
  const Long level = library.messageLevel();
  if (level >= 0 && level <= 256) library.setMessageLevel(std::min<Long>(level, 1));

  std::string folder;
  bool askedFor = true;
  if (directory && !trimSpace(*directory).empty()) {
    folder = toNativePath(trimSpace(*directory));
  } else {
    folder = toNativePath(
        readProfileString("CONFIG", "COORDSYS DATA PATH", "", coordinateSettingsFile()));
    if (trimSpace(folder).empty()) {
      folder = joinPath(baseDirectory(), "COORDSYS DATA");
      askedFor = false;
    }
  }
  if (!folder.empty() && folder.front() != '/') folder = joinPath(baseDirectory(), folder);

  if (!folderExists(folder)) {
    if (askedFor) {
      userInterface().messageBox("Coordinate System Data not found in \r\n" + folder +
                                     "\r\n\r\nThis function cannot continue.  Please call "
                                     "Harrowfeld for assistance.",
                                 MB_OKONLY | MB_INFORMATION, "Missing Coordinate System Data");
    }
    return std::nullopt;
  }
  library.setDataDirectory(resolvePath(folder));
  return resolvePath(folder);
}

CoordinateSystemLibrary* coordinateLibrary() {
  static const std::unique_ptr<CoordinateSystemLibrary> library =
      []() -> std::unique_ptr<CoordinateSystemLibrary> {
    try {
      auto made = std::make_unique<ProjTransformer>();
      startCoordinateLibrary(*made);
      return made;
    } catch (const std::exception& error) {
      TG_TRACE(std::string("coordinate library not started: ") + error.what());
    } catch (...) {
      TG_TRACE("coordinate library not started");
    }
    return nullptr;
  }();
  return library.get();
}

}  // namespace tg
