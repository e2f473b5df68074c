// The bounds test of a source file. The boundary is built once after open or a datum change:
// the script's extent moved into currentDatum, kept as a rectangle while the move leaves it
// square (the common case, and the cheap test) and otherwise as a ring of five points.
#include <cmath>

#include "source/source_metrics.hpp"
#include "support/conversions.hpp"
#include "support/method_scope.hpp"
#include "support/point_in_polygon.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/source_file.hpp"

namespace tg {

namespace {

// Corners compare to 4 decimals (about ten metres): a datum shift that moves the corners
// together by the same amount keeps the rectangle.
Double fourDecimals(Double value) {
  return roundHalfEven(value * 10000) / 10000;
}

}  // namespace

Boolean TessaglyphFile::inBounds(Double latitude, Double longitude) {
  MethodScope scope(profiler(), "TessaglyphFile::inBounds");
  if (!m_open) {
    throw Error(
        TG_F_E_FILENOTOPEN, {},
        std::string("The file must be open before attempting to ") + "check the boundaries.");
  }
  if (checkRemovableMedia()) return false;
  if (!m_boundaryComputed) buildBoundary();
  return boundaryContains(latitude, longitude);
}

void TessaglyphFile::buildBoundary() {
  TessaglyphMachine& machine = requireMachine();
  SourceCorners corners = readSourceCorners(machine, true, [this] { closeProgressWindow(); });
  const std::string target = machine.currentDatum();

  if (corners.mode == BoundsMode::latLon) {
    // The script's rectangle: latitudes top..bottom, longitudes left..right.
    const Double top = corners.lat[kNorthWest], bottom = corners.lat[kSouthWest];
    const Double left = corners.lon[kNorthWest], right = corners.lon[kNorthEast];
    // North-east, north-west, south-west, south-east.
    Double lat[4] = {top, top, bottom, bottom};
    Double lon[4] = {right, left, left, right};
    for (int c = 0; c < 4; ++c)
      convertCornerDatum(machine, lon[c], lat[c], lat[c], lon[c], target);
    const bool square = fourDecimals(lat[0]) == fourDecimals(lat[1]) &&
                        fourDecimals(lat[2]) == fourDecimals(lat[3]) &&
                        fourDecimals(lon[0]) == fourDecimals(lon[3]) &&
                        fourDecimals(lon[1]) == fourDecimals(lon[2]);
    if (square) {
      m_boundaryIsPolygon = false;
      m_top = lat[0];
      m_bottom = lat[2];
      m_left = lon[1];
      m_right = lon[0];
    } else {
      m_boundaryIsPolygon = true;
      for (int c = 0; c < 4; ++c) {
        m_ringLat[c] = lat[c];
        m_ringLon[c] = lon[c];
      }
      m_ringLat[4] = lat[0];
      m_ringLon[4] = lon[0];
    }
  } else {
    // North-west, north-east, south-east, south-west and north-west again.
    for (int c = 0; c < 4; ++c) {
      convertCornerDatum(machine, corners.nativeX[c], corners.nativeY[c], corners.lat[c],
                         corners.lon[c], target);
      m_ringLat[c] = corners.lat[c];
      m_ringLon[c] = corners.lon[c];
    }
    m_ringLat[4] = m_ringLat[0];
    m_ringLon[4] = m_ringLon[0];
    m_boundaryIsPolygon = true;
  }
  m_boundaryComputed = true;
}

bool TessaglyphFile::boundaryContains(Double latitude, Double longitude) const {
  if (!m_boundaryIsPolygon) {
    return m_bottom <= latitude && latitude <= m_top && m_left <= longitude && longitude <= m_right;
  }
  return pointInPolygon(m_ringLon, m_ringLat, longitude, latitude) >= 0;
}

}  // namespace tg
