// The numeric helpers every part of source access leans on: combining gathered grid points into
// one value, reversing the bytes of a 4-byte value, and Universal Transverse Mercator on the
// Clarke 1866 ellipsoid. The three entry points keep the names and the all-by-reference calling
// shape the rest of the system was written against; the typed functions below them do the work
// and are what new code should call.
#pragma once

#include <array>
#include <span>

#include "support/byte_order.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

// Where the gathered points of an interpolation lie, as (i, j) offsets in grid spacings from the
// south-west corner of the cell holding the target: the cell's four corners first (the 4-point
// set), then the ring around it clockwise from the west side.
inline constexpr std::array<std::array<int, 2>, 12> kInterpolationPointOffsets = {{
    {1, 0},
    {0, 0},
    {0, 1},
    {1, 1},
    {-1, 1},
    {0, 2},
    {1, 2},
    {2, 1},
    {2, 0},
    {1, -1},
    {0, -1},
    {-1, 0},
}};

// ---- Combining gathered points ----------------------------------------------------------------
//
// Point layout. The interpolation gatherer hands over the points of one grid cell and, in
// 12-point mode, the ring around it. Writing (i, j) for the point (gx + i*xRes, gy + j*yRes),
// where (gx, gy) is the greatest grid point not east or north of the target:
//
//        j=2            p5  p6
//        j=1        p4  p2  p3  p7
//        j=0       p11  p1  p0  p8
//        j=-1           p10 p9
//                 i=-1  i=0 i=1 i=2
//
// p0..p3 are the cell corners (1,0), (0,0), (0,1), (1,1); 4-point mode uses only those.
//
// With u = (targetX - x1) / (x0 - x1) and v = (targetY - y1) / (y2 - y1):
//
// 4 points, bilinear (exact for every surface a + b*x + c*y + d*x*y):
//   f = (1-u)(1-v) z1 + u(1-v) z0 + (1-u)v z2 + uv z3
//
// 12 points, a bicubic Boolean sum (a Coons patch of cubic rows and columns), exact for every
// surface in span{1, x, y, x^2, xy, y^2, x^3, x^2y, xy^2, y^3, x^3y, xy^3}, so for every
// quadratic. With the cubic Lagrange weights on the nodes -1, 0, 1, 2
//   L-1(t) = -t(t-1)(t-2)/6   L0(t) = (t+1)(t-1)(t-2)/2
//   L1(t)  = -(t+1)t(t-2)/2   L2(t) = (t+1)t(t-1)/6
// the two middle rows and the two middle columns are interpolated as cubics
//   R0 = L-1(u) z11 + L0(u) z1 + L1(u) z0 + L2(u) z8      (row j=0)
//   R1 = L-1(u) z4  + L0(u) z2 + L1(u) z3 + L2(u) z7      (row j=1)
//   C0 = L-1(v) z10 + L0(v) z1 + L1(v) z2 + L2(v) z5      (column i=0)
//   C1 = L-1(v) z9  + L0(v) z0 + L1(v) z3 + L2(v) z6      (column i=1)
// and joined:
//   f = (1-v) R0 + v R1 + (1-u) C0 + u C1 - [bilinear f of the four corners, as above]
// Twelve points determine that 12-term space uniquely, so this is the one interpolant of the
// space through the points.
//
// Points that are not in this layout (a script's own point routine may hand them in any order
// or spacing) are fitted directly: the same polynomial space (1, x, y, xy for four points; the
// twelve terms above for twelve) is solved through the points, which gives the same value on
// the regular layout and stays exact for those surfaces on any layout that determines them.
// A layout that cannot determine the fit (repeated or collinear points) falls back to
// inverse-distance weighting; a point at the target gives its own value.

// Combines the points: twelvePoint selects the 12-point scheme (at least 12 points), otherwise
// the first four points are combined bilinearly. Raises error 5 "Invalid procedure call or
// argument" when there are too few points.
Double interpolateGatheredPoints(Double targetY, Double targetX, std::span<const Double> y,
                                 std::span<const Double> x, std::span<const Single> z,
                                 bool twelvePoint);

