#include "source/elevation_helpers.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

#include "tessaglyph/error.hpp"

namespace tg {

namespace {

// ---- Combining gathered points ----------------------------------------------------------------

struct Cell {
  double originX, originY, stepX, stepY;
};

// Whether a step makes a cell: neither zero nor infinite nor NaN.
bool usableStep(double step) {
  return step != 0 && std::isfinite(step);
}

// Positions may carry single-precision rounding (scripts hand x over at that precision), so a
// point is where the layout puts it within a relative slack of 1e-6 of a cell.
bool onLayout(double actual, double expected, double step) {
  return std::abs(actual - expected) <= std::abs(step) * 1e-6;
}

// The cell spanned by the corner points when all `count` points sit where the layout puts them.
bool regularLayout(std::span<const Double> y, std::span<const Double> x, std::size_t count,
                   Cell& cell) {
  cell = {x[1], y[1], x[0] - x[1], y[2] - y[1]};
  if (!usableStep(cell.stepX) || !usableStep(cell.stepY)) return false;
  for (std::size_t k = 0; k < count; ++k) {
    const double expectX = cell.originX + kInterpolationPointOffsets[k][0] * cell.stepX;
    const double expectY = cell.originY + kInterpolationPointOffsets[k][1] * cell.stepY;
    if (!(onLayout(x[k], expectX, cell.stepX) && onLayout(y[k], expectY, cell.stepY))) return false;
  }
  return true;
}

double bilinear(double u, double v, std::span<const Single> z) {
  return (1 - u) * (1 - v) * z[1] + u * (1 - v) * z[0] + (1 - u) * v * z[2] + u * v * z[3];
}

// Cubic Lagrange weights on the nodes -1, 0, 1, 2.
std::array<double, 4> cubicWeights(double t) {
  return {-t * (t - 1) * (t - 2) / 6, (t + 1) * (t - 1) * (t - 2) / 2, -(t + 1) * t * (t - 2) / 2,
          (t + 1) * t * (t - 1) / 6};
}

double coonsPatch(double u, double v, std::span<const Single> z) {
  const auto wu = cubicWeights(u);
  const auto wv = cubicWeights(v);
  const double row0 = wu[0] * z[11] + wu[1] * z[1] + wu[2] * z[0] + wu[3] * z[8];
  const double row1 = wu[0] * z[4] + wu[1] * z[2] + wu[2] * z[3] + wu[3] * z[7];
  const double column0 = wv[0] * z[10] + wv[1] * z[1] + wv[2] * z[2] + wv[3] * z[5];
  const double column1 = wv[0] * z[9] + wv[1] * z[0] + wv[2] * z[3] + wv[3] * z[6];
  return (1 - v) * row0 + v * row1 + (1 - u) * column0 + u * column1 - bilinear(u, v, z);
}

// The monomials of the fit at (u, v): 1, u, v, uv for four points; for twelve, the twelve
// terms the header lists.
void monomials(double u, double v, std::size_t count, double* row) {
  row[0] = 1;
  row[1] = u;
  row[2] = v;
  if (count == 4) {
    row[3] = u * v;
    return;
  }
  row[3] = u * u;
  row[4] = u * v;
  row[5] = v * v;
  row[6] = u * u * u;
  row[7] = u * u * v;
  row[8] = u * v * v;
  row[9] = v * v * v;
  row[10] = u * u * u * v;
  row[11] = u * v * v * v;
}

// Solves the fit through the points in coordinates centred on the target and scaled by the
// points' spread, so that the value at the target is the constant term. False when the layout
// does not determine the fit.
bool polynomialFit(double targetY, double targetX, std::span<const Double> y,
                   std::span<const Double> x, std::span<const Single> z, std::size_t count,
                   double& value) {
  double spreadX = 0, spreadY = 0;
  for (std::size_t k = 0; k < count; ++k) {
    spreadX = std::max(spreadX, std::abs(x[k] - targetX));
    spreadY = std::max(spreadY, std::abs(y[k] - targetY));
  }
  if (!(spreadX > 0 && spreadY > 0) || !std::isfinite(spreadX) || !std::isfinite(spreadY))
    return false;

  std::array<std::array<double, 13>, 12> m{};  // augmented rows
  for (std::size_t k = 0; k < count; ++k) {
    monomials((x[k] - targetX) / spreadX, (y[k] - targetY) / spreadY, count, m[k].data());
    m[k][count] = z[k];
  }
  // Gaussian elimination with partial pivoting; the scaled monomials are at most 1, so an
  // absolute pivot threshold says when the layout leaves the fit undetermined.
  for (std::size_t col = 0; col < count; ++col) {
    std::size_t pivot = col;
    for (std::size_t r = col + 1; r < count; ++r) {
      if (std::abs(m[r][col]) > std::abs(m[pivot][col])) pivot = r;
    }
    if (!(std::abs(m[pivot][col]) > 1e-10)) return false;
    std::swap(m[col], m[pivot]);
    for (std::size_t r = col + 1; r < count; ++r) {
      const double factor = m[r][col] / m[col][col];
      if (factor == 0) continue;
      for (std::size_t c = col; c <= count; ++c)
        m[r][c] -= factor * m[col][c];
    }
  }
  std::array<double, 12> coefficient{};
  for (std::size_t r = count; r-- > 0;) {
    double sum = m[r][count];
    for (std::size_t c = r + 1; c < count; ++c)
      sum -= m[r][c] * coefficient[c];
    coefficient[r] = sum / m[r][r];
  }
  value = coefficient[0];
  return std::isfinite(value);
}

double inverseDistance(double targetY, double targetX, std::span<const Double> y,
                       std::span<const Double> x, std::span<const Single> z, std::size_t count) {
  double weights = 0, sum = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const double d2 = (x[k] - targetX) * (x[k] - targetX) + (y[k] - targetY) * (y[k] - targetY);
    if (d2 == 0) return z[k];
    weights += 1 / d2;
    sum += z[k] / d2;
  }
  return sum / weights;
}

}  // namespace

