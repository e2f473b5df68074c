// Direct grid access: the layout read from the script, cell reads and writes by offset, the
// grid lines of manual interpolation, and the gathering of interpolation points by offset.
#include "tessaglyph/mex.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "source/elevation_helpers.hpp"
#include "source/point_interpolation.hpp"
#include "support/byte_order.hpp"
#include "support/conversions.hpp"
#include "support/file_layer.hpp"
#include "support/text.hpp"
#include "support/timer.hpp"
#include "support/trace.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

namespace {

constexpr Single kNoPoint = Single(TG_M_DPEC_NONEXISTENTPOINT);

// A count of grid steps rounded to the nearest whole number, halves to even, held in Long range
// so that a position far off the grid stays far off it. Adding and taking away 1.5 * 2^52 rounds
// by the current (nearest, halves to even) rounding mode without a library call.
Long nearestStep(Double steps) noexcept {
  if (!(steps == steps)) return std::numeric_limits<Long>::min();
  constexpr Double kRound = 6755399441055744.0;
  const Double clamped = std::clamp<Double>(steps, -2147483648.0, 2147483647.0);
  return Long((clamped + kRound) - kRound);
}

// The same truncated toward zero.
Long truncatedStep(Double steps) noexcept {
  if (!(steps == steps)) return std::numeric_limits<Long>::min();
  return Long(std::clamp<Double>(steps, -2147483648.0, 2147483647.0));
}

// The coordinate some whole cells from an anchor, counted up the coordinates whichever way the
// axis runs.
Double cellsUp(Double anchor, int cells, Double step) noexcept {
  return anchor + Double(cells) * std::abs(step);
}

// The raw value of a cell's bytes in a format (a byte cell reads its first byte only).
[[gnu::always_inline]] inline Double rawCell(TessaglyphMEX::CellFormat format,
                                             const unsigned char* bytes) noexcept {
  const auto wide = [&](bool big) {
    std::uint32_t word = 0;
    std::memcpy(&word, bytes, 4);
    const bool hostBig = std::endian::native == std::endian::big;
    return big == hostBig ? word : std::uint32_t(swapBytes4(Long(word)));
  };
  switch (format) {
    case TessaglyphMEX::kFloatLittle:
      return Double(std::bit_cast<float>(wide(false)));
    case TessaglyphMEX::kFloatBig:
      return Double(std::bit_cast<float>(wide(true)));
    case TessaglyphMEX::kLong4Little:
      return Double(std::int32_t(wide(false)));
    case TessaglyphMEX::kLong4Big:
      return Double(std::int32_t(wide(true)));
    case TessaglyphMEX::kInteger2Big:
      return Double(std::int16_t(std::uint16_t(bytes[0] << 8 | bytes[1])));
    case TessaglyphMEX::kInteger2Little:
      return Double(std::int16_t(std::uint16_t(bytes[0] | bytes[1] << 8)));
    case TessaglyphMEX::kByteLittle:
    case TessaglyphMEX::kByteBig:
      return Double(bytes[0]);
  }
  return 0;
}

// One layout value: the property, or with "byfile" the attribute of the same name.
class LayoutReader {
 public:
  explicit LayoutReader(TessaglyphMachine& machine) : m_machine(machine) {}

  // The value's text, lower case and trimmed; nullopt when a "byfile" attribute failed.
  std::optional<std::string> text(const char* name) {
    std::string value(trimBlanks(m_machine.getPropertyValue(name)));
    if (value != "byfile") return value;
    const Integer index = m_machine.getAttributeIndex(name);
    if (index < 0) return std::nullopt;
    try {
      return toLower(std::string(trimBlanks(m_machine.attribute_read(index))));
    } catch (const Error&) {
      return std::nullopt;
    }
  }

 private:
  TessaglyphMachine& m_machine;
};

struct LoadFailure {
  TG_MEX_ERRORS code;
};

}  // namespace

