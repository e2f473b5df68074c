// A source file's extent and resolution as its script declares them: the corners by the
// script's "boundsmode", moved to a wanted datum, and the resolution in metres. The open file
// keeps these as its metrics; the index and the top-level object compute them for files they
// only look at.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "tessaglyph/machine.hpp"
#include "tessaglyph/source_file.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

// The script's way of giving its extent.
enum class BoundsMode { utm, latLon, corners };

// The mode the script's "boundsmode" property names: "utmbounding", "latlonbounding", or
// anything else for the four corner points.
BoundsMode boundsModeOf(TessaglyphMachine& machine);

// The four corners of the extent in the order north-west, north-east, south-east, south-west,
// as latitude/longitude, each with the native position the script's datum is asked at (the
// UTM easting and northing, or the longitude and latitude).
struct SourceCorners {
  BoundsMode mode = BoundsMode::corners;
  std::array<Double, 4> lat{};
  std::array<Double, 4> lon{};
  std::array<Double, 4> nativeX{};
  std::array<Double, 4> nativeY{};
};
enum SourceCorner { kNorthWest = 0, kNorthEast = 1, kSouthEast = 2, kSouthWest = 3 };

// Reads the corner attributes of the script's bounds mode. With `wholeMetres`, UTM values are
// first rounded to whole metres (halves to even). UTM corners are converted from the
// "utmzone" zone (negative: southern hemisphere). `afterEachRead` runs after every attribute
// read, since each may run script code that opens a progress window. A missing attribute raises
// 11010; a value that is no number raises 13.
SourceCorners readSourceCorners(TessaglyphMachine& machine, bool wholeMetres,
                                const std::function<void()>& afterEachRead = {});

// Moves one corner from the script's datum at its native position to `targetDatum`. Nothing
// happens when the target is empty or the same datum, or when the conversion fails (the corner
// keeps its value). Returns the datum the corner was on.
std::string convertCornerDatum(TessaglyphMachine& machine, Double nativeX, Double nativeY,
                               Double& lat, Double& lon, std::string_view targetDatum);

// Metres per degree of longitude and of latitude at a latitude in degrees.
Double metresPerDegreeLongitude(Double latitude);
Double metresPerDegreeLatitude(Double latitude);

// The metrics of the file the machine is loaded for: its corners moved to `targetDatum` (empty:
// left on the script's datum, which then names the metrics' datum), the bounding rectangle of
// the corners, and the resolution in metres from "xres" and "yres" (in degrees at the middle
// latitude when "resspec" is "latlon").
TG_FILEMETRICS computeSourceMetrics(TessaglyphMachine& machine, std::string_view targetDatum,
                                    const std::function<void()>& afterEachRead = {});

}  // namespace tg