Double interpolateGatheredPoints(Double targetY, Double targetX, std::span<const Double> y,
                                 std::span<const Double> x, std::span<const Single> z,
                                 bool twelvePoint) {
  const std::size_t count = twelvePoint ? 12 : 4;
  if (y.size() < count || x.size() < count || z.size() < count)
    raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, "_elv_interp");

  Cell cell;
  if (regularLayout(y, x, count, cell)) {
    const double u = (targetX - cell.originX) / cell.stepX;
    const double v = (targetY - cell.originY) / cell.stepY;
    return twelvePoint ? coonsPatch(u, v, z) : bilinear(u, v, z);
  }
  double value = 0;
  if (polynomialFit(targetY, targetX, y, x, z, count, value)) return value;
  return inverseDistance(targetY, targetX, y, x, z, count);
}

bool bilinearOnCell(Double targetY, Double targetX, Double x0, Double y0, Double x1, Double y1,
                    std::span<const Single, 4> z, Double& value) {
  const Cell cell = {x0, y0, x1 - x0, y1 - y0};
  // The layout test of the four corners: the other corners' coordinates are x0 and y0 exactly.
  if (!usableStep(cell.stepX) || !usableStep(cell.stepY) ||
      !onLayout(x1, cell.originX + cell.stepX, cell.stepX) ||
      !onLayout(y1, cell.originY + cell.stepY, cell.stepY))
    return false;
  value = bilinear((targetX - cell.originX) / cell.stepX, (targetY - cell.originY) / cell.stepY, z);
  return true;
}

void _elv_interp(const Double& targetY, const Double& targetX, const Integer& numPoints,
                 const Integer& method, const Double& y, const Double& x, const Single& z,
                 Long& /*work1*/, Long& /*work2*/, Single& result) {
  if ((method != 0 && method != 1) || numPoints < (method == 1 ? 12 : 4))
    raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, "_elv_interp");
  const auto count = static_cast<std::size_t>(numPoints);
  result = static_cast<Single>(interpolateGatheredPoints(
      targetY, targetX, std::span<const Double>(&y, count), std::span<const Double>(&x, count),
      std::span<const Single>(&z, count), method == 1));
}

Long _swap_bytes4(const Long& value) noexcept {
  return swapBytes4(value);
}

