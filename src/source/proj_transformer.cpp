#include "source/proj_transformer.hpp"

#include <proj.h>
#include <proj_experimental.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unordered_map>

#include "source/datum_status.hpp"
#include "support/text.hpp"
#include "support/trace.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

struct PjDeleter {
  void operator()(PJ* object) const noexcept { proj_destroy(object); }
};
using PjPointer = std::unique_ptr<PJ, PjDeleter>;

struct ListDeleter {
  void operator()(PJ_OBJ_LIST* list) const noexcept { proj_list_destroy(list); }
};
struct FactoryDeleter {
  void operator()(PJ_OPERATION_FACTORY_CONTEXT* factory) const noexcept {
    proj_operation_factory_context_destroy(factory);
  }
};

// The systems behind the fixed keys.
struct FixedKey {
  std::string_view key;
  const char* definition;
};
constexpr FixedKey kFixedKeys[] = {
    {"LL27", "EPSG:4267"},
    {"LL83", "EPSG:4269"},
    {"LL84", "EPSG:4326"},
    {"LL72", "EPSG:4322"},
};
constexpr std::string_view kNoDatumKey = "LL";

// A fallback operation PROJ states an accuracy of this many metres or better for is taken where
// the best one needs a missing grid (NAD83 to WGS 84 through EPSG:1188, 4 m, where the HARN
// grids are not installed). One without a stated accuracy (a ballpark or a Helmert step of
// unknown quality, as for NAD27) is not: the NADCON shift takes over.
constexpr double kAcceptedFallbackAccuracy = 5.0;

bool statesAcceptedAccuracy(double accuracy) {
  return accuracy >= 0 && accuracy <= kAcceptedFallbackAccuracy;
}

void logToTrace(void*, int, const char* message) {
  TG_TRACE(std::string("PROJ: ") + (message ? message : ""));
}

std::vector<std::string> splitSearchPath(const char* text) {
  std::vector<std::string> paths;
  std::string_view rest = text ? text : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view path = rest.substr(0, colon);
    if (!path.empty()) paths.emplace_back(path);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return paths;
}

bool isGeographic(const PJ* crs) {
  const PJ_TYPE type = proj_get_type(crs);
  return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
}

double normalizedLongitude(double lon) {
  double wrapped = std::fmod(lon + 180.0, 360.0);
  if (wrapped < 0) wrapped += 360.0;
  return wrapped - 180.0;
}

}  // namespace

struct ProjTransformer::Impl {
  // A key's system as given and with longitude first; no system at all for "LL".
  struct System {
    bool known = false;
    bool noDatum = false;
    PjPointer raw;
    PjPointer normalized;
  };

  struct CandidateInfo {
    std::string name;
    double accuracy = -1;
    bool instantiable = false;
    bool ballpark = false;
    bool offshore = false;
    double west = -180, south = -90, east = 180, north = 90;
    double area = 0;

    bool holds(double lon, double lat) const {
      if (lat < south || lat > north) return false;
      lon = normalizedLongitude(lon);
      if (lon == -180 && east == 180) lon = 180;
      return west <= east ? (lon >= west && lon <= east) : (lon >= west || lon <= east);
    }
  };

  enum Verdict : signed char { unknown = 0, accepted = 1, rejected = -1 };

  struct Pair {
    Integer failure = DATUM_S_CONVERTED;  // non-zero: every point of the pair fails so
    bool identity = false;
    PjPointer source, target;
    // Made when a point first needs it: where the best operation for every point so far needed
    // a missing grid, PROJ's own search for fallbacks (most of a second) is never paid for.
    PjPointer transformation;
    bool transformationTried = false;
    PjPointer toGeographic;  // source to its own latitude/longitude, for non-geographic sources
    std::vector<CandidateInfo> candidates;
    std::vector<Verdict> verdicts;  // by best candidate + 1 (0: no candidate holds the point)
  };

  PJ_CONTEXT* context = nullptr;
  std::vector<std::string> basePaths;
  std::unordered_map<std::string, System> systems;
  std::unordered_map<std::string, std::unique_ptr<Pair>> pairs;
  Pair* lastPair = nullptr;
  std::string lastFrom, lastTo;

