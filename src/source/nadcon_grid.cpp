#include "source/nadcon_grid.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>

#include "source/datum_status.hpp"
#include "support/paths.hpp"
#include "support/trace.hpp"

namespace tg {

namespace {

constexpr std::size_t kHeaderBytes = 96;
// Far beyond any grid NGS made (the largest, ALASKA, is 529 by 249), small enough that the
// record arithmetic cannot overflow.
constexpr Long kMaxDimension = 100000;
// Slack at the borders, in cells.
constexpr double kBorderSlack = 1e-5;

std::uint32_t littleEndian32(const unsigned char* bytes) {
  return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
         std::uint32_t(bytes[3]) << 24;
}

Long readLong(const std::vector<unsigned char>& data, std::size_t offset) {
  return static_cast<Long>(littleEndian32(data.data() + offset));
}

float readFloat(const std::vector<unsigned char>& data, std::size_t offset) {
  return std::bit_cast<float>(littleEndian32(data.data() + offset));
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>& data) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size < 0) return false;
  data.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(data.data()), size));
}

struct Header {
  Long columns, rows;
  float xmin, dx, ymin, dy;
  bool operator==(const Header&) const = default;
};

// Reads one grid file into `values` (row by row, south first). Empty result on success, else
// the reason.
std::string readGridFile(const std::string& path, Header& header, std::vector<Single>& values) {
  std::vector<unsigned char> data;
  if (!readWholeFile(path, data)) return "cannot read " + path;
  if (data.size() < kHeaderBytes) return path + " is shorter than a header";
  header = {readLong(data, 64),  readLong(data, 68),  readFloat(data, 76),
            readFloat(data, 80), readFloat(data, 84), readFloat(data, 88)};
  if (header.columns < 2 || header.rows < 2 || header.columns > kMaxDimension ||
      header.rows > kMaxDimension)
    return path + " has an impossible grid size";
  if (!(std::isfinite(header.xmin) && std::isfinite(header.ymin) && header.dx > 0 &&
        header.dy > 0 && std::isfinite(header.dx) && std::isfinite(header.dy)))
    return path + " has an impossible origin or spacing";
  const std::size_t columns = static_cast<std::size_t>(header.columns);
  const std::size_t rows = static_cast<std::size_t>(header.rows);
  const std::size_t record = (columns + 1) * 4;
  if (record < kHeaderBytes || data.size() != record * (rows + 1))
    return path + " does not hold the records its header announces";

  values.resize(columns * rows);
  for (std::size_t row = 0; row < rows; ++row) {
    const std::size_t start = record * (row + 1) + 4;  // past the leading int32 of the record
    for (std::size_t column = 0; column < columns; ++column) {
      const float value = readFloat(data, start + 4 * column);
      if (!std::isfinite(value)) return path + " holds a shift that is not a number";
      values[row * columns + column] = value;
    }
  }
  return {};
}

}  // namespace

std::optional<NadconGrid> NadconGrid::read(std::string_view folder, std::string_view region,
                                           std::string& problem) {
  NadconGrid grid;
  Header latHeader{}, lonHeader{};
  const std::string base = joinPath(folder, region);
  problem = readGridFile(resolvePath(base + ".LAS"), latHeader, grid.m_latShift);
  if (problem.empty())
    problem = readGridFile(resolvePath(base + ".LOS"), lonHeader, grid.m_lonShift);
  if (problem.empty() && !(latHeader == lonHeader))
    problem = "the .LAS and .LOS headers of " + base + " differ";
  if (!problem.empty()) return std::nullopt;

  grid.m_region = std::string(region);
  grid.m_columns = latHeader.columns;
  grid.m_rows = latHeader.rows;
  grid.m_xmin = latHeader.xmin;
  grid.m_dx = latHeader.dx;
  grid.m_ymin = latHeader.ymin;
  grid.m_dy = latHeader.dy;
  return grid;
}

bool NadconGrid::contains(Double lat, Double lon) const noexcept {
  const double column = (lon - m_xmin) / m_dx;
  const double row = (lat - m_ymin) / m_dy;
  return column >= -kBorderSlack && column <= (m_columns - 1) + kBorderSlack &&
         row >= -kBorderSlack && row <= (m_rows - 1) + kBorderSlack;
}

void NadconGrid::shiftAt(Double lat, Double lon, Double& latShiftSeconds,
                         Double& lonShiftSecondsWest) const noexcept {
  const double column = std::clamp((lon - m_xmin) / m_dx, 0.0, double(m_columns - 1));
  const double row = std::clamp((lat - m_ymin) / m_dy, 0.0, double(m_rows - 1));
  // The cell's south-west node; on the east or north border the last cell is used.
  const Long i = std::min(static_cast<Long>(column), m_columns - 2);
  const Long j = std::min(static_cast<Long>(row), m_rows - 2);
  const double u = column - i;
  const double v = row - j;
  auto interpolate = [&](const std::vector<Single>& values) {
    const std::size_t sw = index(i, j);
    const std::size_t nw = sw + static_cast<std::size_t>(m_columns);
    return (1 - u) * (1 - v) * values[sw] + u * (1 - v) * values[sw + 1] +
           (1 - u) * v * values[nw] + u * v * values[nw + 1];
  };
  latShiftSeconds = interpolate(m_latShift);
  lonShiftSecondsWest = interpolate(m_lonShift);
}