// Every read takes the time, so the clock is the cheap one.
TessaglyphMEX::TessaglyphMEX() : TessaglyphMEX(Clock(&coarseTimer)) {}

TessaglyphMEX::TessaglyphMEX(Clock clock) : m_clock(std::move(clock)) {
  if (auto* plain = m_clock.target<Single (*)() noexcept>()) m_plainClock = *plain;
}

TG_M_INTERPDATA TessaglyphMEX::lastInterpData() const {
  if (!m_interpDataSet) {
    throw Error(TG_MEX_E_INTERPDATAEMPTY, "TessaglyphMEX::lastInterpData Get",
                "There is no interpolation data to provide");
  }
  return m_interpData;
}

void TessaglyphMEX::Clear() noexcept {
  const Clock clock = m_clock;
  *this = TessaglyphMEX(clock);
}

// ---- Loading ----------------------------------------------------------------------------------

TG_MEX_ERRORS TessaglyphMEX::loadMEXParameters(TessaglyphMachine& machine) {
  Clear();
  try {
    const TG_MEX_ERRORS code = readParameters(machine);
    if (code != TG_MEX_E_OK) Clear();
    return code;
  } catch (...) {
    Clear();
    return TG_MEX_E_UNEXPECTEDERROR;
  }
}

TG_MEX_ERRORS TessaglyphMEX::readParameters(TessaglyphMachine& machine) {
  if (trimBlanks(machine.getPropertyValue("mex_capable")) != "true") return TG_MEX_E_NOTMEXCAPABLE;
  LayoutReader reader(machine);
  auto text = [&](const char* name) -> std::string {
    std::optional<std::string> value = reader.text(name);
    if (!value) throw LoadFailure{TG_MEX_E_MEXERROR};
    return *value;
  };
  auto number = [&](const char* name) -> Double {
    const std::optional<double> value = parseNumber(text(name));
    if (!value || !std::isfinite(*value)) throw LoadFailure{TG_MEX_E_INVALIDMEXSETTING};
    return *value;
  };
  auto whole = [&](const char* name, Long least) -> Long {
    const Double value = number(name);
    if (value < Double(least) || value > 2147483647.0) {
      throw LoadFailure{TG_MEX_E_INVALIDMEXSETTING};
    }
    return Long(std::nearbyint(value));
  };

  try {
    m_tableOffset = whole("mex_tableoffset", 0);
    m_valueOffset = whole("mex_valueoffset", 0);
    m_columns.start = number("mex_colstart");
    m_rows.start = number("mex_rowstart");
    m_columns.step = number("mex_columnstep");
    m_rows.step = number("mex_rowstep");
    if (m_columns.step == 0 || m_rows.step == 0) return TG_MEX_E_INVALIDMEXSETTING;
    m_numColumns = whole("mex_numcolumns", 1);
    m_numRows = whole("mex_numrows", 1);
    m_recordSize = whole("mex_recordsize", std::numeric_limits<Long>::min());
    m_rowHeaderSize = whole("mex_rowheadersize", 0);
    const std::string rowSize = text("mex_rowsize");
    if (rowSize == "automatic") {
      m_rowSize = -1;
    } else {
      const std::optional<double> value = parseNumber(rowSize);
      if (!value || !(*value == -1 || (*value > 0 && *value <= 2147483647.0))) {
        return TG_MEX_E_INVALIDMEXSETTING;
      }
      m_rowSize = Long(std::nearbyint(*value));
    }
    const std::string axis = text("mex_rowaxis");
    if (axis != "y" && axis != "x") return TG_MEX_E_INVALIDMEXSETTING;
    m_rowAxisX = axis == "x";
    const std::string endian = text("mex_endian");
    if (endian != "big" && endian != "little") return TG_MEX_E_INVALIDMEXSETTING;
    const bool big = endian == "big";
    m_incrementor = number("mex_incrementor");
    m_multiplier = number("mex_multiplier");

    // The value's width from its type: "mex_dataoverride" names a script data type (1 unsigned
    // integer, one byte; 2 integer, two bytes; doubles and text have no cell format), and
    // "unspecified" takes the cell type of the "datapoint" attribute.
    int width = 0;
    const std::string override = text("mex_dataoverride");
    if (override == "unspecified") {
      const Integer datapoint = machine.getAttributeIndex("datapoint");
      if (datapoint < 0) return TG_MEX_E_INVALIDMEXSETTING;
      switch (machine.Attributes(datapoint).dataType) {
        case TG_M_DT_UNSIGNEDINTEGER:
          width = 1;
          break;
        case TG_M_DT_INTEGER2:
          width = 2;
          break;
        case TG_M_DT_INTEGER4:
        case TG_M_DT_SINGLE:
          width = 4;
          break;
        default:
          return TG_MEX_E_INVALIDMEXSETTING;
      }
    } else if (override == "1") {
      width = 1;
    } else if (override == "2") {
      width = 2;
    } else {
      return TG_MEX_E_INVALIDMEXSETTING;
    }
    m_cellWidth = width;
    const std::string kind = text("pixeltype");
    if (kind == "float") {
      if (width != 4) return TG_MEX_E_INVALIDMEXSETTING;
      m_cellFormat = big ? kFloatBig : kFloatLittle;
    } else if (kind == "signedint") {
      m_cellFormat = width == 4   ? (big ? kLong4Big : kLong4Little)
                     : width == 2 ? (big ? kInteger2Big : kInteger2Little)
                                  : (big ? kByteBig : kByteLittle);
    } else {
      return TG_MEX_E_INVALIDMEXSETTING;
    }
  } catch (const LoadFailure& failure) {
    return failure.code;
  }

  static const TessaglyphMEXSelector selector;
  m_calculator = selector.getCalculator(m_rowAxisX ? "x" : "y", m_rows.step, m_columns.step);
  if (!m_calculator) return TG_MEX_E_INVALIDMEXSETTING;
  const long long automatic = (long long)m_numColumns * m_recordSize + m_rowHeaderSize;
  if (m_rowSize == -1) {
    if (automatic <= 0 || automatic > std::numeric_limits<Long>::max()) {
      return TG_MEX_E_INVALIDMEXSETTING;
    }
    m_rowSize = Long(automatic);
  }

  m_file = machine.mexFile();
  if (m_file == -1) return TG_MEX_E_MEXFILEMISSING;
  m_voidValue = machine.datavoidValue();
  m_ready = true;
  // A grid just made ready counts as just used, as a file just opened does.
  m_lastAccess = now();
  return TG_MEX_E_OK;
}

