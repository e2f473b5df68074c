// Where a point lies with respect to a polygon given as a ring of vertices.
#pragma once

#include <span>

#include "tessaglyph/types.hpp"

namespace tg {

// 1 when (x, y) lies inside the polygon, 0 when it lies on an edge or a vertex, -1 when it lies
// outside. The ring is xs[i], ys[i]; its last vertex may repeat the first or not, the closing
// edge is implied either way. Self-crossing rings count by the even-odd rule. A ring of fewer
// than three vertices encloses nothing (a point on its segment still counts as on an edge), and
// rings of unequal length or non-finite coordinates give -1.
Integer pointInPolygon(std::span<const Double> xs, std::span<const Double> ys, Double x, Double y);

}  // namespace tg
