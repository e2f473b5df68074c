// The machine's data-point members: a value read at a position (through direct grid access, or
// gathered and combined by the interpolation mode) and a value written (directly, or through the
// script's write code).
#include "machine/datum.hpp"
#include "machine/machine_core.hpp"
#include "source/point_interpolation.hpp"
#include "support/method_scope.hpp"
#include "support/trace.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/mex.hpp"

namespace tg {

Single TessaglyphMachine::datapoint_read(Double lon, Double lat) {
  MethodScope scope(profiler(), "TessaglyphMachine::datapoint_read");
  if (m_core->mex) {
    // The access object keeps the time of its reads itself (lastAccess reports it meanwhile).
    Double natX = lon;
    Double natY = lat;
    // Where the position is the native one the conversion is skipped, unless the trace or the
    // profiler wants to see it.
    if (!m_core->nativeIsPosition || traceEnabled() || profiler() != nullptr) {
      getNativeCoordinates(lat, lon, natX, natY);
    }
    // The machine's modes mean what they mean on the interpreted path: the closest point is the
    // nearest cell (which direct access finds by rounding alone), and MAX4 is 4-point.
    TG_M_INTERPOLATIONMODES mode = m_core->interpolationMode;
    if (mode == TG_M_IM_CLOSESTPOINT) mode = TG_M_IM_NONE;
    if (mode == TG_M_IM_MAX4) mode = TG_M_IM_4POINT;
    m_core->mex->setInterpolationMode(mode);
    // A read that gathered points leaves its record with the access object; lastInterpData
    // hands it on. A single-cell read gathers none.
    m_core->interpDataFromMEX = mode != TG_M_IM_NONE;
    m_core->interpDataSet = m_core->interpDataFromMEX;
    return m_core->mex->pointElv(natX, natY);
  }
  m_core->lastAccess = m_core->clock();
  gatherInterpolationData(lat, lon);
  return combineInterpolationData(m_core->interpData, m_core->interpolationMode);
}

void TessaglyphMachine::datapoint_write(Double lon, Double lat, Single value) {
  MethodScope scope(profiler(), "TessaglyphMachine::datapoint_write");
  if (value == Single(TG_M_DPEC_NONEXISTENTPOINT)) value = datavoidValue();
  if (m_core->mex) {
    // Direct writes go round the script's code, but not round the data lock.
    if (effectiveDataLock()) {
      throw Error(TG_M_E_DATALOCKED, "", "The data-lock for this script has been activated.");
    }
    Double natX = 0;
    Double natY = 0;
    getNativeCoordinates(lat, lon, natX, natY);
    m_core->mex->setPointElv(natX, natY, value);
    return;
  }
  const Integer location = m_core->routineLocations[TG_M_RAI_DATAPOINT_WRITE];
  if (location == -1) {
    throw Error(TG_M_E_READONLYATTRIBUTE, "", "datapoint is a read-only attribute.");
  }
  if (effectiveDataLock()) {
    throw Error(TG_M_E_DATALOCKED, "", "The data-lock for this script has been activated.");
  }
  Double natX = 0;
  Double natY = 0;
  getNativeCoordinates(lat, lon, natX, natY);
  setScriptCoords(natX, natY);
  // A new cell, unless nobody else holds the old one, which then serves as the new one.
  DatumRef& slot = m_core->memory[TG_M_PVI_VALUE];
  if (slot.unique()) {
    slot->becomeSingle(value);
  } else {
    slot = makeSingle(value);
  }
  run(location);
}

}  // namespace tg
