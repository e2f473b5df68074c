// The area's point query: the sector of the position (and its neighbour near a sector border),
// the files of each in priority order, and the macro interpolation that completes a read which
// lacked points at a file border. Get_Path answers a whole profile of positions.
#include <algorithm>
#include <cmath>
#include <optional>

#include "source/point_interpolation.hpp"
#include "support/conversions.hpp"
#include "support/method_scope.hpp"
#include "tessaglyph/area.hpp"
#include "tessaglyph/area_rate_log.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

constexpr Single kNoPoint = Single(TG_M_DPEC_NONEXISTENTPOINT);
constexpr Single kNotEnoughData = Single(TG_M_DPEC_NOTENOUGHINTERPDATA);
constexpr Single kRetrievalError = Single(TG_M_DPEC_RETRIEVALERROR);

bool nearlyEqual(double a, double b) {
  return std::abs(a - b) <= 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

bool alignedOn(double a, double b, double resolution) {
  const double steps = (a - b) / resolution;
  return std::abs(steps - std::nearbyint(steps)) <= 1e-6;
}

// Two grids whose points coincide: the same geometry kind, zone and spacings, and borders a
// whole number of spacings apart.
bool sameGrid(const TG_M_MANUALINTERPSETTINGS& a, const TG_M_MANUALINTERPSETTINGS& b) {
  if (a.boundmode != b.boundmode) return false;
  if (a.boundmode == TG_M_BM_UTM && a.utmZone != b.utmZone) return false;
  if (!(a.xRes > 0) || !(a.yRes > 0)) return false;
  return nearlyEqual(a.xRes, b.xRes) && nearlyEqual(a.yRes, b.yRes) &&
         alignedOn(a.westBorder, b.westBorder, a.xRes) &&
         alignedOn(a.northBorder, b.northBorder, a.yRes);
}

bool insideBorders(const TG_M_MANUALINTERPSETTINGS& grid, double x, double y) {
  const double marginX = grid.xRes * 1e-6, marginY = grid.yRes * 1e-6;
  return x >= grid.westBorder - marginX && x <= grid.eastBorder + marginX &&
         y >= grid.southBorder - marginY && y <= grid.northBorder + marginY;
}

bool hasGap(const TG_M_INTERPDATA& data) {
  for (Integer k = 0; k < data.numPoints; ++k) {
    if (data.z[std::size_t(k)] == kNoPoint) return true;
  }
  return false;
}

// Errors the area raises itself pass through a query; a file's own failures only pass it over.
bool isAreaError(const Error& error) {
  return (error.number() == TG_S_E_NOTENOUGHDATA && error.source() == "TessaglyphArea") ||
         (error.number() == TG_ARL_E_RATELOGFULL &&
          error.source().starts_with("TessaglyphAreaRateLog"));
}

// Sets a file's mode for one read and puts the old one back on every way out.
class ModeOverride {
 public:
  ModeOverride(TessaglyphMachine& machine, TG_M_INTERPOLATIONMODES mode)
      : m_machine(machine), m_saved(machine.interpolationMode()) {
    m_machine.setInterpolationMode(mode);
  }
  ~ModeOverride() { m_machine.setInterpolationMode(m_saved); }
  ModeOverride(const ModeOverride&) = delete;
  ModeOverride& operator=(const ModeOverride&) = delete;

 private:
  TessaglyphMachine& m_machine;
  TG_M_INTERPOLATIONMODES m_saved;
};

}  // namespace

