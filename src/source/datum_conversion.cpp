#include "source/datum_conversion.hpp"

#include <cmath>
#include <exception>

#include "source/datum_status.hpp"
#include "source/elevation_helpers.hpp"
#include "support/text.hpp"
#include "support/trace.hpp"

namespace tg {

namespace {

struct NameRow {
  std::string_view names[4];
  std::string_view key;
  Integer code;
};

constexpr NameRow kNameTable[] = {
    {{"NO ADJUSTMENT", "", "", ""}, "LL", 0},
    {{"NAD27", "NAD 27", "NAD-27", "NAD_27"}, "LL27", 1},
    {{"NAD83", "NAD 83", "NAD-83", "NAD_83"}, "LL83", 4},
    {{"WGS84", "WGS 84", "WGS-84", "WGS_84"}, "LL84", 4},
    {{"WGS72", "WGS 72", "WGS-72", "WGS_72"}, "LL72", 4},
};

}  // namespace

DatumKey datumKeyOf(std::string_view name, bool asTarget) {
  const std::string_view trimmed = trimBlanks(name);
  const std::string upper = toUpper(trimmed);
  if (asTarget && upper.starts_with("UTM27")) return {"LL27", 1, true};
  for (const NameRow& row : kNameTable) {
    for (std::string_view accepted : row.names) {
      if (!accepted.empty() && upper == accepted) return {std::string(row.key), row.code, false};
    }
  }
  return {std::string(trimmed), -1, false};
}

std::string utmKeyOf(std::string_view datumName, Integer zone, bool north) {
  return datumKeyOf(datumName).key + "-UTM-" + std::to_string(zone) + (north ? "-N" : "-S");
}

DatumConverter::DatumConverter(CoordinateSystemLibrary* library, GridSource grids)
    : m_library(library), m_grids(std::move(grids)) {}

const DatumKey& DatumConverter::keyFor(std::string_view name, bool asTarget,
                                       RememberedKey& remembered) {
  if (!remembered.valid || remembered.name != name) {
    remembered.valid = false;
    remembered.key = datumKeyOf(name, asTarget);
    remembered.name = name;
    remembered.valid = true;
  }
  return remembered.key;
}

Integer DatumConverter::callLibrary(const DatumKey& from, const DatumKey& to,
                                    Double point[3]) noexcept {
  if (!libraryUsable()) return DATUM_S_LIBRARYUNUSABLE;
  try {
    return m_library->convert(from.key, to.key, point);
  } catch (const std::exception& error) {
    TG_TRACE(std::string("datum conversion: coordinate library failed and is no longer used: ") +
             error.what());
  } catch (...) {
    TG_TRACE("datum conversion: coordinate library failed and is no longer used");
  }
  m_usable = false;
  return DATUM_S_LIBRARYUNUSABLE;
}

void DatumConverter::convert(Double lat, Double lon, std::string_view fromName, Double& outLat,
                             Double& outLon, std::string_view toName, Integer& status) noexcept {
  const Double inLat = lat, inLon = lon;  // the outputs may be the inputs' own variables
  outLat = inLat;
  outLon = inLon;
  try {
    status = DATUM_S_CONVERTED;
    if (!std::isfinite(inLat) || !std::isfinite(inLon)) {
      status = DATUM_S_BADPOSITION;
      return;
    }
    const DatumKey& from = keyFor(fromName, false, m_fromKey);
    const DatumKey& to = keyFor(toName, true, m_toKey);

    Double point[3] = {inLon, inLat, 0};
    status = callLibrary(from, to, point);
    if (status != DATUM_S_CONVERTED && from.shiftCode >= 0 && to.shiftCode >= 0 &&
        from.shiftCode != to.shiftCode) {
      Double shiftedLat = inLat, shiftedLon = inLon;
      const std::shared_ptr<const NadconGridSet> grids = m_grids();
      if (grids) {
        gridShift(from.shiftCode, to.shiftCode, inLat, inLon, shiftedLat, shiftedLon, status,
                  *grids);
      } else {
        status = DATUM_S_NOGRIDS;
      }
      point[0] = shiftedLon;
      point[1] = shiftedLat;
    }
    if (status != DATUM_S_CONVERTED) return;

    if (to.projectToUtm27) {
      UtmCoordinates utm;
      try {
        utm = latLonToUtm(point[1], point[0]);
      } catch (...) {
        status = DATUM_S_PROJECTIONFAILED;
        return;
      }
      outLat = utm.northing;
      outLon = utm.easting;
    } else {
      outLat = point[1];
      outLon = point[0];
    }
  } catch (...) {
    status = DATUM_S_INTERNALERROR;
    outLat = inLat;
    outLon = inLon;
  }
}

bool DatumConverter::movesNothing(std::string_view fromName, std::string_view toName) noexcept {
  try {
    const DatumKey from = datumKeyOf(fromName, false);
    const DatumKey to = datumKeyOf(toName, true);
    if (to.projectToUtm27) return false;
    if (from.shiftCode >= 0 && to.shiftCode >= 0 && from.shiftCode != to.shiftCode) return false;
    return from.key == to.key || !isValidKey(from.key) || !isValidKey(to.key);
  } catch (...) {
    return false;  // out of memory: convert will decide
  }
}

bool DatumConverter::isValidKey(std::string_view key) noexcept {
  if (!libraryUsable()) return false;
  try {
    return m_library->isValid(trimBlanks(key));
  } catch (...) {
    m_usable = false;
    return false;
  }
}

std::string_view describeDatumStatus(Integer status) noexcept {
  switch (status) {
    case DATUM_S_CONVERTED:
      return "converted";
    case DATUM_S_UNKNOWNKEY:
      return "the coordinate-system library does not know a datum name";
    case DATUM_S_NOACCURATEOPERATION:
      return "the coordinate-system library has no accurate transformation for the point";
    case DATUM_S_TRANSFORMFAILED:
      return "the coordinate-system library could not transform the point";
    case DATUM_S_LIBRARYUNUSABLE:
      return "the coordinate-system library is unusable";
    case DATUM_S_OUTSIDEGRIDS:
      return "the point lies in no NADCON region";
    case DATUM_S_NOGRIDS:
      return "no NADCON grids are installed";
    case DATUM_S_NOCONVERGENCE:
      return "the NADCON shift to NAD27 did not converge";
    case DATUM_S_NOSHIFT:
      return "no grid shift between these datums";
    case DATUM_S_BADPOSITION:
      return "the position is not a number";
    case DATUM_S_PROJECTIONFAILED:
      return "the UTM projection failed";
    case DATUM_S_INTERNALERROR:
      return "internal error";
    default:
      return "not converted";
  }
}

DatumConverter& datumConverter() {
  static DatumConverter converter(coordinateLibrary(), nadconGrids);
  return converter;
}

void convertDatum(Double lat, Double lon, std::string_view fromName, Double& outLat, Double& outLon,
                  std::string_view toName, Integer& status) noexcept {
  try {
    datumConverter().convert(lat, lon, fromName, outLat, outLon, toName, status);
  } catch (...) {
    // Only making the process's converter can throw (running out of memory).
    outLat = lat;
    outLon = lon;
    status = DATUM_S_INTERNALERROR;
  }
}

}  // namespace tg
