// The machine's data-point members: a value read at a position (gathered and combined by the
// interpolation mode), a value written through the script's write code, and a grid cell read by
// row and column.
#include "machine/datum.hpp"
#include "machine/machine_access.hpp"
#include "source/point_interpolation.hpp"
#include "support/method_scope.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

Single TessaglyphMachine::datapoint_read(Double lon, Double lat) {
  MethodScope scope(profiler(), "TessaglyphMachine::datapoint_read");
  m_lastAccess = m_clock();
  // Direct grid access, once the machine holds it, answers here from native coordinates.
  gatherInterpolationData(lat, lon);
  return combineInterpolationData(m_interpData, m_interpolationMode);
}

void TessaglyphMachine::datapoint_write(Double lon, Double lat, Single value) {
  MethodScope scope(profiler(), "TessaglyphMachine::datapoint_write");
  if (value == Single(TG_M_DPEC_NONEXISTENTPOINT)) value = datavoidValue();
  // Direct grid access, once the machine holds it, writes here from native coordinates.
  const Integer location = m_routineLocations[TG_M_RAI_DATAPOINT_WRITE];
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
  DatumRef& slot = m_memory[TG_M_PVI_VALUE];
  if (slot.unique()) {
    slot->becomeSingle(value);
  } else {
    slot = makeSingle(value);
  }
  run(location);
}

std::shared_ptr<XYZPoint> TessaglyphMachine::datapoint_read_rowcol(Long /*row*/, Long /*col*/) {
  MethodScope scope(profiler(), "TessaglyphMachine::datapoint_read_rowcol");
  // Only direct grid access knows rows and columns; it answers here once the machine holds it.
  return nullptr;
}

}  // namespace tg
