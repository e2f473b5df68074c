// The coordinate-system library as the datum conversion sees it, and its start-up. The library
// in use is PROJ (see proj_transformer.hpp); the interface keeps the conversion, its tests and
// the start-up independent of it.
//
// Keys. "LL27", "LL83", "LL84" and "LL72" are latitude/longitude on NAD27, NAD83, WGS84 and
// WGS72; "LL" is latitude/longitude with no datum, so nothing is adjusted to or from it. A key
// "<key>-UTM-<zone>-<N|S>" is UTM zone 1..60 of the north or south hemisphere on the datum of
// <key> (one of the keys above or a geographic system the library knows). Any other key is
// handed to the library as its own definition of a coordinate system ("EPSG:26915", a PROJ
// string, WKT, a name from its database).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tessaglyph/types.hpp"

namespace tg {

class CoordinateSystemLibrary {
 public:
  virtual ~CoordinateSystemLibrary() = default;

  // Converts the point (longitude or easting, latitude or northing, height) in place from the
  // system of one key to the other's. Returns 0 when converted, else a DATUMSTATUS value with the
  // point left as it was. Throws when the library itself fails (as opposed to a key it does not
  // know or a point it cannot convert); the caller then stops using it.
  virtual Integer convert(std::string_view fromKey, std::string_view toKey, Double point[3]) = 0;

  // True when the key names a coordinate system the library knows. Throws as convert() does.
  virtual bool isValid(std::string_view key) = 0;

  // Makes a folder of dictionary and grid files searched before the library's own data.
  virtual void setDataDirectory(const std::string& folder) = 0;

  // How much the library reports about itself: 0 nothing, 1 errors, 2 and more ever more
  // detail. Its reports go to the debug trace.
  virtual Long messageLevel() = 0;
  virtual void setMessageLevel(Long level) = 0;
};

// The settings file holding "COORDSYS DATA PATH" in section "CONFIG": "Tessaglyph.ini" in the
// base directory, the component's own settings file.
std::string coordinateSettingsFile();

// The start-up of a library:
// 1. its message level, when within 0..256, is written back capped at 1 (errors only);
// 2. the dictionary folder is `directory` when given, else the setting "COORDSYS DATA PATH"
//    (a relative path counts from the base directory), else "COORDSYS DATA" under the base
//    directory;
// 3. an existing folder becomes the library's data directory. A folder that was asked for
//    (given, or set in the settings file) but does not exist brings up the information box
//    "Missing Coordinate System Data"; the default folder missing is normal and says nothing,
//    since the library then works from its own data.
// Returns the folder used, or nothing.
std::optional<std::string> startCoordinateLibrary(
    CoordinateSystemLibrary& library, std::optional<std::string_view> directory = std::nullopt);

// The process's library, made and started on first use and kept until the process ends;
// nullptr when it could not be made.
CoordinateSystemLibrary* coordinateLibrary();

}  // namespace tg