// ---- Geometry ---------------------------------------------------------------------------------

void TessaglyphMEX::ClosestRowCol(Double natX, Double natY, Long& row, Long& col) const noexcept {
  const Double rowCoordinate = m_rowAxisX ? natX : natY;
  const Double columnCoordinate = m_rowAxisX ? natY : natX;
  row = nearestStep((rowCoordinate - m_rows.start) / m_rows.step);
  col = nearestStep((columnCoordinate - m_columns.start) / m_columns.step);
}

Long TessaglyphMEX::offsetOf(Long row, Long col) const noexcept {
  return m_tableOffset + row * m_rowSize + m_rowHeaderSize + col * m_recordSize + m_valueOffset;
}

Long TessaglyphMEX::elvOffset(Double natX, Double natY) const noexcept {
  if (!m_ready) return -1;
  Long row = 0;
  Long col = 0;
  ClosestRowCol(natX, natY, row, col);
  if (!onGrid(row, col)) return -1;
  return offsetOf(row, col);
}

Double TessaglyphMEX::closestX(Double natX) const noexcept {
  const Axis& axis = xAxis();
  return axis.start + axis.step * Double(nearestStep((natX - axis.start) / axis.step));
}

Double TessaglyphMEX::closestY(Double natY) const noexcept {
  const Axis& axis = yAxis();
  return axis.start + axis.step * Double(nearestStep((natY - axis.start) / axis.step));
}