  ~Impl() {
    forget();
    if (context) proj_context_destroy(context);
  }

  void forget() {
    lastPair = nullptr;
    lastFrom.clear();
    lastTo.clear();
    pairs.clear();
    systems.clear();
  }

  PjPointer normalize(const PJ* crs) const {
    return PjPointer(proj_normalize_for_visualization(context, crs));
  }

  // The UTM system "<key>-UTM-<zone>-<N|S>" on the geographic system of <key>.
  bool makeUtmSystem(std::string_view key, System& system) {
    const std::string upper = toUpper(key);
    const std::size_t marker = upper.rfind("-UTM-");
    if (marker == std::string::npos || marker == 0) return false;
    const std::string_view rest = std::string_view(upper).substr(marker + 5);
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 2 || rest.size() != dash + 2)
      return false;
    int zone = 0;
    for (char c : rest.substr(0, dash)) {
      if (c < '0' || c > '9') return false;
      zone = zone * 10 + (c - '0');
    }
    const char hemisphere = rest.back();
    if (zone < 1 || zone > 60 || (hemisphere != 'N' && hemisphere != 'S')) return false;

    const System& base = systemFor(key.substr(0, marker));
    if (!base.known || base.noDatum || !isGeographic(base.raw.get())) return false;
    PjPointer conversion(proj_create_conversion_utm(context, zone, hemisphere == 'N'));
    PjPointer axes(proj_create_cartesian_2D_cs(context, PJ_CART2D_EASTING_NORTHING, nullptr, 0));
    if (!conversion || !axes) return false;
    const std::string name = std::string(proj_get_name(base.raw.get())) + " / UTM zone " +
                             std::to_string(zone) + hemisphere;
    system.raw.reset(proj_create_projected_crs(context, name.c_str(), base.raw.get(),
                                               conversion.get(), axes.get()));
    return system.raw != nullptr;
  }

  // PROJ resolves a bare word by a loose search of its database ("FOO" finds "Amersfoort"). A
  // key counts only as a definition (a PROJ string, AUTHORITY:CODE, WKT or PROJJSON) or as the
  // exact name of the system it found; a misspelt datum must stay unknown, not become another.
  static bool namesThisSystem(std::string_view key, const PJ* found) {
    if (key.find_first_of("+:[{") != std::string_view::npos) return true;
    const char* name = proj_get_name(found);
    return name != nullptr && sameName(trimBlanks(key), name);
  }

  const System& systemFor(std::string_view key) {
    const std::string name(key);
    if (auto found = systems.find(name); found != systems.end()) return found->second;
    System system;
    if (sameName(key, kNoDatumKey)) {
      system.known = system.noDatum = true;
      return systems.emplace(name, std::move(system)).first->second;
    }
    for (const FixedKey& fixed : kFixedKeys) {
      if (!sameName(key, fixed.key)) continue;
      system.raw.reset(proj_create(context, fixed.definition));
      if (!system.raw) {
        throw Error(PLATFORM_E_INVALIDPROCEDURECALL, "ProjTransformer",
                    std::string("PROJ cannot build ") + fixed.definition +
                        "; its database is missing or unreadable");
      }
      break;
    }
    // A key in the UTM form is ours, and PROJ would only search its database for it in vain.
    const bool utmForm = toUpper(key).find("-UTM-") != std::string::npos;
    if (!system.raw && !makeUtmSystem(key, system) && !utmForm) {
      system.raw.reset(proj_create(context, name.c_str()));
      if (system.raw &&
          (!proj_is_crs(system.raw.get()) || !namesThisSystem(key, system.raw.get()))) {
        system.raw.reset();
      }
    }
    if (system.raw) system.normalized = normalize(system.raw.get());
    system.known = system.normalized != nullptr;
    if (!system.known) system.raw.reset();
    return systems.emplace(name, std::move(system)).first->second;
  }

  // The latitude/longitude system of a system, longitude first.
  PjPointer geographicOf(const PJ* crs) const {
    PjPointer geodetic(proj_crs_get_geodetic_crs(context, crs));
    return geodetic ? normalize(geodetic.get()) : nullptr;
  }

  void listCandidates(const PJ* source, const PJ* target, Pair& pair) {
    std::unique_ptr<PJ_OPERATION_FACTORY_CONTEXT, FactoryDeleter> factory(
        proj_create_operation_factory_context(context, nullptr));
    if (!factory) return;
    proj_operation_factory_context_set_grid_availability_use(context, factory.get(),
                                                             PROJ_GRID_AVAILABILITY_IGNORED);
    proj_operation_factory_context_set_spatial_criterion(
        context, factory.get(), PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
    proj_operation_factory_context_set_allow_ballpark_transformations(context, factory.get(), 1);
    std::unique_ptr<PJ_OBJ_LIST, ListDeleter> list(
        proj_create_operations(context, source, target, factory.get()));
    if (!list) return;
    const int count = proj_list_get_count(list.get());
    for (int i = 0; i < count; ++i) {
      PjPointer operation(proj_list_get(context, list.get(), i));
      if (!operation) continue;
      CandidateInfo info;
      const char* name = proj_get_name(operation.get());
      info.name = name ? name : "";
      info.accuracy = proj_coordoperation_get_accuracy(context, operation.get());
      info.instantiable = proj_coordoperation_is_instantiable(context, operation.get()) != 0;
      info.ballpark =
          proj_coordoperation_has_ballpark_transformation(context, operation.get()) != 0;
      double west, south, east, north;
      const char* areaName = nullptr;
      if (proj_get_area_of_use(context, operation.get(), &west, &south, &east, &north, &areaName) &&
          west > -1000) {
        info.west = west;
        info.south = south;
        info.east = east;
        info.north = north;
      }
      info.offshore =
          areaName && std::string_view(areaName).find("- offshore") != std::string_view::npos;
      const double width =
          info.west <= info.east ? info.east - info.west : 360 - (info.west - info.east);
      info.area = width * (info.north - info.south);
      pair.candidates.push_back(std::move(info));
    }
  }
  std::unique_ptr<Pair> makePair(std::string_view fromKey, std::string_view toKey) {
    auto pair = std::make_unique<Pair>();
    const System& from = systemFor(fromKey);
    const System& to = systemFor(toKey);
    if (!from.known || !to.known) {
      pair->failure = DATUM_S_UNKNOWNKEY;
      return pair;
    }
    if (from.noDatum && to.noDatum) {
      pair->identity = true;
      return pair;
    }
    // Latitude/longitude without a datum takes the datum of the other side: nothing moves but
    // a projection, if the other side has one.
    PjPointer ownSource, ownTarget;
    const PJ* source = from.normalized.get();
    const PJ* target = to.normalized.get();
    if (from.noDatum) source = (ownSource = geographicOf(target)).get();
    if (to.noDatum) target = (ownTarget = geographicOf(source)).get();
    if (!source || !target) {
      pair->failure = DATUM_S_UNKNOWNKEY;
      return pair;
    }
    if (proj_is_equivalent_to_with_ctx(context, source, target, PJ_COMP_EQUIVALENT)) {
      pair->identity = true;
      return pair;
    }
    pair->source = PjPointer(proj_clone(context, source));
    pair->target = PjPointer(proj_clone(context, target));
    if (!pair->source || !pair->target) {
      pair->failure = DATUM_S_UNKNOWNKEY;
      return pair;
    }
    if (!isGeographic(source)) {
      PjPointer geographic = geographicOf(source);
      if (geographic) {
        pair->toGeographic.reset(
            proj_create_crs_to_crs_from_pj(context, source, geographic.get(), nullptr, nullptr));
      }
    }
    listCandidates(source, target, *pair);
    pair->verdicts.assign(pair->candidates.size() + 1, unknown);
    return pair;
  }

  Pair& pairFor(std::string_view fromKey, std::string_view toKey) {
    if (lastPair && fromKey == lastFrom && toKey == lastTo) return *lastPair;
    std::string name(fromKey);
    name += '\n';
    name += toKey;
    auto found = pairs.find(name);
    if (found == pairs.end()) found = pairs.emplace(name, makePair(fromKey, toKey)).first;
    lastPair = found->second.get();
    lastFrom = fromKey;
    lastTo = toKey;
    return *lastPair;
  }

  // The candidate PROJ would choose for the position if every grid were installed; -1 when
  // none holds it.
  static int bestCandidate(const Pair& pair, double lon, double lat) {
    int best = -1;
    for (int i = 0; i < static_cast<int>(pair.candidates.size()); ++i) {
      const CandidateInfo& c = pair.candidates[i];
      if (!c.holds(lon, lat)) continue;
      if (best < 0) {
        best = i;
        continue;
      }
      const CandidateInfo& b = pair.candidates[best];
      if (b.ballpark != c.ballpark) {
        if (b.ballpark) best = i;
        continue;
      }
      const bool bKnown = b.accuracy >= 0, cKnown = c.accuracy >= 0;
      if (bKnown != cKnown) {
        if (cKnown) best = i;
        continue;
      }
      if (cKnown && c.accuracy != b.accuracy) {
        if (c.accuracy < b.accuracy) best = i;
        continue;
      }
      if (b.offshore != c.offshore) {
        if (b.offshore) best = i;
        continue;
      }
      if (c.area < b.area) best = i;
    }
    return best;
  }

  // Whether a candidate other than the best one holds the position, can run and states an
  // accuracy good enough to stand in for it.
  static bool hasAcceptedFallback(const Pair& pair, double lon, double lat) {
    for (const CandidateInfo& c : pair.candidates) {
      if (c.instantiable && !c.ballpark && statesAcceptedAccuracy(c.accuracy) && c.holds(lon, lat))
        return true;
    }
    return false;
  }

  // Whether the operation PROJ just used is as good as the best candidate, or a fallback with
  // an accepted stated accuracy. The trace names the operation and its accuracy.
  Verdict judgeLastOperation(const Pair& pair, int best, std::string_view fromKey,
                             std::string_view toKey) const {
    PjPointer used(proj_trans_get_last_used_operation(pair.transformation.get()));
    if (!used) return accepted;  // a single operation: there was nothing to fall back to
    const bool ballpark = proj_coordoperation_has_ballpark_transformation(context, used.get());
    const double accuracy = proj_coordoperation_get_accuracy(context, used.get());
    Verdict verdict = rejected;
    const char* why = "a coarser fallback, refused";
    if (ballpark) {
      why = "a ballpark fallback, refused";
    } else if (best < 0 || pair.candidates[best].accuracy < 0 ||
               (accuracy >= 0 && accuracy <= pair.candidates[best].accuracy + 1e-9)) {
      verdict = accepted;
      why = "the best operation";
    } else if (statesAcceptedAccuracy(accuracy)) {
      verdict = accepted;
      why = "a fallback of accepted accuracy";
    }
    if (traceEnabled()) {
      const char* name = proj_get_name(used.get());
      char accuracyText[32] = "unknown";
      if (accuracy >= 0) std::snprintf(accuracyText, sizeof accuracyText, "%g m", accuracy);
      TG_TRACE(std::string("datum conversion ") + std::string(fromKey) + " -> " +
               std::string(toKey) + ": PROJ used " + (name ? name : "?") + " (accuracy " +
               accuracyText + "), " + why + "; best candidate " +
               (best < 0 ? std::string("none") : pair.candidates[best].name));
    }
    return verdict;
  }

  Integer convert(std::string_view fromKey, std::string_view toKey, Double point[3]) {
    Pair& pair = pairFor(fromKey, toKey);
    if (pair.failure != DATUM_S_CONVERTED) return pair.failure;
    if (pair.identity) return DATUM_S_CONVERTED;

    double lon = point[0], lat = point[1];
    if (pair.toGeographic) {
      const PJ_COORD geographic =
          proj_trans(pair.toGeographic.get(), PJ_FWD, proj_coord(point[0], point[1], 0, HUGE_VAL));
      lon = geographic.v[0];
      lat = geographic.v[1];
      if (!std::isfinite(lon) || !std::isfinite(lat)) return DATUM_S_TRANSFORMFAILED;
    }
    const int best = bestCandidate(pair, lon, lat);
    if (best >= 0 && (!pair.candidates[best].instantiable || pair.candidates[best].ballpark) &&
        !hasAcceptedFallback(pair, lon, lat))
      return DATUM_S_NOACCURATEOPERATION;

    if (!pair.transformationTried) {
      pair.transformationTried = true;
      pair.transformation.reset(proj_create_crs_to_crs_from_pj(
          context, pair.source.get(), pair.target.get(), nullptr, nullptr));
    }
    PJ* transformation = pair.transformation.get();
    if (!transformation) return DATUM_S_TRANSFORMFAILED;
    proj_errno_reset(transformation);
    const PJ_COORD result =
        proj_trans(transformation, PJ_FWD, proj_coord(point[0], point[1], point[2], HUGE_VAL));
    if (proj_errno(transformation) != 0 || !std::isfinite(result.v[0]) ||
        !std::isfinite(result.v[1]) || result.v[0] == HUGE_VAL) {
      proj_errno_reset(transformation);
      return DATUM_S_TRANSFORMFAILED;
    }
    Verdict& verdict = pair.verdicts[static_cast<std::size_t>(best + 1)];
    if (verdict == unknown) verdict = judgeLastOperation(pair, best, fromKey, toKey);
    if (verdict == rejected) return DATUM_S_NOACCURATEOPERATION;

    point[0] = result.v[0];
    point[1] = result.v[1];
    if (std::isfinite(result.v[2])) point[2] = result.v[2];
    return DATUM_S_CONVERTED;
  }
};

