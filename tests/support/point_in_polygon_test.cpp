#include "support/point_in_polygon.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tg {
namespace {

struct Ring {
  std::vector<Double> x, y;
};

// A unit square, closed; a concave "L"; and a diamond whose edges are diagonals.
const Ring kSquare{{0, 1, 1, 0, 0}, {0, 0, 1, 1, 0}};
const Ring kL{{0, 2, 2, 1, 1, 0}, {0, 0, 1, 1, 2, 2}};
const Ring kDiamond{{0, 1, 0, -1, 0}, {-1, 0, 1, 0, -1}};

TEST(PointInPolygon, InsideOnEdgeOutside) {
  const struct {
    const Ring* ring;
    Double x, y;
    Integer expected;
  } cases[] = {{&kSquare, 0.5, 0.5, 1},
               {&kSquare, 0, 0.5, 0},
               {&kSquare, 1, 1, 0},
               {&kSquare, 0.5, 0, 0},
               {&kSquare, 1.5, 0.5, -1},
               {&kSquare, -1e-9, 0.5, -1},
               {&kSquare, 0.5, 1 + 1e-9, -1},
               // Concave: the notch is outside, its edges are edges.
               {&kL, 1.5, 1.5, -1},
               {&kL, 1.5, 0.5, 1},
               {&kL, 0.5, 1.5, 1},
               {&kL, 1, 1.5, 0},
               {&kL, 1.5, 1, 0},
               // The ray from a point level with a vertex must count that vertex once.
               {&kDiamond, -0.5, 0, 1},
               {&kDiamond, -2, 0, -1},
               {&kDiamond, 0.5, 0.5, 0},
               {&kDiamond, 0.1, 0.9, 0},
               {&kDiamond, 0.6, 0.6, -1},
               {&kDiamond, 0, 1, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(pointInPolygon(c.ring->x, c.ring->y, c.x, c.y), c.expected)
        << "(" << c.x << ", " << c.y << ")";
  }
}

TEST(PointInPolygon, OpenRingIsClosedImplicitly) {
  const std::vector<Double> x{0, 1, 1, 0}, y{0, 0, 1, 1};
  EXPECT_EQ(pointInPolygon(x, y, 0.5, 0.5), 1);
  EXPECT_EQ(pointInPolygon(x, y, 0, 0.5), 0);  // on the implied closing edge
  EXPECT_EQ(pointInPolygon(x, y, 2, 0.5), -1);
}

TEST(PointInPolygon, DegenerateAndBadInput) {
  const std::vector<Double> segmentX{0, 2}, segmentY{0, 2};
  EXPECT_EQ(pointInPolygon(segmentX, segmentY, 1, 1), 0);
  EXPECT_EQ(pointInPolygon(segmentX, segmentY, 1, 0), -1);
  EXPECT_EQ(pointInPolygon(std::vector<Double>{}, std::vector<Double>{}, 0, 0), -1);
  EXPECT_EQ(pointInPolygon(std::vector<Double>{3}, std::vector<Double>{4}, 3, 4), 0);
  const Double nan = std::numeric_limits<Double>::quiet_NaN();
  EXPECT_EQ(pointInPolygon(kSquare.x, kSquare.y, nan, 0.5), -1);
  EXPECT_EQ(pointInPolygon(std::vector<Double>{0, 1, nan}, std::vector<Double>{0, 0, 1}, 0.5, 0.1),
            -1);
  EXPECT_EQ(pointInPolygon(kSquare.x, std::vector<Double>{0, 0, 1}, 0.5, 0.5), -1);
}

}  // namespace
}  // namespace tg
