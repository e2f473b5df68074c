// The NADCON datum shift between NAD27 and NAD83, computed from the public NGS shift grids: a
// reader of the binary ".LAS" (latitude shift) and ".LOS" (longitude shift) files, bilinear
// interpolation of the shifts, the choice of region, and the shift in both directions.
//
// File layout (little-endian, fixed-length records of (columns + 1) * 4 bytes, rows + 1 of
// them): record 1 is the header (char[56] ident, char[8] program name, int32 columns, int32
// rows, int32 z count, float32 xmin, dx, ymin, dy, angle); each later record is an int32 0
// followed by `columns` float32 shifts in arc-seconds, west to east; the rows run south to
// north, row j at latitude ymin + j*dy, column i at longitude xmin + i*dx (negative west). The
// latitude shift is positive north and the longitude shift positive west, so
//   lat83 = lat27 + LAS / 3600,   lon83 = lon27 - LOS / 3600.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

// One region: its .LAS and .LOS grids, which share a header.
class NadconGrid {
 public:
  // Reads "<folder>/<region>.LAS" and ".LOS" (names found without regard to case). Returns
  // nothing, with the reason in `problem`, when a file is missing, short, inconsistent with its
  // header or with its partner, or holds a non-finite value.
  static std::optional<NadconGrid> read(std::string_view folder, std::string_view region,
                                        std::string& problem);

  const std::string& region() const noexcept { return m_region; }
  Long columns() const noexcept { return m_columns; }
  Long rows() const noexcept { return m_rows; }
  Double xmin() const noexcept { return m_xmin; }
  Double dx() const noexcept { return m_dx; }
  Double ymin() const noexcept { return m_ymin; }
  Double dy() const noexcept { return m_dy; }
  Double xmax() const noexcept { return m_xmin + (m_columns - 1) * m_dx; }
  Double ymax() const noexcept { return m_ymin + (m_rows - 1) * m_dy; }
  // Extent in square degrees; the smaller of two overlapping grids is the more detailed one.
  Double area() const noexcept { return (xmax() - m_xmin) * (ymax() - m_ymin); }

  // The stored shifts at a node, in arc-seconds (longitude shift positive west).
  Single latitudeShiftAt(Long column, Long row) const { return m_latShift[index(column, row)]; }
  Single longitudeShiftAt(Long column, Long row) const { return m_lonShift[index(column, row)]; }

  // True when the position lies on the grid, borders included. A position within 1e-5 of a cell
  // beyond a border still counts: the single-precision spacing of the header can fall that
  // short of the edge its producer meant.
  bool contains(Double lat, Double lon) const noexcept;

  // The shifts at a position on the grid, interpolated bilinearly between the four nodes
  // around it, in arc-seconds.
  void shiftAt(Double lat, Double lon, Double& latShiftSeconds,
               Double& lonShiftSecondsWest) const noexcept;

 private:
  std::size_t index(Long column, Long row) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
           static_cast<std::size_t>(column);
  }

  std::string m_region;
  Long m_columns = 0, m_rows = 0;
  Double m_xmin = 0, m_dx = 0, m_ymin = 0, m_dy = 0;
  std::vector<Single> m_latShift, m_lonShift;  // row by row, south row first
};

// The regions of one NADCON folder. The files are read once, when the set is made, and kept.
class NadconGridSet {
 public:
  // The regions NGS distributes, in the order NADCON itself tries them.
  static constexpr std::string_view kRegions[] = {"CONUS",    "HAWAII", "PRVI",  "STLRNC",
                                                  "STGEORGE", "STPAUL", "ALASKA"};

  // Reads every region found in the folder. Regions that are missing or unreadable are left out
  // (see problems()).
  explicit NadconGridSet(std::string_view folder);
  // Reads each region from the first of the folders that holds it readable.
  explicit NadconGridSet(const std::vector<std::string>& folders);

  // The regions read, in order of preference: smaller grids first (the island grids lie inside
  // ALASKA and are more detailed; CONUS, slightly smaller than ALASKA, wins where the two meet
  // over the Pacific), NADCON's own order between equal sizes.
  const std::vector<NadconGrid>& regions() const noexcept { return m_regions; }
  // One line per region that could not be read: "REGION: reason".
  const std::vector<std::string>& problems() const noexcept { return m_problems; }

  // The preferred region holding the NAD27 position, trying the longitude also 360 degrees
  // west and east (ALASKA runs from -194 to -128, so 172 east lies at -188 on it); `gridLon` is
  // the longitude as that grid sees it. nullptr outside every region.
  const NadconGrid* regionFor(Double lat, Double lon, Double& gridLon) const noexcept;

  // NAD27 to NAD83 and back. Status 0 (shifted) or DATUM_S_OUTSIDEGRIDS, DATUM_S_NOGRIDS,
  // DATUM_S_NOCONVERGENCE; the outputs are written only on success. The way back iterates
  // until the NAD27 position moves less than 1e-9 degrees.
  Integer toNad83(Double lat27, Double lon27, Double& lat83, Double& lon83) const noexcept;
  Integer toNad27(Double lat83, Double lon83, Double& lat27, Double& lon27) const noexcept;

 private:
  std::vector<NadconGrid> m_regions;
  std::vector<std::string> m_problems;
};

// Where the process looks for the grids, in order: the "NADCON" folder under the base
// directory, then the "nadcon" folder of the library's installed data.
std::vector<std::string> nadconFolders();

// The grid set of nadconFolders(), read on first use and kept for the life of the process (read
// again only if TESSAGLYPH_HOME changes).
std::shared_ptr<const NadconGridSet> nadconGrids();

// The grid shift between datum shift codes: 1 is NAD27, 4 is NAD83 (and the datums treated as
// NAD83). A code of 0 ("No Adjustment") stands for no datum at all, so nothing moves and the
// status is 0. Any other pair reports DATUM_S_NOSHIFT. On failure the outputs hold the input.
void gridShift(Integer fromCode, Integer toCode, Double lat, Double lon, Double& shiftedLat,
               Double& shiftedLon, Integer& status, const NadconGridSet& grids) noexcept;

}  // namespace tg
