// The machine's datum members: the script's datum and UTM zone at a position, the library key of
// its grid, and positions converted to the file's native coordinates.
#include <cmath>
#include <string>

#include "machine/datum.hpp"
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
  if (m_datumSource == DatumSource::unread) {
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
      m_datumAttribute = attribute;
      if (byFile) m_datumName = attribute_read(attribute);
      m_datumSource = byPoint ? DatumSource::byPoint : DatumSource::byFile;
    } else {
      m_datumName = property;
      m_datumSource = DatumSource::fixed;
    }
  }
  if (m_datumSource != DatumSource::byPoint) return m_datumName;
  m_memory[TG_M_PVI_X] = makeDouble(x);
  m_memory[TG_M_PVI_Y] = makeDouble(y);
  m_pointDatum = attribute_read(m_datumAttribute);
  return m_pointDatum;
}

Integer TessaglyphMachine::getUTMZone(Double lat, Double lon) {
  constexpr const char* source = "TessaglyphMachine::getUTMZone";
  MethodScope scope(profiler(), source);
  if (m_zoneSource == ZoneSource::unread) {
    if (trimmed(getPropertyValue("gridtype")) != "utm") {
      m_zoneSource = ZoneSource::notUtm;
    } else {
      const Integer attribute = getAttributeIndex("utmzone");
      if (attribute < 0) {
        throw Error(TG_M_E_ATTRIBUTEMISSING, source,
                    std::string("The utmzone attribute must be defined when ") +
                        "the \"gridtype\" property is \"utm\"");
      }
      m_zoneAttribute = attribute;
      if (trimmed(getPropertyValue("conditionalzone")) == "true") {
        m_zoneSource = ZoneSource::conditional;
      } else {
        m_utmZone = textToInteger(attribute_read(attribute));
        m_zoneSource = ZoneSource::fixed;
      }
    }
  }
  switch (m_zoneSource) {
    case ZoneSource::notUtm:
      return -1;
    case ZoneSource::fixed:
      return m_utmZone;
    default:
      break;
  }
  m_memory[TG_M_PVI_X] = makeDouble(lat);
  m_memory[TG_M_PVI_Y] = makeDouble(lon);
  return textToInteger(attribute_read(m_zoneAttribute));
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
  const std::string& datumPoint = datumAt(lon, lat);
  Double convY = lat;
  Double convX = lon;
  // Most hosts read many points between the same two datums, often one datum under two names:
  // what the pair of names needs is worked out once.
  if (!m_datumPlan.known || m_datumPlan.from != m_currentDatum || m_datumPlan.to != datumPoint) {
    m_datumPlan.known = false;
    m_datumPlan.movesNothing = datumConverter().movesNothing(m_currentDatum, datumPoint);
    m_datumPlan.from = m_currentDatum;
    m_datumPlan.to = datumPoint;
    m_datumPlan.known = true;
  }
  if (!m_datumPlan.movesNothing) {
    Integer status = 0;
    convertDatum(lat, lon, m_currentDatum, convY, convX, datumPoint, status);
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
  TG_TRACE("machine.getNativeCoordinates: lat = " + numberText(lat) +
           ", convY = " + numberText(convY) + ", lon = " + numberText(lon) +
           ", convX = " + numberText(convX) + ", m_datum = '" + m_currentDatum +
           "', sDatumPoint = '" + datumPoint + "', sDatumDataFile = '" + m_datumName + "'");
}

}  // namespace tg
