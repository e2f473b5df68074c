// Initializing an area: its extent, the sector size from the files that line up with the
// area's corner, the cap on the number of sectors, and the files listed in each sector.
#include <algorithm>
#include <cmath>
#include <limits>

#include "support/conversions.hpp"
#include "support/method_scope.hpp"
#include "support/trace.hpp"
#include "tessaglyph/area.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

// Bounds come from scripts that compute them, often through single-precision values, so a
// quotient within a millionth of a whole number counts as whole.
bool isWholeNumber(double value) {
  return std::abs(value - std::nearbyint(value)) <= 1e-6 * std::max(1.0, std::abs(value));
}

// Sectors along one axis: the quotient rounded (halves to even), one more when it has a
// fraction.
double sectorCount(double extent, double resolution) {
  if (!(resolution > 0)) return 1;
  const double quotient = extent / resolution;
  return roundHalfEven(quotient) + (isWholeNumber(quotient) ? 0 : 1);
}

// Halving one axis' count: the half rounded (halves to even), one more when the count was odd.
double halvedCount(double count) {
  return roundHalfEven(count / 2) + (std::fmod(count, 2) != 0 ? 1 : 0);
}

// Whether a file reads its cells directly: its machine took up the script's grid layout when
// the file was opened.
bool fileHasDirectGridAccess(const TessaglyphFile& file) {
  const std::shared_ptr<TessaglyphMachine>& machine = file.machine();
  return machine != nullptr && machine->enableMEX();
}

bool overlaps(const TG_BOUNDS& file, double west, double east, double south, double north) {
  if (file.westLon == west && file.eastLon == east && file.southLat == south &&
      file.northLat == north) {
    return true;
  }
  return file.eastLon > west && east > file.westLon && file.southLat < north &&
         south < file.northLat;
}

Integer clampToInteger(double value) {
  if (std::isnan(value)) return -1;
  return Integer(std::clamp(value, double(std::numeric_limits<Integer>::min()),
                            double(std::numeric_limits<Integer>::max())));
}

}  // namespace

void TessaglyphArea::initialize() {
  MethodScope scope(profiler(), "TessaglyphArea::initialize");
  if (m_initialized) {
    reportError(TG_S_E_AREAALREADYINITIALIZED, "TessaglyphArea::initialize",
                std::string("The area has already been ") + "initialized.");
    return;
  }
  if (m_files.empty()) {
    reportError(TG_S_E_NOFILES, "TessaglyphArea::initialize",
                std::string("An area cannot be initialized before any files ") +
                    "have been assigned to it.");
    return;
  }
  std::erase_if(m_files, [this](const AreaFile& entry) {
    if (!entry.file->isLost()) return false;
    // A lost file leaves the area for good and becomes a plain file again.
    if (entry.open) --m_numOpenFiles;
    entry.file->setAreaFile(false);
    entry.file->setLogSink({});
    return true;
  });
  if (m_files.empty()) {
    reportError(
        TG_S_E_ALLFILESLOST, "TessaglyphArea::initialize",
        std::string("An area cannot be initialized if all files ") + "are unavailable or 'lost'.");
    return;
  }
  initializeExtent();
  limitSectors();
  buildSectors();
  m_initialized = true;
}

