// The machine's datum members: the script's datum and UTM zone at a position, the library key of
// its grid, and positions converted to the file's native coordinates.
#include <cmath>
#include <string>

#include "machine/datum.hpp"
#include "machine/machine_core.hpp"
#include "source/datum_conversion.hpp"
#include "source/elevation_helpers.hpp"
#include "support/conversions.hpp"
#include "support/method_scope.hpp"
#include "support/trace.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

namespace {

std::string trimmed(std::string text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string numberText(Double value) {
  return doubleToText(value);
}

}  // namespace

std::string TessaglyphMachine::getDatum(Double x, Double y) {
  MethodScope scope(profiler(), "TessaglyphMachine::getDatum");
  return datumAt(x, y);
}

const std::string& TessaglyphMachine::datumAt(Double x, Double y) {
  constexpr const char* source = "TessaglyphMachine::getDatum";
  if (m_core->datumSource == Core::DatumSource::unread) {
    const std::string property = trimmed(getPropertyValue("datum"));
    const bool byPoint = property == "by point" || property == "bypoint";
    const bool byFile = property == "by file" || property == "byfile";
    if (byPoint || byFile) {
      const Integer attribute = getAttributeIndex("datum");
      if (attribute < 0) {
        throw Error(TG_M_E_ATTRIBUTEMISSING, source,
                    std::string("The datum attribute ") +
                        "must be defined when the datum property is " +
                        (byPoint ? "\"by point.\"" : "\"by file.\""));
      }
      m_core->datumAttribute = attribute;
      if (byFile) m_core->datumName = attribute_read(attribute);
      m_core->datumSource = byPoint ? Core::DatumSource::byPoint : Core::DatumSource::byFile;
    } else {
      m_core->datumName = property;
      m_core->datumSource = Core::DatumSource::fixed;
    }
  }
  if (m_core->datumSource != Core::DatumSource::byPoint) return m_core->datumName;
  m_core->memory[TG_M_PVI_X] = makeDouble(x);
  m_core->memory[TG_M_PVI_Y] = makeDouble(y);
  m_core->pointDatum = attribute_read(m_core->datumAttribute);
  return m_core->pointDatum;
}

Integer TessaglyphMachine::getUTMZone(Double lat, Double lon) {
  constexpr const char* source = "TessaglyphMachine::getUTMZone";
  MethodScope scope(profiler(), source);
  if (m_core->zoneSource == Core::ZoneSource::unread) {
    if (trimmed(getPropertyValue("gridtype")) != "utm") {
      m_core->zoneSource = Core::ZoneSource::notUtm;
    } else {
      const Integer attribute = getAttributeIndex("utmzone");
      if (attribute < 0) {
        throw Error(TG_M_E_ATTRIBUTEMISSING, source,
                    std::string("The utmzone attribute must be defined when ") +
                        "the \"gridtype\" property is \"utm\"");
      }
      m_core->zoneAttribute = attribute;
      if (trimmed(getPropertyValue("conditionalzone")) == "true") {
        m_core->zoneSource = Core::ZoneSource::conditional;
      } else {
        m_core->utmZone = textToInteger(attribute_read(attribute));
        m_core->zoneSource = Core::ZoneSource::fixed;
      }
    }
  }
  switch (m_core->zoneSource) {
    case Core::ZoneSource::notUtm:
      return -1;
    case Core::ZoneSource::fixed:
      return m_core->utmZone;
    default:
      break;
  }
  m_core->memory[TG_M_PVI_X] = makeDouble(lat);
  m_core->memory[TG_M_PVI_Y] = makeDouble(lon);
  return textToInteger(attribute_read(m_core->zoneAttribute));
}

std::string TessaglyphMachine::getDatumCSMAP(Double lat, Double lon, std::string_view sDatum) {
  MethodScope scope(profiler(), "TessaglyphMachine::getDatumCSMAP");
  const Integer zone = getUTMZone(lat, lon);
  if (zone == -1) return datumKeyOf(sDatum).key;
  std::string key = utmKeyOf(sDatum, zone, lat >= 0);
  if (!datumConverter().isValidKey(key)) return {};
  return key;
}

// A UTM grid gets its position in two steps: the datum conversion to latitude/longitude on the
// script's datum (with the NADCON shift where the library cannot help), then the projection
// into the script's own zone, which need not be the zone the longitude falls in. On NAD27 the
// projection is the Clarke 1866 one of _utmcon and needs no library; other datums are projected
// by the coordinate-system library with the grid's key, and a position it cannot project is
// left as latitude/longitude (with a trace line saying so).
void TessaglyphMachine::getNativeCoordinates(Double lat, Double lon, Double& natX, Double& natY) {
  MethodScope scope(profiler(), "TessaglyphMachine::getNativeCoordinates");
  // A latitude/longitude grid on one fixed datum, asked in a datum that changes nothing: the
  // position is the native one (worked out below once, kept until the current datum changes).
  if (m_core->nativeIsPosition && !traceEnabled()) {
    natX = lon;
    natY = lat;
    return;
  }
  const std::string& datumPoint = datumAt(lon, lat);
  Double convY = lat;
  Double convX = lon;
  // Most hosts read many points between the same two datums, often one datum under two names:
  // what the pair of names needs is worked out once.
  if (!m_core->datumPlan.known || m_core->datumPlan.from != m_core->currentDatum ||
      m_core->datumPlan.to != datumPoint) {
    m_core->datumPlan.known = false;
    m_core->datumPlan.movesNothing =
        datumConverter().movesNothing(m_core->currentDatum, datumPoint);
    m_core->datumPlan.from = m_core->currentDatum;
    m_core->datumPlan.to = datumPoint;
    m_core->datumPlan.known = true;
  }
  if (!m_core->datumPlan.movesNothing) {
    Integer status = 0;
    convertDatum(lat, lon, m_core->currentDatum, convY, convX, datumPoint, status);
  }

  const Integer zone = getUTMZone(lat, lon);
  if (zone != -1) {
    const DatumKey key = datumKeyOf(datumPoint);
    if (key.key == "LL27") {
      Integer usedZone = 0;
      Double easting = 0;
      Double northing = 0;
      Double pointLat = convY;
      Double pointLon = convX;
      _utmcon(5, usedZone, zone, pointLat, pointLon, easting, northing, 1);
      convX = easting;
      convY = northing;
    } else {
      const std::string utmKey = utmKeyOf(datumPoint, zone, convY >= 0);
      Double northing = convY;
      Double easting = convX;
      Integer projected = 0;
      convertDatum(convY, convX, datumPoint, northing, easting, utmKey, projected);
      if (projected == 0) {
        convX = easting;
        convY = northing;
      } else {
        TG_TRACE("machine.getNativeCoordinates: no projection to " + utmKey + " (" +
                 std::string(describeDatumStatus(projected)) + ")");
      }
    }
  }
  natX = convX;
  natY = convY;
  m_core->nativeIsPosition = m_core->datumSource != Core::DatumSource::byPoint &&
                             m_core->zoneSource == Core::ZoneSource::notUtm &&
                             m_core->datumPlan.movesNothing;
  TG_TRACE("machine.getNativeCoordinates: lat = " + numberText(lat) +
           ", convY = " + numberText(convY) + ", lon = " + numberText(lon) +
           ", convX = " + numberText(convX) + ", m_datum = '" + m_core->currentDatum +
           "', sDatumPoint = '" + datumPoint + "', sDatumDataFile = '" + m_core->datumName + "'");
}

}  // namespace tg
