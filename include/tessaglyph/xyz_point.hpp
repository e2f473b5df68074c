// XYZPoint: one grid point as the row/column reads hand it out: its position (x the longitude or
// easting, y the latitude or northing), its value, and whether the value is good data.
#pragma once

#include "tessaglyph/types.hpp"

namespace tg {

class XYZPoint {
 public:
  XYZPoint() = default;
  XYZPoint(Double x, Double y, Single z, Boolean isGood) noexcept
      : m_x(x), m_y(y), m_z(z), m_isGood(isGood) {}

  Double x() const noexcept { return m_x; }
  void setX(Double value) noexcept { m_x = value; }
  Double y() const noexcept { return m_y; }
  void setY(Double value) noexcept { m_y = value; }
  Single z() const noexcept { return m_z; }
  void setZ(Single value) noexcept { m_z = value; }
  Boolean IsGood() const noexcept { return m_isGood; }
  void setIsGood(Boolean value) noexcept { m_isGood = value; }

  friend bool operator==(const XYZPoint&, const XYZPoint&) = default;

 private:
  Double m_x = 0;
  Double m_y = 0;
  Single m_z = 0;
  Boolean m_isGood = false;
};

}  // namespace tg
