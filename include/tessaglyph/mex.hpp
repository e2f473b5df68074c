// TessaglyphMEX: direct grid access. A script whose file is a regular grid declares the grid's
// layout in properties (or in attributes the script works out from the file, "byfile"); the
// machine then reads and writes cells by byte-offset arithmetic instead of running the script's
// data-point code, and gathers interpolation points by offset through one of eight offset
// calculators chosen by the grid's orientation.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "tessaglyph/machine.hpp"
#include "tessaglyph/types.hpp"
#include "tessaglyph/xyz_point.hpp"

namespace tg {

// What loadMEXParameters returns (it never raises them), and the errors the object raises.
enum TG_MEX_ERRORS : std::int32_t {
  TG_MEX_E_OK = 0,
  TG_MEX_E_ERRBASE = 34000,
  TG_MEX_E_NOTMEXCAPABLE = 34001,       // "mex_capable" is not "true"
  TG_MEX_E_MEXERROR = 34002,            // a "byfile" attribute could not be read
  TG_MEX_E_INVALIDMEXSETTING = 34003,   // a layout value breaks its rule
  TG_MEX_E_MEXFILEMISSING = 34004,      // the script named no file for direct access
  TG_MEX_E_INTERPDATAEMPTY = 34005,     // lastInterpData before any gathering
  TG_MEX_E_UNEXPECTEDERROR = 34006,     // anything else went wrong while loading
  TG_MEX_E_CANTWRITEBIGENDIAN = 34007,  // a write in a cell format that cannot be written
};

// ---- Offset calculators -----------------------------------------------------------------------

// The byte offsets of the points gathered around an anchor cell, for one orientation of the
// grid. Points are in the order q0 (0, 0), q1 (0, 1), q2 (1, 1), q3 (1, 0), then for twelve
// points q4 (1, -1), q5 (0, -1), q6 (-1, 0), q7 (-1, 1), q8 (0, 2), q9 (1, 2), q10 (2, 1),
// q11 (2, 0), where (i, j) are grid steps along increasing x and increasing y.
class TessaglyphMEXOffsetCalc {
 public:
  static constexpr std::array<std::array<int, 2>, 12> kPointSteps = {{
      {0, 0},
      {0, 1},
      {1, 1},
      {1, 0},
      {1, -1},
      {0, -1},
      {-1, 0},
      {-1, 1},
      {0, 2},
      {1, 2},
      {2, 1},
      {2, 0},
  }};

  virtual ~TessaglyphMEXOffsetCalc() = default;
  // True for the orientation this calculator serves ("y" or "x", and the steps' signs).
  virtual Boolean isMatch(const std::string& rowaxis, Double columnstep, Double rowstep) const = 0;
  // The offsets of `numPoints` (4 or 12) points, indexed from 0; 5 "Invalid procedure call"
  // for any other count.
  Array<Long> calculate(Long firstOffset, Integer numPoints, Long rowsize, Long recordsize) const;
  // The same into `out` (at least numPoints entries), without allocating.
  void calculateInto(Long firstOffset, Integer numPoints, Long rowsize, Long recordsize,
                     std::span<Long> out) const;
  // The offset change of one step along increasing x and along increasing y.
  virtual Long xStep(Long rowsize, Long recordsize) const = 0;
  virtual Long yStep(Long rowsize, Long recordsize) const = 0;
};

// Rows along y or along x, columns running forwards (+) or backwards (-), rows likewise.
class TessaglyphMEXOffsetCalc1;  // "y", columnstep > 0, rowstep > 0
class TessaglyphMEXOffsetCalc2;  // "y", columnstep < 0, rowstep > 0
class TessaglyphMEXOffsetCalc3;  // "y", columnstep > 0, rowstep < 0
class TessaglyphMEXOffsetCalc4;  // "y", columnstep < 0, rowstep < 0
class TessaglyphMEXOffsetCalc5;  // "x", columnstep > 0, rowstep > 0
class TessaglyphMEXOffsetCalc6;  // "x", columnstep < 0, rowstep > 0
class TessaglyphMEXOffsetCalc7;  // "x", columnstep > 0, rowstep < 0
class TessaglyphMEXOffsetCalc8;  // "x", columnstep < 0, rowstep < 0

// Holds one calculator of each kind and picks the one for an orientation.
class TessaglyphMEXSelector {
 public:
  TessaglyphMEXSelector();
  // The first calculator whose isMatch is true; nullptr when none is (a zero step, an axis
  // other than "y" and "x").
  std::shared_ptr<const TessaglyphMEXOffsetCalc> getCalculator(const std::string& mex_rowaxis,
                                                               Double mex_rowstep,
                                                               Double mex_colstep) const;
  // The calculators in order, 1 to 8.
  const std::array<std::shared_ptr<const TessaglyphMEXOffsetCalc>, 8>& calculators() const {
    return m_calculators;
  }

