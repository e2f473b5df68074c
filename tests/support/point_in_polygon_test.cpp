#include "support/point_in_polygon.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tg {
namespace {

using Coordinates = std::vector<Double>;
const Double kNaN = std::numeric_limits<Double>::quiet_NaN();

// A unit square, closed; the same square open (closed implicitly); a concave "L" whose notch is
// outside and whose notch edges are edges; a diamond whose edges are diagonals (the ray from a
// point level with a vertex must count that vertex once); degenerate and bad rings.
const struct Ring {
  const char* name;
  Coordinates x, y;
} kSquare{"square", {0, 1, 1, 0, 0}, {0, 0, 1, 1, 0}}, kOpen{"open", {0, 1, 1, 0}, {0, 0, 1, 1}},
    kL{"L", {0, 2, 2, 1, 1, 0}, {0, 0, 1, 1, 2, 2}},
    kDiamond{"diamond", {0, 1, 0, -1, 0}, {-1, 0, 1, 0, -1}}, kSegment{"segment", {0, 2}, {0, 2}},
    kEmpty{"empty", {}, {}}, kPoint{"point", {3}, {4}},
    kNaNVertex{"NaN vertex", {0, 1, kNaN}, {0, 0, 1}},
    kUneven{"uneven", {0, 1, 1, 0, 0}, {0, 0, 1}};

TEST(PointInPolygon, InsideOnEdgeOutside) {
  // clang-format off
  const struct {
    const Ring* ring;
    Double x, y;
    Integer expected;
  } rows[] = {
      {&kSquare, 0.5, 0.5, 1}, {&kSquare, 0, 0.5, 0}, {&kSquare, 1, 1, 0}, {&kSquare, 0.5, 0, 0},
      {&kSquare, 1.5, 0.5, -1}, {&kSquare, -1e-9, 0.5, -1}, {&kSquare, 0.5, 1 + 1e-9, -1},
      {&kOpen, 0.5, 0.5, 1}, {&kOpen, 0, 0.5, 0}, {&kOpen, 2, 0.5, -1},
      {&kL, 1.5, 1.5, -1}, {&kL, 1.5, 0.5, 1}, {&kL, 0.5, 1.5, 1}, {&kL, 1, 1.5, 0}, {&kL, 1.5, 1, 0},
      {&kDiamond, -0.5, 0, 1}, {&kDiamond, -2, 0, -1}, {&kDiamond, 0.5, 0.5, 0},
      {&kDiamond, 0.1, 0.9, 0}, {&kDiamond, 0.6, 0.6, -1}, {&kDiamond, 0, 1, 0},
      {&kSegment, 1, 1, 0}, {&kSegment, 1, 0, -1}, {&kEmpty, 0, 0, -1}, {&kPoint, 3, 4, 0},
      {&kSquare, kNaN, 0.5, -1}, {&kNaNVertex, 0.5, 0.1, -1}, {&kUneven, 0.5, 0.5, -1}};
  // clang-format on
  for (const auto& row : rows) {
    EXPECT_EQ(pointInPolygon(row.ring->x, row.ring->y, row.x, row.y), row.expected)
        << row.ring->name << " (" << row.x << ", " << row.y << ")";
  }
}

}  // namespace
}  // namespace tg
