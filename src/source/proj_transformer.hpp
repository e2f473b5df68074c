// PROJ as the coordinate-system library. Keys become CRSs (coordinate_library.hpp lists them);
// each CRS is taken with longitude (or easting) first, whatever its definition says.
//
// PROJ converts with the most accurate operation whose area holds the point, but when that one
// needs a grid that is not installed it quietly uses a coarser one (a Helmert step through WGS84
// or a ballpark offset, metres off for NAD27). Such a result counts as a failure here, so that
// the caller's own NADCON grid shift can take over. Per key pair, made once and kept:
// - the transformation PROJ builds for the pair (with the operations whose grids are present),
//   made when the first point needs it;
// - the candidate list: every operation PROJ knows for the pair, missing grids included, with
//   its area of use, accuracy, whether it can run here and whether it is a ballpark.
// Per point, the best candidate is the one PROJ would choose if every grid were installed: the
// area holding the point, known accuracy before unknown, the smaller accuracy figure, then the
// smaller area, then list order; ballpark operations only when nothing else holds the point.
// - No candidate can run (the best needs a missing grid) or the best is a ballpark: failure
//   (DATUM_S_NOACCURATEOPERATION) without calling PROJ.
// - Otherwise PROJ transforms, and the operation it used (proj_trans_get_last_used_operation)
//   is compared with the best candidate: a ballpark, or an operation coarser than the best, is
//   a failure too. Asking PROJ which operation it used copies that operation, which costs far
//   more than the transformation, so the verdict is worked out once per best candidate and
//   kept.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "source/coordinate_library.hpp"

namespace tg {

class ProjTransformer final : public CoordinateSystemLibrary {
 public:
  // Makes a PROJ context of its own. `searchPaths`, when given, replace PROJ's data folders
  // altogether (without them PROJ finds no database, which is how tests make it fail).
  // Raises error 5 "Invalid procedure call or argument" when PROJ cannot make a context.
  explicit ProjTransformer(std::optional<std::vector<std::string>> searchPaths = std::nullopt);
  ~ProjTransformer() override;
  ProjTransformer(const ProjTransformer&) = delete;
  ProjTransformer& operator=(const ProjTransformer&) = delete;

  // See CoordinateSystemLibrary. convert() and isValid() throw tg::Error when PROJ cannot
  // build the systems of the fixed keys ("LL27" ...), which means its database is missing.
  Integer convert(std::string_view fromKey, std::string_view toKey, Double point[3]) override;
  bool isValid(std::string_view key) override;
  void setDataDirectory(const std::string& folder) override;
  Long messageLevel() override;
  void setMessageLevel(Long level) override;

  // The candidate operations for a key pair, in PROJ's order: name, accuracy in metres
  // (negative when unknown), whether it can run here and whether it is a ballpark. Empty when
  // either key is unknown. For diagnostics.
  struct Candidate {
    std::string name;
    Double accuracy;
    bool instantiable;
    bool ballpark;
  };
  std::vector<Candidate> candidates(std::string_view fromKey, std::string_view toKey);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace tg
