// The great circle between two positions on a sphere of the Earth's mean radius, and the
// fractions along it at which a profile samples: shared by the `profile` tool and the Python
// module.
#pragma once

#include <cmath>
#include <vector>

namespace tg::tools {

inline constexpr double kEarthRadius = 6371008.8;  // metres, the mean radius
inline constexpr long kMaxProfileSamples = 10000000;

class GreatCircle {
 public:
  GreatCircle(double lat1, double lon1, double lat2, double lon2)
      : m_a(toVector(lat1, lon1)), m_b(toVector(lat2, lon2)) {
    const double dot = m_a.x * m_b.x + m_a.y * m_b.y + m_a.z * m_b.z;
    const Vector3 cross{m_a.y * m_b.z - m_a.z * m_b.y, m_a.z * m_b.x - m_a.x * m_b.z,
                        m_a.x * m_b.y - m_a.y * m_b.x};
    m_angle = std::atan2(std::sqrt(cross.x * cross.x + cross.y * cross.y + cross.z * cross.z), dot);
  }
  // Metres from the first position to the second.
  double length() const { return m_angle * kEarthRadius; }
  // The position a fraction t of the way along.
  void at(double t, double& lat, double& lon) const {
    double wa = 1 - t, wb = t;
    if (m_angle > 1e-12) {
      wa = std::sin((1 - t) * m_angle) / std::sin(m_angle);
      wb = std::sin(t * m_angle) / std::sin(m_angle);
    }
    const Vector3 p{wa * m_a.x + wb * m_b.x, wa * m_a.y + wb * m_b.y, wa * m_a.z + wb * m_b.z};
    lat = std::atan2(p.z, std::hypot(p.x, p.y)) / kDegrees;
    lon = std::atan2(p.y, p.x) / kDegrees;
  }

 private:
  static constexpr double kDegrees = 3.14159265358979323846 / 180;
  struct Vector3 {
    double x, y, z;
  };
  static Vector3 toVector(double lat, double lon) {
    return {std::cos(lat * kDegrees) * std::cos(lon * kDegrees),
            std::cos(lat * kDegrees) * std::sin(lon * kDegrees), std::sin(lat * kDegrees)};
  }

  Vector3 m_a, m_b;
  double m_angle = 0;
};

// `samples` evenly spaced fractions, both ends included.
inline std::vector<double> fractionsByCount(long samples) {
  std::vector<double> fractions;
  for (long i = 0; i < samples; ++i)
    fractions.push_back(samples == 1 ? 0 : double(i) / double(samples - 1));
  return fractions;
}

// A fraction every `step` metres of a path `length` metres long, and the far end.
inline std::vector<double> fractionsByStep(double length, double step) {
  std::vector<double> fractions;
  for (double distance = 0; distance < length; distance += step)
    fractions.push_back(length > 0 ? distance / length : 0);
  fractions.push_back(1);
  return fractions;
}

}  // namespace tg::tools
