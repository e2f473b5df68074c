#include "source/source_metrics.hpp"

#include <algorithm>
#include <cmath>

#include "source/datum_conversion.hpp"
#include "source/elevation_helpers.hpp"
#include "support/conversions.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

// Degrees to radians with the factor the resolution formulas were fitted with.
constexpr Double kRadiansPerDegree = 0.0174532925;

std::string propertyText(TessaglyphMachine& machine, std::string_view name) {
  return std::string(trimBlanks(machine.getPropertyValue(name)));
}

class AttributeReader {
 public:
  // `requirement` ends the message of a missing attribute: "The xres attribute must be defined
  // " + requirement.
  AttributeReader(TessaglyphMachine& machine, std::string requirement,
                  const std::function<void()>& afterEachRead)
      : m_machine(machine), m_requirement(std::move(requirement)), m_afterEachRead(afterEachRead) {}

  std::string text(const char* name) {
    const Integer index = m_machine.getAttributeIndex(name);
    if (index < 0) {
      throw Error(TG_M_E_ATTRIBUTEMISSING, {},
                  std::string("The ") + name + " attribute must be defined " + m_requirement);
    }
    std::string value = m_machine.attribute_read(index);
    if (m_afterEachRead) m_afterEachRead();
    return value;
  }
  Double number(const char* name) { return textToDouble(text(name)); }

 private:
  TessaglyphMachine& m_machine;
  std::string m_requirement;
  const std::function<void()>& m_afterEachRead;
};

std::string boundsRequirement(const char* mode) {
  return std::string("when the \"boundsmode\" property is \"") + mode + "\"";
}

}  // namespace

BoundsMode boundsModeOf(TessaglyphMachine& machine) {
  const std::string mode = propertyText(machine, "boundsmode");
  if (mode == "utmbounding") return BoundsMode::utm;
  if (mode == "latlonbounding") return BoundsMode::latLon;
  return BoundsMode::corners;
}

SourceCorners readSourceCorners(TessaglyphMachine& machine, bool wholeMetres,
                                const std::function<void()>& afterEachRead) {
  SourceCorners corners;
  corners.mode = boundsModeOf(machine);
  switch (corners.mode) {
    case BoundsMode::utm: {
      AttributeReader read(machine, boundsRequirement("utmbounding"), afterEachRead);
      const auto metres = [&](const char* name) {
        const Double value = read.number(name);
        return wholeMetres ? Double(roundToLong(value)) : value;
      };
      const Double top = metres("top_utm");
      const Double bottom = metres("bottom_utm");
      const Double left = metres("left_utm");
      const Double right = metres("right_utm");
      Integer zone = textToInteger(read.text("utmzone"));
      const Double eastings[4] = {left, right, right, left};
      const Double northings[4] = {top, top, bottom, bottom};
      for (int c = 0; c < 4; ++c) {
        Double easting = eastings[c], northing = northings[c];
        const Integer selector = 5, direction = 2;
        _utmcon(selector, zone, zone, corners.lat[c], corners.lon[c], easting, northing, direction);
        corners.nativeX[c] = eastings[c];
        corners.nativeY[c] = northings[c];
      }
      break;
    }
    case BoundsMode::latLon: {
      AttributeReader read(machine, boundsRequirement("latlonbounding"), afterEachRead);
      const Double top = read.number("top_lat");
      const Double bottom = read.number("bottom_lat");
      const Double left = read.number("left_lon");
      const Double right = read.number("right_lon");
      corners.lat = {top, top, bottom, bottom};
      corners.lon = {left, right, right, left};
      corners.nativeX = corners.lon;
      corners.nativeY = corners.lat;
      break;
    }
    case BoundsMode::corners: {
      AttributeReader read(machine, boundsRequirement("4point"), afterEachRead);
      static constexpr const char* kNames[4][2] = {
          {"nw_lat", "nw_lon"}, {"ne_lat", "ne_lon"}, {"se_lat", "se_lon"}, {"sw_lat", "sw_lon"}};
      for (int c = 0; c < 4; ++c) {
        corners.lat[c] = read.number(kNames[c][0]);
        corners.lon[c] = read.number(kNames[c][1]);
      }
      corners.nativeX = corners.lon;
      corners.nativeY = corners.lat;
      break;
    }
  }
  return corners;
}

std::string convertCornerDatum(TessaglyphMachine& machine, Double nativeX, Double nativeY,
                               Double& lat, Double& lon, std::string_view targetDatum) {
  std::string from = machine.getDatum(nativeX, nativeY);
  if (trimBlanks(targetDatum).empty() || sameName(from, targetDatum)) return from;
  Double outLat = lat, outLon = lon;
  Integer status = 0;
  convertDatum(lat, lon, from, outLat, outLon, targetDatum, status);
  if (status == 0) {
    lat = outLat;
    lon = outLon;
  }
  return from;
}

Double metresPerDegreeLongitude(Double latitude) {
  const Double phi = latitude * kRadiansPerDegree;
  return (111.391 * std::cos(phi) - 0.095 * std::cos(3 * phi)) * 1000;
}

Double metresPerDegreeLatitude(Double latitude) {
  const Double phi = latitude * kRadiansPerDegree;
  return (111.108 - 0.566 * std::cos(2 * phi)) * 1000;
}

TG_FILEMETRICS computeSourceMetrics(TessaglyphMachine& machine, std::string_view targetDatum,
                                    const std::function<void()>& afterEachRead) {
  SourceCorners corners = readSourceCorners(machine, false, afterEachRead);
  TG_FILEMETRICS metrics;
  for (int c = 0; c < 4; ++c) {
    std::string from = convertCornerDatum(machine, corners.nativeX[c], corners.nativeY[c],
                                          corners.lat[c], corners.lon[c], targetDatum);
    if (c == kNorthWest) metrics.datum = std::move(from);
  }
  if (!trimBlanks(targetDatum).empty()) metrics.datum = std::string(targetDatum);

  TG_BOUNDS& bounds = metrics.bounds;
  bounds.northLat = std::max(corners.lat[kNorthWest], corners.lat[kNorthEast]);
  bounds.southLat = std::min(corners.lat[kSouthWest], corners.lat[kSouthEast]);
  bounds.westLon = std::min(corners.lon[kSouthWest], corners.lon[kNorthWest]);
  bounds.eastLon = std::max(corners.lon[kNorthEast], corners.lon[kSouthEast]);

  AttributeReader read(machine, "to give the file's resolution", afterEachRead);
  const Double xres = read.number("xres");
  const Double yres = read.number("yres");
  if (propertyText(machine, "resspec") == "latlon") {
    const Double middle = (bounds.southLat + bounds.northLat) / 2;
    metrics.xResolution = std::fabs(xres) * metresPerDegreeLongitude(middle);
    metrics.yResolution = std::fabs(yres) * metresPerDegreeLatitude(middle);
  } else {
    metrics.xResolution = xres;
    metrics.yResolution = yres;
  }
  return metrics;
}

}  // namespace tg
