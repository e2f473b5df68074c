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
  if (std::fabs(result) > kMaxInterpolatedMagnitude) return TG_M_DPEC_NONEXISTENTPOINT;
  return result;
}

TG_M_INTERPDATA inMachinePointOrder(const TG_M_INTERPDATA& gridOrder) {
  // For each place of the machine's record, the place of the same point in the grid order.
  static constexpr std::array<std::size_t, TG_M_INTERPDATA::kMaxPoints> kFrom = {
      3, 0, 1, 2, 7, 8, 9, 10, 11, 4, 5, 6};
  TG_M_INTERPDATA machineOrder;
  machineOrder.targetX = gridOrder.targetX;
  machineOrder.targetY = gridOrder.targetY;
  machineOrder.numPoints = gridOrder.numPoints;
  for (Integer k = 0; k < gridOrder.numPoints && k < Integer(kFrom.size()); ++k) {
    const std::size_t from = kFrom[std::size_t(k)];
    machineOrder.x[std::size_t(k)] = gridOrder.x[from];
    machineOrder.y[std::size_t(k)] = gridOrder.y[from];
    machineOrder.z[std::size_t(k)] = gridOrder.z[from];
  }
  return machineOrder;
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