 private:
  std::array<std::shared_ptr<const TessaglyphMEXOffsetCalc>, 8> m_calculators;
};

// ---- The direct grid-access object ------------------------------------------------------------

class TessaglyphMEX {
 public:
  using Clock = std::function<Single()>;

  // Cell formats: how a value is stored at its offset.
  enum CellFormat : std::int32_t {
    kFloatLittle = 0,
    kLong4Big = 1,
    kInteger2Big = 2,
    kLong4Little = 3,
    kInteger2Little = 4,
    kByteLittle = 5,
    kByteBig = 6,
    kFloatBig = 7,
  };

  // A new object is empty and not ready. The clock gives lastAccess (seconds since midnight):
  // the time of the last read, or of loading the layout before any read.
  TessaglyphMEX();
  explicit TessaglyphMEX(Clock clock);

  Long accessCount() const noexcept { return m_accessCount; }
  Single lastAccess() const noexcept { return m_lastAccess; }
  Boolean ready() const noexcept { return m_ready; }
  Boolean lastInterpDataSet() const noexcept { return m_interpDataSet; }
  // 34005 "There is no interpolation data to provide" before any gathering.
  TG_M_INTERPDATA lastInterpData() const;
  TG_M_INTERPOLATIONMODES interpolationMode() const noexcept { return m_interpolationMode; }
  void setInterpolationMode(TG_M_INTERPOLATIONMODES mode) noexcept { m_interpolationMode = mode; }

  // The byte offset (from 0) of the cell nearest a native position; -1 off the grid or when
  // not ready.
  Long elvOffset(Double natX, Double natY) const noexcept;
  // The nearest grid line, in native coordinates (halves to even).
  // The grid line at or below (the line itself when the position lies on one).
  Double closestX(Double natX) const noexcept;
  Double closestY(Double natY) const noexcept;
  Double greatestSmallerX(Double natX) const noexcept;
  Double greatestSmallerY(Double natY) const noexcept;

  // The value at a native position by interpolationMode: NONE the nearest cell; the others
  // gather points (any missing gives -32101) and give z[0] (CLOSESTPOINT), the largest (MAX4)
  // or the interpolation (4 and 12 points). -32100 off the grid or at a void, -52000 when the
  // file cannot be read.
  Single pointElv(Double natX, Double natY);
  // Writes the nearest cell: the value is stored so that it reads back (less the incrementor,
  // divided by the multiplier), rounded for integer cells. A void (the machine's data-void
  // value) is stored as it is. 34002 off the grid, 34007 for big-endian floats, 6 for a value
  // the cell cannot hold, and the file layer's errors.
  void setPointElv(Double natX, Double natY, Single value);
  // Gathers the 4 points (12 in TG_M_IM_12POINT) around a native position; a point off the
  // grid or void has z = -32100.
  TG_M_INTERPDATA interpData(Double natX, Double natY);

  void resetAccessData() noexcept { m_accessCount = 0; }
  // Forgets the layout; not ready.
  void Clear() noexcept;
  // Reads the layout from the machine's script. Returns 0 and becomes ready, or one of 34001 to
  // 34006 and stays not ready; raises nothing.
  TG_MEX_ERRORS loadMEXParameters(TessaglyphMachine& machine);

  // The row and column nearest a native position (not limited to the grid).
  void ClosestRowCol(Double natX, Double natY, Long& row, Long& col) const noexcept;
  // The position and value of a cell; IsGood false off the grid, at a void or on a failed read.
  std::shared_ptr<XYZPoint> PointRowCol(Long row, Long col);
  Long NumRows() const noexcept { return m_numRows; }
  Long NumColumns() const noexcept { return m_numColumns; }
  // Scans every cell for the highest and lowest values that are not void. With ShowProgress a
  // progress window runs, and a cancel request asks whether to stop. True when the scan ran to
  // the end and found a value.
  Boolean GetHiLoValues(std::shared_ptr<XYZPoint>& pHi, std::shared_ptr<XYZPoint>& pLo,
                        Boolean ShowProgress);