void TessaglyphArea::initializeExtent() {
  const TG_BOUNDS& first = m_files.front().file->metrics().bounds;
  m_areaMinX = first.westLon;
  m_areaMaxX = first.eastLon;
  m_areaMinY = first.southLat;
  m_areaMaxY = first.northLat;
  m_sectorXRes = first.eastLon - first.westLon;
  m_sectorYRes = first.northLat - first.southLat;
  for (std::size_t i = 0; i < m_files.size(); ++i) {
    const TG_BOUNDS& bounds = m_files[i].file->metrics().bounds;
    const double width = bounds.eastLon - bounds.westLon;
    const double height = bounds.northLat - bounds.southLat;
    if (width == 0 || height == 0) {
      const std::string message = "File " + m_files[i].file->filename() +
                                  " has no extent: west = " + doubleToText(bounds.westLon) +
                                  ", east = " + doubleToText(bounds.eastLon) +
                                  ", south = " + doubleToText(bounds.southLat) +
                                  ", north = " + doubleToText(bounds.northLat);
      logMessage(message);
      TG_TRACE("initialize trace: " + message);
    }
    if (i == 0) continue;
    m_areaMinX = std::min(m_areaMinX, bounds.westLon);
    m_areaMaxX = std::max(m_areaMaxX, bounds.eastLon);
    m_areaMinY = std::min(m_areaMinY, bounds.southLat);
    m_areaMaxY = std::max(m_areaMaxY, bounds.northLat);
    if (width > 0 && width < m_sectorXRes &&
        (bounds.westLon == m_areaMinX || isWholeNumber((bounds.westLon - m_areaMinX) / width))) {
      m_sectorXRes = width;
    }
    if (height > 0 && height < m_sectorYRes &&
        (bounds.southLat == m_areaMinY || isWholeNumber((bounds.southLat - m_areaMinY) / height))) {
      m_sectorYRes = height;
    }
  }
  if (!(m_sectorXRes > 0) || !(m_sectorYRes > 0)) {
    const std::string message = "The sector size is zero: xres = " + doubleToText(m_sectorXRes) +
                                ", yres = " + doubleToText(m_sectorYRes);
    logMessage(message);
    TG_TRACE("initialize trace: " + message);
  }
}

void TessaglyphArea::limitSectors() {
  double columns = sectorCount(m_areaMaxX - m_areaMinX, m_sectorXRes);
  double rows = sectorCount(m_areaMaxY - m_areaMinY, m_sectorYRes);
  // Bounds that are no numbers, or a sector size too small to count, leave one sector.
  if (!std::isfinite(columns) || !std::isfinite(rows)) {
    logMessage("The sectors cannot be counted: xres = " + doubleToText(m_sectorXRes) +
               ", yres = " + doubleToText(m_sectorYRes));
    columns = rows = 1;
    m_sectorXRes = m_areaMaxX - m_areaMinX;
    m_sectorYRes = m_areaMaxY - m_areaMinY;
  }
  while (columns * rows > kMaxAreaSectors) {
    const double newColumns = halvedCount(columns), newRows = halvedCount(rows);
    TG_TRACE("TessaglyphArea.initialize trace: SectorLimit: sectors " +
             doubleToText(columns * rows) + " is greater than the limit " +
             longToText(kMaxAreaSectors));
    TG_TRACE("TessaglyphArea.initialize trace:    limit x = " + doubleToText(columns) + " to " +
             doubleToText(newColumns));
    TG_TRACE("TessaglyphArea.initialize trace:    limit xres = " + doubleToText(m_sectorXRes) +
             " to " + doubleToText(m_sectorXRes * 2));
    TG_TRACE("TessaglyphArea.initialize trace:    limit y = " + doubleToText(rows) + " to " +
             doubleToText(newRows));
    TG_TRACE("TessaglyphArea.initialize trace:    limit yres = " + doubleToText(m_sectorYRes) +
             " to " + doubleToText(m_sectorYRes * 2));
    columns = newColumns;
    rows = newRows;
    m_sectorXRes *= 2;
    m_sectorYRes *= 2;
  }
  m_numSectorsX = Integer(columns);
  m_numSectorsY = Integer(rows);
}