// The grid line at or below a coordinate: the whole steps from the start, truncated toward zero,
// and one more on a backward axis (where counting up moves down the coordinates).
Long TessaglyphMEX::stepsBelow(const Axis& axis, Double coordinate) noexcept {
  const Long steps = truncatedStep((coordinate - axis.start) / axis.step);
  return axis.step < 0 && steps < std::numeric_limits<Long>::max() ? steps + 1 : steps;
}

Double TessaglyphMEX::gridLineBelow(const Axis& axis, Double coordinate) noexcept {
  return axis.start + axis.step * Double(stepsBelow(axis, coordinate));
}

Double TessaglyphMEX::greatestSmallerX(Double natX) const noexcept {
  return gridLineBelow(xAxis(), natX);
}

Double TessaglyphMEX::greatestSmallerY(Double natY) const noexcept {
  return gridLineBelow(yAxis(), natY);
}

void TessaglyphMEX::cellPosition(Long row, Long col, Double& x, Double& y) const noexcept {
  const Double rowCoordinate = m_rows.start + m_rows.step * Double(row);
  const Double columnCoordinate = m_columns.start + m_columns.step * Double(col);
  x = m_rowAxisX ? rowCoordinate : columnCoordinate;
  y = m_rowAxisX ? columnCoordinate : rowCoordinate;
}

// ---- Cells ------------------------------------------------------------------------------------

// The cell's bytes: straight from the file's mapping while it holds them (no look-up, no call),
// else through the file layer, which also answers for a file cut short under the mapping.
// Both are inlined into the reads that call them (they are this file's own).
[[gnu::always_inline]] inline void TessaglyphMEX::refreshView() noexcept {
  if (m_viewGeneration == mappingGeneration()) return;
  const MappedFileView view = mappedFileView(m_file);
  m_viewData = view.data;
  m_viewLength = view.length;
  m_viewCut = view.cut;
  m_viewGeneration = mappingGeneration();
}

[[gnu::always_inline]] inline bool TessaglyphMEX::copyCell(Long offset,
                                                           unsigned char* bytes) noexcept {
  refreshView();
  const auto width = std::size_t(m_cellWidth);
  if (m_viewData != nullptr && offset >= 0 && std::size_t(offset) <= m_viewLength &&
      width <= m_viewLength - std::size_t(offset)) {
    const unsigned char* at = m_viewData + offset;
    switch (width) {  // copies of a known size compile to single loads
      case 4:
        std::memcpy(bytes, at, 4);
        break;
      case 2:
        std::memcpy(bytes, at, 2);
        break;
      default:
        bytes[0] = at[0];
        break;
    }
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (!m_viewCut->load(std::memory_order_relaxed)) return true;
  }
  try {
    readFileAt(m_file, offset + 1, bytes, width);
    return true;
  } catch (...) {
    return false;
  }
}

[[gnu::always_inline]] inline Single TessaglyphMEX::cellValue(Double raw) const noexcept {
  if (raw <= Double(m_voidValue) || raw != raw) return kNoPoint;
  return Single(raw * m_multiplier + m_incrementor);
}

[[gnu::always_inline]] inline Single TessaglyphMEX::readCell(Long offset) noexcept {
  unsigned char bytes[4] = {};
  if (!copyCell(offset, bytes)) return Single(TG_M_DPEC_RETRIEVALERROR);
  return cellValue(rawCell(m_cellFormat, bytes));
}