NadconGridSet::NadconGridSet(std::string_view folder)
    : NadconGridSet(std::vector<std::string>{std::string(folder)}) {}

NadconGridSet::NadconGridSet(const std::vector<std::string>& folders) {
  for (std::string_view region : kRegions) {
    std::string problems;
    for (const std::string& folder : folders) {
      std::string problem;
      if (auto grid = NadconGrid::read(folder, region, problem)) {
        TG_TRACE("nadcon: region " + std::string(region) + " read from " + folder);
        m_regions.push_back(std::move(*grid));
        problems.clear();
        break;
      }
      problems += (problems.empty() ? "" : "; ") + problem;
    }
    if (!problems.empty()) {
      m_problems.push_back(std::string(region) + ": " + problems);
      TG_TRACE("nadcon: region " + std::string(region) + " not used: " + problems);
    }
  }
  // Areas are compared to a ten-thousandth of a square degree: the single-precision spacing of
  // the headers makes grids of one size differ in the last digits (STGEORGE and STPAUL).
  auto roundedArea = [](const NadconGrid& grid) { return std::round(grid.area() * 1e4); };
  std::stable_sort(
      m_regions.begin(), m_regions.end(),
      [&](const NadconGrid& a, const NadconGrid& b) { return roundedArea(a) < roundedArea(b); });
}

const NadconGrid* NadconGridSet::regionFor(Double lat, Double lon, Double& gridLon) const noexcept {
  for (const NadconGrid& grid : m_regions) {
    for (double candidate : {lon, lon - 360.0, lon + 360.0}) {
      if (grid.contains(lat, candidate)) {
        gridLon = candidate;
        return &grid;
      }
    }
  }
  return nullptr;
}

Integer NadconGridSet::toNad83(Double lat27, Double lon27, Double& lat83,
                               Double& lon83) const noexcept {
  if (m_regions.empty()) return DATUM_S_NOGRIDS;
  double gridLon = 0;
  const NadconGrid* grid = regionFor(lat27, lon27, gridLon);
  if (!grid) return DATUM_S_OUTSIDEGRIDS;
  double latShift = 0, lonShiftWest = 0;
  grid->shiftAt(lat27, gridLon, latShift, lonShiftWest);
  lat83 = lat27 + latShift / 3600.0;
  lon83 = lon27 - lonShiftWest / 3600.0;
  return DATUM_S_CONVERTED;
}

Integer NadconGridSet::toNad27(Double lat83, Double lon83, Double& lat27,
                               Double& lon27) const noexcept {
  if (m_regions.empty()) return DATUM_S_NOGRIDS;
  // The shifts are known at NAD27 positions, so the NAD27 position is found by fixed-point
  // iteration: the shift is a few seconds and changes by a small fraction of that across a
  // cell, so each step gains several digits.
  constexpr double kTolerance = 1e-9;
  double lat = lat83, lon = lon83;
  for (int step = 0; step < 20; ++step) {
    double gridLon = 0;
    const NadconGrid* grid = regionFor(lat, lon, gridLon);
    if (!grid) return DATUM_S_OUTSIDEGRIDS;
    double latShift = 0, lonShiftWest = 0;
    grid->shiftAt(lat, gridLon, latShift, lonShiftWest);
    const double nextLat = lat83 - latShift / 3600.0;
    const double nextLon = lon83 + lonShiftWest / 3600.0;
    const bool settled =
        std::abs(nextLat - lat) < kTolerance && std::abs(nextLon - lon) < kTolerance;
    lat = nextLat;
    lon = nextLon;
    if (settled) {
      lat27 = lat;
      lon27 = lon;
      return DATUM_S_CONVERTED;
    }
  }
  return DATUM_S_NOCONVERGENCE;
}

std::vector<std::string> nadconFolders() {
  return {joinPath(baseDirectory(), "NADCON"), joinPath(installedDataFolder(), "nadcon")};
}

std::shared_ptr<const NadconGridSet> nadconGrids() {
  // Keyed by TESSAGLYPH_HOME, which is cheap to read, so that a process (a test run) that moves
  // its base directory finds the grids of the new one; the base directory itself is looked up
  // only when the set is made.
  static std::mutex guard;
  static std::shared_ptr<const NadconGridSet> grids;
  static std::optional<std::string> gridsHome;
  const char* home = std::getenv("TESSAGLYPH_HOME");
  const std::optional<std::string> currentHome =
      home ? std::optional<std::string>(home) : std::nullopt;
  std::lock_guard lock(guard);
  if (!grids || currentHome != gridsHome) {
    grids = std::make_shared<const NadconGridSet>(nadconFolders());
    gridsHome = currentHome;
  }
  return grids;
}

void gridShift(Integer fromCode, Integer toCode, Double lat, Double lon, Double& shiftedLat,
               Double& shiftedLon, Integer& status, const NadconGridSet& grids) noexcept {
  shiftedLat = lat;
  shiftedLon = lon;
  if (fromCode == 0 || toCode == 0 || fromCode == toCode) {
    status = DATUM_S_CONVERTED;
  } else if (fromCode == 1 && toCode == 4) {
    status = grids.toNad83(lat, lon, shiftedLat, shiftedLon);
  } else if (fromCode == 4 && toCode == 1) {
    status = grids.toNad27(lat, lon, shiftedLat, shiftedLon);
  } else {
    status = DATUM_S_NOSHIFT;
  }
}

}  // namespace tg