// The bilinear value over the regular cell from (x0, y0) to (x1, y1), with the corner values in
// the gathering order above (p0 at (1, 0), p1 at (0, 0), p2 at (0, 1), p3 at (1, 1)): the value
// interpolateGatheredPoints gives for those four points. False when they make no regular cell.
bool bilinearOnCell(Double targetY, Double targetX, Double x0, Double y0, Double x1, Double y1,
                    std::span<const Single, 4> z, Double& value);

// The combining entry point of the interpolation: target Y, target X, the point count (12 in
// 12-point mode, 4 otherwise), the method flag (1 in 12-point mode, 0 otherwise), element 0 of
// the Y, X and value arrays, two work values the caller zeroes and never reads (left
// untouched), and the result. A method flag other than 0 or 1, or a count too small for the
// method, raises error 5.
void _elv_interp(const Double& targetY, const Double& targetX, const Integer& numPoints,
                 const Integer& method, const Double& y, const Double& x, const Single& z,
                 Long& work1, Long& work2, Single& result);

// ---- Byte order -------------------------------------------------------------------------------

// swapBytes4 (support/byte_order.hpp) reverses the four bytes of a value.

// The byte-flip entry point: returns the value with its bytes reversed; the argument is read
// only.
Long _swap_bytes4(const Long& value) noexcept;

// ---- Universal Transverse Mercator on Clarke 1866 -----------------------------------------------
//
// Transverse Mercator by the Krueger series to the sixth power of the third flattening, on the
// Clarke 1866 ellipsoid (a = 6378206.4 m, b = 6356583.8 m), with the UTM constants: scale 0.9996
// on the central meridian, false easting 500000 m, false northing 0 m in the northern and
// 10000000 m in the southern hemisphere. Within a zone it agrees with the exact projection to
// well under a millimetre.
//
// Zones. A zone is 1..60, zone z having its central meridian at 6z - 183 degrees. The zone of a
// longitude is floor((lon + 180) / 6) + 1 after bringing the longitude into [-180, 180), so
// 180 degrees east belongs to zone 1 and each zone holds its western edge. No exceptions are
// made for Norway or Svalbard. A negative zone (-1..-60) means the same zone in the southern
// hemisphere: conversions to UTM report southern points with a negative zone, and conversions
// from UTM read a negative zone as southern (false northing 10000000 m).

constexpr Double kClarke1866SemiMajorAxis = 6378206.4;
constexpr Double kClarke1866SemiMinorAxis = 6356583.8;
constexpr Double kUtmScale = 0.9996;
constexpr Double kUtmFalseEasting = 500000.0;
constexpr Double kUtmFalseNorthingSouth = 10000000.0;

// The zone (1..60) whose strip holds the longitude. Raises error 5 for a non-finite longitude.
Integer utmZoneOfLongitude(Double lon);

struct UtmCoordinates {
  Integer zone = 0;  // negative in the southern hemisphere
  Double easting = 0;
  Double northing = 0;
};

// Latitude/longitude to UTM. zone 0 picks the zone from the longitude; 1..60 (sign ignored)
// projects into that zone. The hemisphere always follows the latitude. Raises error 5 for a
// latitude outside -90..90, a non-finite longitude, a zone outside -60..60, or a point 90
// degrees or more from the central meridian.
UtmCoordinates latLonToUtm(Double lat, Double lon, Integer zone = 0);

// UTM to latitude/longitude (longitude in [-180, 180)). Raises error 5 for a zone outside
// 1..60 / -60..-1 or non-finite coordinates.
void utmToLatLon(Integer zone, Double easting, Double northing, Double& lat, Double& lon);

// The UTM entry point. selector must be 5 (Clarke 1866). direction 1 fills easting and northing
// from latitude and longitude and stores the zone used into `zone`; `requestedZone` 0 lets the
// longitude pick the zone, 1..60 forces that zone (it is read before `zone` is written, so the
// same variable may be passed for both). direction 2 fills latitude and longitude from easting
// and northing in `zone` (negative: southern hemisphere); `requestedZone` is not read. Anything
// else raises error 5, leaving every argument as it was.
void _utmcon(const Integer& selector, Integer& zone, const Integer& requestedZone, Double& lat,
             Double& lon, Double& easting, Double& northing, const Integer& direction);

}  // namespace tg