  // The layout as loaded (for tools and tests).
  CellFormat cellFormat() const noexcept { return m_cellFormat; }
  Long rowSize() const noexcept { return m_rowSize; }
  const TessaglyphMEXOffsetCalc* offsetCalculator() const noexcept { return m_calculator.get(); }

 private:
  struct Axis {
    Double start = 0;
    Double step = 1;
  };
  TG_MEX_ERRORS readParameters(TessaglyphMachine& machine);
  const Axis& xAxis() const noexcept { return m_rowAxisX ? m_rows : m_columns; }
  const Axis& yAxis() const noexcept { return m_rowAxisX ? m_columns : m_rows; }
  // The whole steps from the axis start to the grid line at or below a coordinate, and that line.
  static Long stepsBelow(const Axis& axis, Double coordinate) noexcept;
  static Double gridLineBelow(const Axis& axis, Double coordinate) noexcept;
  Long offsetOf(Long row, Long col) const noexcept;
  bool onGrid(Long row, Long col) const noexcept {
    return row >= 0 && row < m_numRows && col >= 0 && col < m_numColumns;
  }
  // The value of the cell at an offset: -32100 for a void, -52000 when the read fails.
  Single readCell(Long offset) noexcept;
  // Copies the cell's bytes; false when the file cannot give them.
  bool copyCell(Long offset, unsigned char* bytes) noexcept;
  // Takes the file's mapping again when it changed since last seen.
  void refreshView() noexcept;
  // A raw cell value as read: -32100 at or below the void, else scaled and offset.
  Single cellValue(Double raw) const noexcept;
  // A 4-point read whose four cells lie inside the grid and in the mapping, none void, with the
  // trace off: the same gathering record and value as gather and combine, in one pass. False,
  // with nothing changed, for any other read.
  bool readInnerCell(Double natX, Double natY, Single& value) noexcept;
  // Fills m_interpData; returns the number of missing points.
  Integer gather(Double natX, Double natY, Integer count);
  Single combine(TG_M_INTERPOLATIONMODES mode) const;
  // The cell's position in native coordinates.
  void cellPosition(Long row, Long col, Double& x, Double& y) const noexcept;

  Clock m_clock;
  // The clock's function when it is a plain one (the default is): called without the wrapper.
  Single (*m_plainClock)() noexcept = nullptr;
  Single now() { return m_plainClock != nullptr ? m_plainClock() : m_clock(); }
  bool m_ready = false;
  Integer m_file = -1;
  Single m_voidValue = -32100;

  Long m_tableOffset = 0;
  Long m_valueOffset = 0;
  Axis m_columns;  // colstart, columnstep
  Axis m_rows;     // rowstart, rowstep
  Long m_numColumns = 0;
  Long m_numRows = 0;
  Long m_recordSize = 0;
  Long m_rowHeaderSize = 0;
  Long m_rowSize = 0;  // as worked out ("automatic" resolved)
  bool m_rowAxisX = false;
  Double m_incrementor = 0;
  Double m_multiplier = 1;
  CellFormat m_cellFormat = kFloatLittle;
  Integer m_cellWidth = 4;
  std::shared_ptr<const TessaglyphMEXOffsetCalc> m_calculator;

  TG_M_INTERPOLATIONMODES m_interpolationMode = TG_M_IM_NONE;
  TG_M_INTERPDATA m_interpData;
  bool m_interpDataSet = false;
  Integer m_missingPoints = 0;
  Long m_accessCount = 0;
  Single m_lastAccess = 0;

  // The file's mapped bytes as last seen, good while the file layer's mapping generation is
  // m_viewGeneration.
  const unsigned char* m_viewData = nullptr;
  std::size_t m_viewLength = 0;
  const std::atomic<bool>* m_viewCut = nullptr;
  std::uint64_t m_viewGeneration = ~std::uint64_t(0);
};

}  // namespace tg