ProjTransformer::ProjTransformer(std::optional<std::vector<std::string>> searchPaths)
    : m_impl(std::make_unique<Impl>()) {
  m_impl->context = proj_context_create();
  if (!m_impl->context) {
    throw Error(PLATFORM_E_INVALIDPROCEDURECALL, "ProjTransformer", "PROJ cannot make a context");
  }
  proj_log_func(m_impl->context, nullptr, logToTrace);
  proj_context_set_enable_network(m_impl->context, 0);
  if (searchPaths) {
    m_impl->basePaths = std::move(*searchPaths);
    std::vector<const char*> paths;
    for (const std::string& path : m_impl->basePaths)
      paths.push_back(path.c_str());
    proj_context_set_search_paths(m_impl->context, static_cast<int>(paths.size()),
                                  paths.empty() ? nullptr : paths.data());
  } else {
    m_impl->basePaths = splitSearchPath(proj_info().searchpath);
  }
}

ProjTransformer::~ProjTransformer() = default;

Integer ProjTransformer::convert(std::string_view fromKey, std::string_view toKey,
                                 Double point[3]) {
  return m_impl->convert(fromKey, toKey, point);
}

bool ProjTransformer::isValid(std::string_view key) {
  return m_impl->systemFor(key).known;
}

void ProjTransformer::setDataDirectory(const std::string& folder) {
  std::vector<const char*> paths{folder.c_str()};
  for (const std::string& path : m_impl->basePaths)
    paths.push_back(path.c_str());
  proj_context_set_search_paths(m_impl->context, static_cast<int>(paths.size()), paths.data());
  // Which operations can run depends on the grids found, so every pair is worked out afresh.
  m_impl->forget();
}

Long ProjTransformer::messageLevel() {
  return proj_log_level(m_impl->context, PJ_LOG_TELL);
}

void ProjTransformer::setMessageLevel(Long level) {
  const Long clamped = level < 0 ? 0 : (level > PJ_LOG_TRACE ? PJ_LOG_TRACE : level);
  proj_log_level(m_impl->context, static_cast<PJ_LOG_LEVEL>(clamped));
}

std::vector<ProjTransformer::Candidate> ProjTransformer::candidates(std::string_view fromKey,
                                                                    std::string_view toKey) {
  std::vector<Candidate> result;
  for (const Impl::CandidateInfo& info : m_impl->pairFor(fromKey, toKey).candidates)
    result.push_back({info.name, info.accuracy, info.instantiable, info.ballpark});
  return result;
}

}  // namespace tg
