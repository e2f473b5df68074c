// Combining gathered points into one value.
#include "source/point_interpolation.hpp"

#include <array>
#include <cmath>

#include "source/elevation_helpers.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

constexpr const char* kCombineSource = "combineInterpolationData";

bool isSinglePointMode(TG_M_INTERPOLATIONMODES mode) {
  return mode == TG_M_IM_NONE || mode == TG_M_IM_CLOSESTPOINT;
}

void requireKnownMode(TG_M_INTERPOLATIONMODES mode) {
  switch (mode) {
    case TG_M_IM_NONE:
    case TG_M_IM_CLOSESTPOINT:
    case TG_M_IM_4POINT:
    case TG_M_IM_12POINT:
    case TG_M_IM_MAX4:
      return;
  }
  raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, kCombineSource);
}

// A combined value of implausible magnitude is no data.
Single plausible(Single value) {
  return std::fabs(value) > kMaxInterpolatedMagnitude ? Single(TG_M_DPEC_NONEXISTENTPOINT) : value;
}

// For each place of the machine's record, the place of the same point in the grid order.
constexpr std::array<std::size_t, TG_M_INTERPDATA::kMaxPoints> kGridPlaceOf = {3, 0,  1,  2, 7, 8,
                                                                               9, 10, 11, 4, 5, 6};

}  // namespace

Single interpolateInterpolationData(const TG_M_INTERPDATA& data, TG_M_INTERPOLATIONMODES mode) {
  requireKnownMode(mode);
  if (isSinglePointMode(mode)) {
    if (data.numPoints < 1) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, kCombineSource);
    return data.z[0];
  }
  const bool twelve = mode == TG_M_IM_12POINT;
  const Integer count = twelve ? 12 : 4;
  // The record's unused entries are zeros, so only its own count says whether it has enough.
  if (data.numPoints < count) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, kCombineSource);
  const Integer method = twelve ? 1 : 0;
  Long work1 = 0;
  Long work2 = 0;
  Single result = 0;
  _elv_interp(data.targetY, data.targetX, count, method, data.y[0], data.x[0], data.z[0], work1,
              work2, result);
  return plausible(result);
}

TG_M_INTERPDATA inMachinePointOrder(const TG_M_INTERPDATA& gridOrder) {
  TG_M_INTERPDATA machineOrder;
  machineOrder.targetX = gridOrder.targetX;
  machineOrder.targetY = gridOrder.targetY;
  machineOrder.numPoints = gridOrder.numPoints;
  for (Integer k = 0; k < gridOrder.numPoints && k < Integer(kGridPlaceOf.size()); ++k) {
    const std::size_t from = kGridPlaceOf[std::size_t(k)];
    machineOrder.x[std::size_t(k)] = gridOrder.x[from];
    machineOrder.y[std::size_t(k)] = gridOrder.y[from];
    machineOrder.z[std::size_t(k)] = gridOrder.z[from];
  }
  return machineOrder;
}

Single combineGridCorners(const TG_M_INTERPDATA& gridOrder) {
  if (gridOrder.numPoints < 4) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, kCombineSource);
  std::array<Double, 4> x;
  std::array<Double, 4> y;
  std::array<Single, 4> z;
  for (std::size_t k = 0; k < 4; ++k) {
    const std::size_t from = kGridPlaceOf[k];
    x[k] = gridOrder.x[from];
    y[k] = gridOrder.y[from];
    z[k] = gridOrder.z[from];
  }
  for (std::size_t k = 0; k < std::size_t(gridOrder.numPoints) && k < gridOrder.z.size(); ++k) {
    if (gridOrder.z[k] == Single(TG_M_DPEC_NONEXISTENTPOINT)) return TG_M_DPEC_NOTENOUGHINTERPDATA;
  }
  return plausible(
      Single(interpolateGatheredPoints(gridOrder.targetY, gridOrder.targetX, y, x, z, false)));
}

bool combineCellCorners(Double targetX, Double targetY, Double x0, Double y0, Double x1, Double y1,
                        const std::array<Single, 4>& gridZ, Single& value) {
  std::array<Single, 4> z;
  for (std::size_t k = 0; k < 4; ++k)
    z[k] = gridZ[kGridPlaceOf[k]];
  Double combined = 0;
  if (!bilinearOnCell(targetY, targetX, x0, y0, x1, y1, z, combined)) return false;
  value = plausible(Single(combined));
  return true;
}

Single combineInterpolationData(const TG_M_INTERPDATA& data, TG_M_INTERPOLATIONMODES mode) {
  requireKnownMode(mode);
  if (!isSinglePointMode(mode)) {
    const auto used = std::size_t(data.numPoints < 0 ? 0 : data.numPoints);
    for (std::size_t i = 0; i < used && i < TG_M_INTERPDATA::kMaxPoints; ++i) {
      if (data.z[i] == Single(TG_M_DPEC_NONEXISTENTPOINT)) return TG_M_DPEC_NOTENOUGHINTERPDATA;
    }
  }
  return interpolateInterpolationData(data, mode);
}

}  // namespace tg