Single TessaglyphArea::point(Double latitude, Double longitude) {
  MethodScope scope(profiler(), "TessaglyphArea::point Get");
  if (!m_initialized) {
    reportError(TG_S_E_AREANOTREADY, "TessaglyphArea::point Get",
                std::string("The area must be initialized before ") + "points can be read.");
    return kNoPoint;
  }
  Single answer = kNoPoint;
  if (m_pointValidateOption == TG_S_VO_PREVALIDATE || m_pointValidateOption == TG_S_VO_AREAONLY) {
    const bool inside = m_areaMinX < longitude && longitude < m_areaMaxX && m_areaMinY < latitude &&
                        latitude < m_areaMaxY;
    if (!inside) {
      if (m_invalidPointHandlingOption == TG_S_IHO_RAISEERROR) {
        reportError(TG_S_E_POINTNOTINAREA, "TessaglyphArea::point Get",
                    "(" + doubleToText(latitude) + ", " + doubleToText(longitude) +
                        ") is not a point contained within the area boundaries.");
      }
      countPoint(answer);
      return answer;
    }
  }
  const Integer column = getSectorX(longitude), row = getSectorY(latitude);
  if (column < 0 || row < 0 || column >= m_numSectorsX || row >= m_numSectorsY) {
    countPoint(answer);
    return answer;
  }
  bool north = false, west = false;
  // A border distance of 0 leaves every query to its own sector, even one exactly on a border.
  if (m_checkBoundaryPoints && m_boundaryResolution > 0) {
    const Sector& sector =
        m_sectors[std::size_t(row) * std::size_t(m_numSectorsX) + std::size_t(column)];
    const double toNorth = sector.north - latitude, fromWest = longitude - sector.west;
    north = row > 0 && toNorth >= 0 && toNorth <= m_boundaryResolution;
    west = column > 0 && fromWest >= 0 && fromWest <= m_boundaryResolution;
  }
  const bool checkSourceBounds = (m_pointValidateOption == TG_S_VO_PREVALIDATE ||
                                  m_pointValidateOption == TG_S_VO_SOURCEONLY) &&
                                 !north && !west;
  bool found = false;
  if (north || west) {
    found = readSector(Integer(column - (west ? 1 : 0)), Integer(row - (north ? 1 : 0)), latitude,
                       longitude, checkSourceBounds, answer);
  }
  if (!found) readSector(column, row, latitude, longitude, checkSourceBounds, answer);
  countPoint(answer);
  return answer;
}

bool TessaglyphArea::readSector(Integer column, Integer row, Double latitude, Double longitude,
                                bool checkSourceBounds, Single& answer) {
  const Long index = Long(row) * m_numSectorsX + column;
  if (index != m_currentSector) {
    m_currentSector = index;
    logRateEvent(TG_ARL_RET_SECTORCHANGE, index);
  }
  for (const Integer position : m_sectors[std::size_t(index)].files) {
    if (readFile(std::size_t(position), latitude, longitude, checkSourceBounds, answer)) {
      return true;
    }
  }
  return false;
}

bool TessaglyphArea::readFile(std::size_t position, Double latitude, Double longitude,
                              bool checkSourceBounds, Single& answer) {
  AreaFile& entry = m_files[position];
  try {
    setFileOpen(Integer(position + 1), true);
    if (!entry.open) return false;
    TessaglyphFile& file = *entry.file;
    if (checkSourceBounds && !file.machine()->selfValidating() &&
        !file.inBounds(latitude, longitude)) {
      return false;
    }
    const Single value = file.point(latitude, longitude);
    if (value > kNoPoint) {
      answer = value;
      return true;
    }
    if (value == kNotEnoughData) {
      const Single filled = macroInterpolate(position, latitude, longitude);
      if (filled > kNoPoint) {
        answer = filled;
        return true;
      }
    }
  } catch (const Error& error) {
    if (isAreaError(error)) throw;
    if (m_interactionOption == TG_S_AIO_SILENTLOGGED) {
      logMessage("Error: # " + longToText(error.number()) + " (" + error.source() + ")");
    }
  }
  return false;
}