// A closest read is a handful of steps, all inlined here; gathering and combining stay calls.
[[gnu::flatten]] Single TessaglyphMEX::pointElv(Double natX, Double natY) {
  ++m_accessCount;
  m_lastAccess = now();
  if (m_interpolationMode == TG_M_IM_NONE) {
    const Long offset = elvOffset(natX, natY);
    return offset == -1 ? kNoPoint : readCell(offset);
  }
  if (m_interpolationMode == TG_M_IM_4POINT) {
    Single value = 0;
    if (readInnerCell(natX, natY, value)) return value;
  }
  const Integer count = m_interpolationMode == TG_M_IM_12POINT ? 12 : 4;
  if (gather(natX, natY, count) > 0) return Single(TG_M_DPEC_NOTENOUGHINTERPDATA);
  return combine(m_interpolationMode);
}

namespace {

// The four corners of a cell in the gathering order, decoded in one known format.
template <TessaglyphMEX::CellFormat format>
std::array<Double, 4> rawCorners(const unsigned char* anchor, std::ptrdiff_t dx,
                                 std::ptrdiff_t dy) noexcept {
  return {rawCell(format, anchor), rawCell(format, anchor + dy), rawCell(format, anchor + dx + dy),
          rawCell(format, anchor + dx)};
}

}  // namespace

// Most 4-point reads fall inside the grid; they need none of the gathering's general cases
// (points off the grid or past the mapping, voids, the trace), so they are served here and the
// rest go through gather. The record and the value are those gather and combine would give.
[[gnu::noinline]] bool TessaglyphMEX::readInnerCell(Double natX, Double natY,
                                                    Single& value) noexcept {
  if (!m_ready || traceEnabled()) return false;
  refreshView();
  if (m_viewData == nullptr) return false;
  const Axis& x = xAxis();
  const Axis& y = yAxis();
  const Long xSteps = stepsBelow(x, natX);
  const Long ySteps = stepsBelow(y, natY);
  const Long anchorRow = m_rowAxisX ? xSteps : ySteps;
  const Long anchorCol = m_rowAxisX ? ySteps : xSteps;
  if (!onGrid(anchorRow, anchorCol)) return false;
  // A step along increasing x or y is one row or column forwards or backwards.
  const Long xSign = x.step > 0 ? 1 : -1;
  const Long ySign = y.step > 0 ? 1 : -1;
  if (!onGrid(anchorRow + (m_rowAxisX ? xSign : ySign), anchorCol + (m_rowAxisX ? ySign : xSign)))
    return false;
  const auto dx = std::ptrdiff_t(xSign) * (m_rowAxisX ? m_rowSize : m_recordSize);
  const auto dy = std::ptrdiff_t(ySign) * (m_rowAxisX ? m_recordSize : m_rowSize);
  const auto anchor = std::ptrdiff_t(offsetOf(anchorRow, anchorCol));
  const std::ptrdiff_t first =
      anchor + std::min<std::ptrdiff_t>(dx, 0) + std::min<std::ptrdiff_t>(dy, 0);
  const std::ptrdiff_t last =
      anchor + std::max<std::ptrdiff_t>(dx, 0) + std::max<std::ptrdiff_t>(dy, 0);
  if (first < 0 || std::size_t(last) + std::size_t(m_cellWidth) > m_viewLength) return false;

  const unsigned char* at = m_viewData + anchor;
  std::array<Double, 4> raw{};
  switch (m_cellFormat) {
    case kFloatLittle:
      raw = rawCorners<kFloatLittle>(at, dx, dy);
      break;
    case kFloatBig:
      raw = rawCorners<kFloatBig>(at, dx, dy);
      break;
    case kLong4Little:
      raw = rawCorners<kLong4Little>(at, dx, dy);
      break;
    case kLong4Big:
      raw = rawCorners<kLong4Big>(at, dx, dy);
      break;
    case kInteger2Big:
      raw = rawCorners<kInteger2Big>(at, dx, dy);
      break;
    case kInteger2Little:
      raw = rawCorners<kInteger2Little>(at, dx, dy);
      break;
    case kByteLittle:
    case kByteBig:
      raw = rawCorners<kByteLittle>(at, dx, dy);
      break;
  }
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (m_viewCut->load(std::memory_order_relaxed)) return false;
  std::array<Single, 4> z{};
  for (std::size_t k = 0; k < 4; ++k) {
    z[k] = cellValue(raw[k]);
    // A missing point, or a value that reads as a failed read, takes the general way.
    if (z[k] == kNoPoint || z[k] == Single(TG_M_DPEC_RETRIEVALERROR)) return false;
  }

  const Double anchorX = x.start + x.step * Double(xSteps);
  const Double anchorY = y.start + y.step * Double(ySteps);
  const std::array<Double, 2> cornerX = {cellsUp(anchorX, 0, x.step), cellsUp(anchorX, 1, x.step)};
  const std::array<Double, 2> cornerY = {cellsUp(anchorY, 0, y.step), cellsUp(anchorY, 1, y.step)};
  if (!combineCellCorners(natX, natY, cornerX[0], cornerY[0], cornerX[1], cornerY[1], z, value))
    return false;

  TG_M_INTERPDATA& data = m_interpData;
  for (Integer k = 4; k < data.numPoints; ++k) {
    data.x[std::size_t(k)] = 0;
    data.y[std::size_t(k)] = 0;
    data.z[std::size_t(k)] = 0;
  }
  data.targetX = natX;
  data.targetY = natY;
  data.numPoints = 4;
  m_missingPoints = 0;
  m_interpDataSet = true;
  for (std::size_t k = 0; k < 4; ++k) {
    const auto& step = TessaglyphMEXOffsetCalc::kPointSteps[k];
    data.x[k] = cornerX[std::size_t(step[0])];
    data.y[k] = cornerY[std::size_t(step[1])];
    data.z[k] = z[k];
  }
  return true;
}