void TessaglyphArea::buildSectors() {
  m_sectors.assign(std::size_t(m_numSectorsX) * std::size_t(m_numSectorsY), Sector{});
  for (Integer r = 0; r < m_numSectorsY; ++r) {
    for (Integer c = 0; c < m_numSectorsX; ++c) {
      Sector& sector = m_sectors[std::size_t(r) * std::size_t(m_numSectorsX) + std::size_t(c)];
      sector.west = m_areaMinX + c * m_sectorXRes;
      sector.east = m_areaMinX + (c + 1) * m_sectorXRes;
      sector.north = m_areaMaxY - r * m_sectorYRes;
      sector.south = m_areaMaxY - (r + 1) * m_sectorYRes;
    }
  }
  for (std::size_t i = 0; i < m_files.size(); ++i) {
    const TessaglyphFile& file = *m_files[i].file;
    if (m_disableMEXIncapableFiles && !fileHasDirectGridAccess(file)) continue;
    const TG_BOUNDS& bounds = file.metrics().bounds;
    // Only the sectors around the file's own can overlap it; the exact test decides.
    const auto range = [](double low, double high, Integer count) {
      const double last = double(count - 1);
      if (std::isnan(low) || std::isnan(high)) return std::pair<Integer, Integer>(0, count - 1);
      return std::pair<Integer, Integer>(Integer(std::clamp(low - 1, 0.0, last)),
                                         Integer(std::clamp(high + 1, 0.0, last)));
    };
    const bool sized = m_sectorXRes > 0 && m_sectorYRes > 0;
    const auto [c0, c1] =
        sized ? range(std::floor((bounds.westLon - m_areaMinX) / m_sectorXRes),
                      std::floor((bounds.eastLon - m_areaMinX) / m_sectorXRes), m_numSectorsX)
              : std::pair<Integer, Integer>(0, Integer(m_numSectorsX - 1));
    const auto [r0, r1] =
        sized ? range(std::floor((m_areaMaxY - bounds.northLat) / m_sectorYRes),
                      std::floor((m_areaMaxY - bounds.southLat) / m_sectorYRes), m_numSectorsY)
              : std::pair<Integer, Integer>(0, Integer(m_numSectorsY - 1));
    for (Integer r = r0; r <= r1; ++r) {
      for (Integer c = c0; c <= c1; ++c) {
        Sector& sector = m_sectors[std::size_t(r) * std::size_t(m_numSectorsX) + std::size_t(c)];
        if (overlaps(bounds, sector.west, sector.east, sector.south, sector.north)) {
          sector.files.push_back(Integer(i));
        }
      }
    }
  }
}

Integer TessaglyphArea::getSectorX(Double longitude) const noexcept {
  if (!(m_sectorXRes > 0)) return 0;
  return clampToInteger(std::floor((longitude - m_areaMinX) / m_sectorXRes));
}

Integer TessaglyphArea::getSectorY(Double latitude) const noexcept {
  if (!(m_sectorYRes > 0)) return 0;
  return clampToInteger(std::floor((m_areaMaxY - latitude) / m_sectorYRes));
}

// ---- Sector accessors ---------------------------------------------------------------------

const TessaglyphArea::Sector* TessaglyphArea::sectorAt(Integer x, Integer y,
                                                       const char* source) const {
  if (x < 0 || y < 0 || x >= m_numSectorsX || y >= m_numSectorsY) {
    const_cast<TessaglyphArea*>(this)->reportError(TG_S_E_BADSECTORLOCATION, source,
                                                   "Bad sector location");
    return nullptr;
  }
  return &m_sectors[std::size_t(y) * std::size_t(m_numSectorsX) + std::size_t(x)];
}

TG_BOUNDS TessaglyphArea::sectorBoundaries(Integer x, Integer y) const {
  TG_BOUNDS bounds;
  const Sector* sector = sectorAt(x, y, "TessaglyphArea::sectorBoundaries Get");
  if (sector == nullptr) return bounds;
  bounds.westLon = sector->west;
  bounds.eastLon = sector->east;
  bounds.southLat = sector->south;
  bounds.northLat = sector->north;
  return bounds;
}

Integer TessaglyphArea::sectorFileCount(Integer x, Integer y) const {
  const Sector* sector = sectorAt(x, y, "TessaglyphArea::sectorFileCount Get");
  return sector != nullptr ? Integer(sector->files.size()) : Integer(0);
}

std::shared_ptr<TessaglyphFile> TessaglyphArea::sectorFile(Integer x, Integer y,
                                                           Integer index) const {
  const Sector* sector = sectorAt(x, y, "TessaglyphArea::sectorFile Get");
  if (sector == nullptr) return nullptr;
  if (index < 1 || std::size_t(index) > sector->files.size()) {
    const_cast<TessaglyphArea*>(this)->reportError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, "DLL User",
                                                   "Subscript out of range");
    return nullptr;
  }
  return m_files[std::size_t(sector->files[std::size_t(index) - 1])].file;
}

}  // namespace tg