Single TessaglyphArea::macroInterpolate(std::size_t position, Double latitude, Double longitude) {
  TessaglyphFile& file = *m_files[position].file;
  TessaglyphMachine& machine = *file.machine();
  switch (m_macroInterpolationOption) {
    case TG_S_MIO_DEFAULTTOCLOSESTPOINT: {
      ModeOverride mode(machine, machine.scriptClosestPointCapable() ? TG_M_IM_CLOSESTPOINT
                                                                     : machine.interpolationMode());
      return file.point(latitude, longitude);
    }
    case TG_S_MIO_USEAVAILDATA:
      return interpolateInterpolationData(machine.lastInterpData(), machine.interpolationMode());
    case TG_S_MIO_MERGEFILEDATA:
      return mergeFileData(position, latitude, longitude);
    case TG_S_MIO_RETURNLOWELEVATION:
      return kNoPoint;
    case TG_S_MIO_RAISEERROR:
      reportError(
          TG_S_E_NOTENOUGHDATA, "TessaglyphArea",
          std::string("There was not enough data to perform the desired ") + "interpolation");
      return kNoPoint;
  }
  return kNoPoint;
}

Single TessaglyphArea::mergeFileData(std::size_t position, Double latitude, Double longitude) {
  TessaglyphMachine& machine = *m_files[position].file->machine();
  const std::optional<Boolean> manual = machine.scriptManualInterpCapable();
  if (!manual || !*manual) return kRetrievalError;
  const TG_M_INTERPOLATIONMODES mode = machine.interpolationMode();
  const TG_M_MANUALINTERPSETTINGS grid = machine.manualInterpolationSpecs();
  const std::string gridType = machine.getPropertyValue("gridtype");
  TG_M_INTERPDATA data = machine.lastInterpData();
  for (std::size_t other = 0; other < m_files.size() && hasGap(data); ++other) {
    if (other == position) continue;
    TessaglyphMachine& otherMachine = *m_files[other].file->machine();
    const std::optional<Boolean> otherManual = otherMachine.scriptManualInterpCapable();
    if (!otherManual || !*otherManual) continue;
    const TG_M_MANUALINTERPSETTINGS otherGrid = otherMachine.manualInterpolationSpecs();
    if (!sameGrid(grid, otherGrid) || otherMachine.getPropertyValue("gridtype") != gridType) {
      continue;
    }
    // A file can only fill places that lie on its own grid.
    bool useful = false;
    for (Integer k = 0; k < data.numPoints && !useful; ++k) {
      const auto at = std::size_t(k);
      useful = data.z[at] == kNoPoint && insideBorders(otherGrid, data.x[at], data.y[at]);
    }
    if (!useful) continue;
    try {
      setFileOpen(Integer(other + 1), true);
      if (!m_files[other].open) continue;
      TG_M_INTERPDATA gathered;
      {
        ModeOverride gatherMode(otherMachine, mode);
        gathered = otherMachine.getInterpolationData(latitude, longitude);
      }
      for (Integer k = 0; k < data.numPoints && k < gathered.numPoints; ++k) {
        const auto at = std::size_t(k);
        if (data.z[at] == kNoPoint && gathered.z[at] != kNoPoint &&
            nearlyEqual(data.x[at], gathered.x[at]) && nearlyEqual(data.y[at], gathered.y[at])) {
          data.z[at] = gathered.z[at];
        }
      }
    } catch (const Error& error) {
      if (isAreaError(error)) throw;
      if (m_interactionOption == TG_S_AIO_SILENTLOGGED) {
        logMessage("Error: # " + longToText(error.number()) + " (" + error.source() + ")");
      }
    }
  }
  return interpolateInterpolationData(data, mode);
}

void TessaglyphArea::Get_Path(const Array<Double>& dLAT, const Array<Double>& dLON,
                              Array<Single>& rElv, Boolean& bErr) {
  MethodScope scope(profiler(), "TessaglyphArea::Get_Path");
  bErr = false;
  if (dLAT.lbound() != dLON.lbound() || dLAT.size() != dLON.size()) {
    bErr = true;
    return;
  }
  if (rElv.lbound() != dLAT.lbound() || rElv.size() != dLAT.size()) {
    rElv = Array<Single>::withBounds(dLAT.lbound(), dLAT.ubound());
  }
  for (Long i = dLAT.lbound(); i <= dLAT.ubound(); ++i) {
    try {
      rElv[i] = point(dLAT[i], dLON[i]);
    } catch (const Error&) {
      rElv[i] = kRetrievalError;
      bErr = true;
    }
  }
}

}  // namespace tg
