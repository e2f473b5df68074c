// The machine's side of direct grid access: enabling it, and the members that answer from the
// access object while the machine holds one (access counters, row and column reads, the grid's
// highest and lowest values).
#include "machine/machine_core.hpp"
#include "support/method_scope.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/mex.hpp"

namespace tg {

namespace {

constexpr Single kSecondsPerDay = 86400.0f;

}  // namespace

void TessaglyphMachine::setEnableMEX(Boolean value) {
  MethodScope scope(profiler(), "TessaglyphMachine::enableMEX Let");
  m_core->mex.reset();
  if (!value) return;
  auto mex = std::make_shared<TessaglyphMEX>(m_core->mexClock);
  if (mex->loadMEXParameters(*this) == TG_MEX_E_OK) m_core->mex = std::move(mex);
}

Long TessaglyphMachine::accessCount() const {
  MethodScope scope(profiler(), "TessaglyphMachine::accessCount Get");
  return m_core->mex ? m_core->mex->accessCount() : m_core->accessCount;
}

Single TessaglyphMachine::lastAccess() const {
  MethodScope scope(profiler(), "TessaglyphMachine::lastAccess Get");
  if (m_core->mex) return m_core->mex->lastAccess();
  // The stored value is a time of day; one later than now was taken before midnight.
  if (m_core->clock() < m_core->lastAccess) m_core->lastAccess -= kSecondsPerDay;
  return m_core->lastAccess;
}

void TessaglyphMachine::resetAccessData() {
  MethodScope scope(profiler(), "TessaglyphMachine::resetAccessData");
  m_core->accessCount = 0;
  m_core->lastAccess = m_core->clock();
  if (m_core->mex) m_core->mex->resetAccessData();
}

std::shared_ptr<XYZPoint> TessaglyphMachine::datapoint_read_rowcol(Long row, Long col) {
  MethodScope scope(profiler(), "TessaglyphMachine::datapoint_read_rowcol");
  return m_core->mex ? m_core->mex->PointRowCol(row, col) : nullptr;
}

void TessaglyphMachine::ClosestRowCol(Double lon, Double lat, Long& row, Long& col) {
  MethodScope scope(profiler(), "TessaglyphMachine::ClosestRowCol");
  row = -1;
  col = -1;
  if (!m_core->mex) return;
  Double natX = 0;
  Double natY = 0;
  getNativeCoordinates(lat, lon, natX, natY);
  m_core->mex->ClosestRowCol(natX, natY, row, col);
}

Boolean TessaglyphMachine::GetHiLoValues(std::shared_ptr<XYZPoint>& pHi,
                                         std::shared_ptr<XYZPoint>& pLo, Boolean ShowProgress) {
  MethodScope scope(profiler(), "TessaglyphMachine::GetHiLoValues");
  if (!m_core->mex) {
    pHi = std::make_shared<XYZPoint>();
    pLo = std::make_shared<XYZPoint>();
    return false;
  }
  return m_core->mex->GetHiLoValues(pHi, pLo, ShowProgress);
}

}  // namespace tg
