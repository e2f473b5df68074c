// The datum conversion every part of the system uses: datum names to library keys and shift
// codes, the coordinate-system library, the NADCON grid shift where the library fails, and the
// projection to UTM on NAD27. A conversion never raises; its status says what happened (0
// converted; any other value, see datum_status.hpp, leaves the outputs holding the input).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "source/coordinate_library.hpp"
#include "source/nadcon_grid.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

// What a datum name stands for. Names are compared trimmed and upper-cased:
//   "No Adjustment"                              key "LL"    code 0
//   "NAD27", "NAD 27", "NAD-27", "NAD_27"         key "LL27"  code 1
//   "NAD83", "NAD 83", "NAD-83", "NAD_83"         key "LL83"  code 4
//   "WGS84", "WGS 84", "WGS-84", "WGS_84"         key "LL84"  code 4
//   "WGS72", "WGS 72", "WGS-72", "WGS_72"         key "LL72"  code 4
//   any other name                               the name itself (trimmed), code -1
// A target name beginning with "UTM27" means UTM on NAD27: code 1, and the result is projected
// to UTM. The library is asked for NAD27 latitude/longitude (key "LL27"), which is what the
// projection needs; handing it the name itself could only fail or, were it a projected system,
// give metres the projection would then take for degrees. As a source such a name is an
// ordinary unknown name, since the routine takes latitude/longitude only.
struct DatumKey {
  std::string key;
  Integer shiftCode = -1;  // -1: no grid shift
  bool projectToUtm27 = false;
};
DatumKey datumKeyOf(std::string_view name, bool asTarget = false);

// The library key of UTM zone 1..60 in one hemisphere on a datum, "<key>-UTM-<zone>-<N|S>",
// with the datum's key from the table above (for example "LL27-UTM-13-N").
std::string utmKeyOf(std::string_view datumName, Integer zone, bool north);

// The conversion with its coordinate-system library and its NADCON grids. The library is
// marked unusable the first time a call into it fails, and is not called again by this
// converter; the grids are fetched only when a grid shift is needed.
class DatumConverter {
 public:
  using GridSource = std::function<std::shared_ptr<const NadconGridSet>()>;
  // `library` may be null: it then counts as unusable from the start.
  DatumConverter(CoordinateSystemLibrary* library, GridSource grids);

  // Converts (lat, lon) from the datum `fromName` to `toName`:
  // 1. the names become keys and shift codes;
  // 2. while the library is usable it converts the point; a call that fails marks it
  //    unusable, and the status is then DATUM_S_LIBRARYUNUSABLE (-88), as it is whenever the
  //    library is unusable;
  // 3. when that status is not 0 and both codes are 0 or more and differ, the NADCON grid shift
  //    from code to code is applied to the input instead, and its status is the result;
  // 4. when the status is 0 and the target begins with "UTM27", the position is projected to
  //    UTM (zone from the longitude): outLon receives the easting and outLat the northing;
  //    otherwise outLat and outLon receive the latitude and longitude.
  // On any non-zero status the outputs hold the input. Never raises.
  void convert(Double lat, Double lon, std::string_view fromName, Double& outLat, Double& outLon,
               std::string_view toName, Integer& status) noexcept;

  // Whether convert leaves every position between these two datums as it is, whatever its
  // status: no UTM projection, no grid shift, and the library either converts between one
  // datum under two names (an identity) or knows one of the keys not.
  bool movesNothing(std::string_view fromName, std::string_view toName) noexcept;

  // Whether the library knows a key (false while it is unusable; a failing call marks it so).
  bool isValidKey(std::string_view key) noexcept;

  bool libraryUsable() const noexcept { return m_library != nullptr && m_usable; }

 private:
  // The keys of the names last seen on each side: a host converts many points between the same
  // two datums, and this keeps the name table (and its allocations) out of that loop.
  struct RememberedKey {
    std::string name;
    DatumKey key;
    bool valid = false;
  };
  static const DatumKey& keyFor(std::string_view name, bool asTarget, RememberedKey& remembered);
  Integer callLibrary(const DatumKey& from, const DatumKey& to, Double point[3]) noexcept;

  RememberedKey m_fromKey, m_toKey;
  CoordinateSystemLibrary* m_library;
  bool m_usable = true;
  GridSource m_grids;
};

// The process's converter: the coordinate-system library of coordinateLibrary() and the grids
// of nadconGrids(), both set up on first use.
DatumConverter& datumConverter();

// A short description of a conversion status, for messages ("converted", "the point lies in no
// NADCON region", ...).
std::string_view describeDatumStatus(Integer status) noexcept;

// The datum conversion of the process (datumConverter().convert).
void convertDatum(Double lat, Double lon, std::string_view fromName, Double& outLat, Double& outLon,
                  std::string_view toName, Integer& status) noexcept;

}  // namespace tg
