// Crossing-number test with an explicit on-edge check. The edge check uses the orientation of
// the point against each edge with an error bound, so that points which lie on an edge up to the
// rounding of the arithmetic (a corner converted between datums, a point halfway along a
// diagonal) count as on the edge instead of falling to either side at random.
#include "support/point_in_polygon.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tg {

namespace {

// True when (x, y) lies on the closed segment a-b.
bool onSegment(Double ax, Double ay, Double bx, Double by, Double x, Double y) {
  if (x < std::min(ax, bx) || x > std::max(ax, bx) || y < std::min(ay, by) ||
      y > std::max(ay, by)) {
    return false;
  }
  const Double left = (bx - ax) * (y - ay);
  const Double right = (by - ay) * (x - ax);
  const Double bound =
      4 * std::numeric_limits<Double>::epsilon() * (std::fabs(left) + std::fabs(right));
  return std::fabs(left - right) <= bound;
}

}  // namespace

Integer pointInPolygon(std::span<const Double> xs, std::span<const Double> ys, Double x, Double y) {
  if (xs.size() != ys.size() || !std::isfinite(x) || !std::isfinite(y)) return -1;
  std::size_t count = xs.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (!std::isfinite(xs[i]) || !std::isfinite(ys[i])) return -1;
  }
  if (count > 1 && xs[count - 1] == xs[0] && ys[count - 1] == ys[0]) --count;
  if (count == 0) return -1;
  if (count == 1) return (xs[0] == x && ys[0] == y) ? 0 : -1;

  bool inside = false;
  for (std::size_t i = 0, j = count - 1; i < count; j = i++) {
    const Double xi = xs[i], yi = ys[i], xj = xs[j], yj = ys[j];
    if (onSegment(xj, yj, xi, yi, x, y)) return 0;
    // The half-open rule (one end above, the other not) counts a vertex on the ray once.
    if ((yi > y) != (yj > y)) {
      const Double crossingX = xj + (y - yj) * (xi - xj) / (yi - yj);
      if (x < crossingX) inside = !inside;
    }
  }
  if (count < 3) return -1;
  return inside ? 1 : -1;
}

}  // namespace tg