// ---- Transverse Mercator ----------------------------------------------------------------------

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180;

// The Clarke 1866 constants of the Krueger series, worked out once.
struct Krueger {
  double e;                     // first eccentricity
  double scaledRadius;          // k0 times the rectifying radius A
  std::array<double, 7> alpha;  // forward series, 1-based
  std::array<double, 7> beta;   // inverse series, 1-based

  Krueger() {
    const double a = kClarke1866SemiMajorAxis;
    const double b = kClarke1866SemiMinorAxis;
    const double f = (a - b) / a;
    e = std::sqrt(f * (2 - f));
    const double n = f / (2 - f);
    const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
    scaledRadius = kUtmScale * a / (1 + n) * (1 + n2 / 4 + n4 / 64 + n6 / 256);
    alpha = {0,
             n / 2 - 2 * n2 / 3 + 5 * n3 / 16 + 41 * n4 / 180 - 127 * n5 / 288 + 7891 * n6 / 37800,
             13 * n2 / 48 - 3 * n3 / 5 + 557 * n4 / 1440 + 281 * n5 / 630 - 1983433 * n6 / 1935360,
             61 * n3 / 240 - 103 * n4 / 140 + 15061 * n5 / 26880 + 167603 * n6 / 181440,
             49561 * n4 / 161280 - 179 * n5 / 168 + 6601661 * n6 / 7257600,
             34729 * n5 / 80640 - 3418889 * n6 / 1995840,
             212378941 * n6 / 319334400};
    beta = {0,
            n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360 - 81 * n5 / 512 + 96199 * n6 / 604800,
            n2 / 48 + n3 / 15 - 437 * n4 / 1440 + 46 * n5 / 105 - 1118711 * n6 / 3870720,
            17 * n3 / 480 - 37 * n4 / 840 - 209 * n5 / 4480 + 5569 * n6 / 90720,
            4397 * n4 / 161280 - 11 * n5 / 504 - 830251 * n6 / 7257600,
            4583 * n5 / 161280 - 108847 * n6 / 3991680,
            20648693 * n6 / 638668800};
  }

  // tan of the conformal latitude from tan of the geodetic latitude.
  double conformalTan(double tau) const {
    const double secant = std::sqrt(1 + tau * tau);
    const double sigma = std::sinh(e * std::atanh(e * tau / secant));
    return tau * std::sqrt(1 + sigma * sigma) - sigma * secant;
  }

  // The inverse of conformalTan by Newton's method; three or four steps reach double precision.
  double geodeticTan(double tauPrime) const {
    const double oneMinusE2 = 1 - e * e;
    double tau = tauPrime / oneMinusE2;
    for (int i = 0; i < 8; ++i) {
      const double tauPrimeI = conformalTan(tau);
      const double step = (tauPrime - tauPrimeI) / std::sqrt(1 + tauPrimeI * tauPrimeI) *
                          (1 + oneMinusE2 * tau * tau) / (oneMinusE2 * std::sqrt(1 + tau * tau));
      tau += step;
      if (!(std::abs(step) > 1e-14 * std::max(1.0, std::abs(tau)))) break;
    }
    return tau;
  }
};

const Krueger& krueger() {
  static const Krueger constants;
  return constants;
}

// The Krueger series sum over j of c[j] sin(2j zeta), zeta = xi + i eta, by Clenshaw's
// recurrence (b[j] = c[j] + 2 cos(2 zeta) b[j+1] - b[j+2], sum = b[1] sin(2 zeta)): one complex
// sine and cosine instead of a sine, cosine, sinh and cosh per term.
std::complex<double> sineSeries(const std::array<double, 7>& c, double xi, double eta) {
  const std::complex<double> twoZeta(2 * xi, 2 * eta);
  const std::complex<double> twoCos = 2.0 * std::cos(twoZeta);
  std::complex<double> next(0), afterNext(0);
  for (int j = 6; j >= 1; --j) {
    const std::complex<double> current = c[j] + twoCos * next - afterNext;
    afterNext = next;
    next = current;
  }
  return next * std::sin(twoZeta);
}

double centralMeridian(int zone) {
  return 6.0 * zone - 183.0;
}