[[gnu::noinline]] Single TessaglyphMEX::combine(TG_M_INTERPOLATIONMODES mode) const {
  const TG_M_INTERPDATA& data = m_interpData;
  for (Integer k = 0; k < data.numPoints; ++k) {
    if (data.z[std::size_t(k)] == Single(TG_M_DPEC_RETRIEVALERROR)) return data.z[std::size_t(k)];
  }
  switch (mode) {
    case TG_M_IM_CLOSESTPOINT:
      return data.z[0];
    case TG_M_IM_MAX4:
      return *std::max_element(data.z.begin(), data.z.begin() + 4);
    case TG_M_IM_4POINT:
      return combineGridCorners(data);
    default:
      return combineInterpolationData(inMachinePointOrder(data), mode);
  }
}

[[gnu::noinline]] Integer TessaglyphMEX::gather(Double natX, Double natY, Integer count) {
  TG_M_INTERPDATA& data = m_interpData;
  // Only the places of the points gathered are written below; those of a larger earlier
  // gathering are cleared.
  for (Integer k = count; k < data.numPoints; ++k) {
    data.x[std::size_t(k)] = 0;
    data.y[std::size_t(k)] = 0;
    data.z[std::size_t(k)] = 0;
  }
  data.targetX = natX;
  data.targetY = natY;
  data.numPoints = count;
  m_missingPoints = 0;
  m_interpDataSet = true;
  if (!m_ready) {
    for (Integer k = 0; k < count; ++k) {
      data.x[std::size_t(k)] = 0;
      data.y[std::size_t(k)] = 0;
      data.z[std::size_t(k)] = kNoPoint;
    }
    m_missingPoints = count;
    return count;
  }

  // The anchor, and its row and column, from the whole steps below the position.
  const Long xSteps = stepsBelow(xAxis(), natX);
  const Long ySteps = stepsBelow(yAxis(), natY);
  const Double anchorX = xAxis().start + xAxis().step * Double(xSteps);
  const Double anchorY = yAxis().start + yAxis().step * Double(ySteps);
  const Long anchorRow = m_rowAxisX ? xSteps : ySteps;
  const Long anchorCol = m_rowAxisX ? ySteps : xSteps;
  // An anchor more than two cells off the grid has no point on it (and its offsets would not
  // fit a Long).
  const bool nearGrid = anchorRow >= -2 && anchorRow <= m_numRows + 1 && anchorCol >= -2 &&
                        anchorCol <= m_numColumns + 1;
  std::array<Long, 12> offsets{};
  if (nearGrid) {
    m_calculator->calculateInto(offsetOf(anchorRow, anchorCol), count, m_rowSize, m_recordSize,
                                offsets);
  }
  // The points lie on two or more rows, each likely a cache miss: ask for them all at once, so
  // that the misses overlap instead of following one another.
  if (nearGrid && m_viewData != nullptr) {
    for (Integer k = 0; k < count; ++k) {
      const Long offset = offsets[std::size_t(k)];
      if (offset >= 0 && std::size_t(offset) < m_viewLength)
        __builtin_prefetch(m_viewData + offset);
    }
  }
  const Axis& x = xAxis();
  const Axis& y = yAxis();
  // A step along increasing x or y is one row or column forwards or backwards.
  const Long xSign = x.step > 0 ? 1 : -1;
  const Long ySign = y.step > 0 ? 1 : -1;
  for (Integer k = 0; k < count; ++k) {
    const auto i = TessaglyphMEXOffsetCalc::kPointSteps[std::size_t(k)][0];
    const auto j = TessaglyphMEXOffsetCalc::kPointSteps[std::size_t(k)][1];
    const Long row = nearGrid ? anchorRow + (m_rowAxisX ? i * xSign : j * ySign) : -1;
    const Long col = nearGrid ? anchorCol + (m_rowAxisX ? j * ySign : i * xSign) : -1;
    data.x[std::size_t(k)] = cellsUp(anchorX, i, x.step);
    data.y[std::size_t(k)] = cellsUp(anchorY, j, y.step);
    Single z = kNoPoint;
    if (onGrid(row, col)) z = readCell(offsets[std::size_t(k)]);
    if (z == kNoPoint) ++m_missingPoints;
    data.z[std::size_t(k)] = z;
    TG_TRACE("mex.interpData i = " + std::to_string(k) +
             ", x = " + doubleToText(data.x[std::size_t(k)]) +
             ", y = " + doubleToText(data.y[std::size_t(k)]) + ", z = " + singleToText(z) +
             ", row = " + longToText(row) + ", col = " + longToText(col) +
             ", offsets = " + longToText(offsets[std::size_t(k)]) +
             ", targetX = " + doubleToText(natX) + ", targetY = " + doubleToText(natY) +
             ", m_idataMissingPoints = " + std::to_string(m_missingPoints));
  }
  return m_missingPoints;
}

TG_M_INTERPDATA TessaglyphMEX::interpData(Double natX, Double natY) {
  gather(natX, natY, m_interpolationMode == TG_M_IM_12POINT ? 12 : 4);
  return m_interpData;
}

std::shared_ptr<XYZPoint> TessaglyphMEX::PointRowCol(Long row, Long col) {
  ++m_accessCount;
  m_lastAccess = now();
  auto point = std::make_shared<XYZPoint>();
  Double x = 0;
  Double y = 0;
  cellPosition(row, col, x, y);
  point->setX(x);
  point->setY(y);
  point->setZ(kNoPoint);
  if (m_ready && onGrid(row, col)) {
    const Single z = readCell(offsetOf(row, col));
    point->setZ(z);
    point->setIsGood(z != kNoPoint && z != Single(TG_M_DPEC_RETRIEVALERROR));
  }
  return point;
}

// ---- Writing ----------------------------------------------------------------------------------

void TessaglyphMEX::setPointElv(Double natX, Double natY, Single value) {
  constexpr const char* kSource = "TessaglyphMEX::pointElv Let";
  const Long offset = elvOffset(natX, natY);
  if (offset == -1) {
    throw Error(TG_MEX_E_MEXERROR, kSource, "The position lies outside the grid");
  }
  const Double raw =
      value == m_voidValue ? Double(value) : (Double(value) - m_incrementor) / m_multiplier;
  unsigned char bytes[4] = {};
  std::size_t width = 4;
  switch (m_cellFormat) {
    case kFloatLittle: {
      const auto bits = std::bit_cast<std::uint32_t>(toSingle(raw));
      for (int b = 0; b < 4; ++b)
        bytes[b] = static_cast<unsigned char>(bits >> (8 * b));
      break;
    }
    case kFloatBig:
      throw Error(TG_MEX_E_CANTWRITEBIGENDIAN, kSource,
                  "Values cannot be written as big-endian floating-point numbers");
    case kLong4Big:
    case kLong4Little: {
      auto bits = std::uint32_t(roundToLong(raw));
      if (m_cellFormat == kLong4Big) bits = std::uint32_t(swapBytes4(Long(bits)));
      for (int b = 0; b < 4; ++b)
        bytes[b] = static_cast<unsigned char>(bits >> (8 * b));
      break;
    }
    case kInteger2Big:
    case kInteger2Little: {
      const auto bits = std::uint16_t(roundToInteger(raw));
      width = 2;
      const bool big = m_cellFormat == kInteger2Big;
      bytes[big ? 1 : 0] = static_cast<unsigned char>(bits);
      bytes[big ? 0 : 1] = static_cast<unsigned char>(bits >> 8);
      break;
    }
    case kByteLittle:
    case kByteBig:
      width = 1;
      bytes[0] = roundToByte(raw);
      break;
  }
  writeFileAt(m_file, offset + 1, bytes, width);
}