// The longitude brought into [-180, 180).
double normalizedLongitude(double lon) {
  double wrapped = std::fmod(lon + 180.0, 360.0);
  if (wrapped < 0) wrapped += 360.0;
  return wrapped - 180.0;
}

[[noreturn]] void invalidUtmArgument() {
  raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, "_utmcon");
}

}  // namespace

Integer utmZoneOfLongitude(Double lon) {
  if (!std::isfinite(lon)) invalidUtmArgument();
  const int zone = static_cast<int>(std::floor((normalizedLongitude(lon) + 180.0) / 6.0)) + 1;
  return static_cast<Integer>(std::clamp(zone, 1, 60));
}

UtmCoordinates latLonToUtm(Double lat, Double lon, Integer zone) {
  if (!(lat >= -90 && lat <= 90) || !std::isfinite(lon) || zone < -60 || zone > 60)
    invalidUtmArgument();
  const int useZone = zone == 0 ? utmZoneOfLongitude(lon) : std::abs(zone);
  const double lambda = normalizedLongitude(lon - centralMeridian(useZone)) * kDegree;
  const double cosLambda = std::cos(lambda);
  if (!(cosLambda > 0)) invalidUtmArgument();

  const Krueger& k = krueger();
  double xiPrime, etaPrime;
  if (std::abs(lat) == 90) {
    xiPrime = std::copysign(kPi / 2, lat);
    etaPrime = 0;
  } else {
    const double tauPrime = k.conformalTan(std::tan(lat * kDegree));
    xiPrime = std::atan2(tauPrime, cosLambda);
    etaPrime =
        std::asinh(std::sin(lambda) / std::sqrt(tauPrime * tauPrime + cosLambda * cosLambda));
  }
  const std::complex<double> zeta =
      std::complex<double>(xiPrime, etaPrime) + sineSeries(k.alpha, xiPrime, etaPrime);
  const double xi = zeta.real(), eta = zeta.imag();
  UtmCoordinates result;
  const bool south = lat < 0;
  result.zone = static_cast<Integer>(south ? -useZone : useZone);
  result.easting = kUtmFalseEasting + k.scaledRadius * eta;
  result.northing = (south ? kUtmFalseNorthingSouth : 0.0) + k.scaledRadius * xi;
  return result;
}

void utmToLatLon(Integer zone, Double easting, Double northing, Double& lat, Double& lon) {
  if (zone == 0 || zone < -60 || zone > 60 || !std::isfinite(easting) || !std::isfinite(northing))
    invalidUtmArgument();
  const Krueger& k = krueger();
  const double xi = (northing - (zone < 0 ? kUtmFalseNorthingSouth : 0.0)) / k.scaledRadius;
  const double eta = (easting - kUtmFalseEasting) / k.scaledRadius;
  const std::complex<double> zetaPrime =
      std::complex<double>(xi, eta) - sineSeries(k.beta, xi, eta);
  const double xiPrime = zetaPrime.real(), etaPrime = zetaPrime.imag();
  const double sinhEta = std::sinh(etaPrime);
  const double cosXi = std::cos(xiPrime);
  const double tauPrime = std::sin(xiPrime) / std::sqrt(sinhEta * sinhEta + cosXi * cosXi);
  lat = std::atan(k.geodeticTan(tauPrime)) / kDegree;
  lon = normalizedLongitude(centralMeridian(std::abs(zone)) + std::atan2(sinhEta, cosXi) / kDegree);
}

void _utmcon(const Integer& selector, Integer& zone, const Integer& requestedZone, Double& lat,
             Double& lon, Double& easting, Double& northing, const Integer& direction) {
  if (selector != 5) invalidUtmArgument();
  if (direction == 1) {
    const UtmCoordinates utm = latLonToUtm(lat, lon, requestedZone);
    zone = utm.zone;
    easting = utm.easting;
    northing = utm.northing;
  } else if (direction == 2) {
    Double newLat, newLon;
    utmToLatLon(zone, easting, northing, newLat, newLon);
    lat = newLat;
    lon = newLon;
  } else {
    invalidUtmArgument();
  }
}

}  // namespace tg