// ---- Highest and lowest -----------------------------------------------------------------------

Boolean TessaglyphMEX::GetHiLoValues(std::shared_ptr<XYZPoint>& pHi, std::shared_ptr<XYZPoint>& pLo,
                                     Boolean ShowProgress) {
  pHi = std::make_shared<XYZPoint>();
  pLo = std::make_shared<XYZPoint>();
  if (!m_ready) return false;
  std::unique_ptr<ProgressWindow> progress;
  if (ShowProgress) {
    progress = userInterface().createProgressWindow("Getting file min/max values");
    progress->setText("Scanning file ...");
    progress->show();
  }
  bool found = false;
  bool cancelled = false;
  for (Long row = 0; row < m_numRows && !cancelled; ++row) {
    for (Long col = 0; col < m_numColumns; ++col) {
      const Single z = readCell(offsetOf(row, col));
      if (z == kNoPoint || z == Single(TG_M_DPEC_RETRIEVALERROR)) continue;
      Double x = 0;
      Double y = 0;
      if (!found || z > pHi->z()) {
        cellPosition(row, col, x, y);
        *pHi = XYZPoint(x, y, z, true);
      }
      if (!found || z < pLo->z()) {
        cellPosition(row, col, x, y);
        *pLo = XYZPoint(x, y, z, true);
      }
      found = true;
    }
    if (progress) {
      progress->setProgress(double(row + 1) / double(m_numRows));
      userInterface().yield();
      if (progress->cancelled()) {
        const std::string prompt =
            std::string("Do you want to CANCEL this scan?") + "\r\n\r\n" +
            "The current values from the file are:" + "\r\n" + "High: " + singleToText(pHi->z()) +
            "\r\n" + "Low: " + singleToText(pLo->z()) + "\r\n\r\n" + "Click Yes to CANCEL" +
            "\r\n" + "Click No to continue scanning the file.";
        cancelled =
            userInterface().messageBox(prompt, MB_YESNO | MB_QUESTION, "Cancel Scan?") == MBR_YES;
      }
    }
  }
  if (progress) progress->hide();
  m_lastAccess = now();
  return found && !cancelled;
}

}  // namespace tg
