// The eight offset calculators and the selector. Each calculator is the one rule (a step along
// x or y moves the offset by a record or a row, forwards or backwards) written out for one
// orientation of the grid.
#include "tessaglyph/error.hpp"
#include "tessaglyph/mex.hpp"

namespace tg {

namespace mex_detail {

// Rows along y or x; `columnSign` and `rowSign` are the signs of columnstep and rowstep.
template <bool RowAxisX, int ColumnSign, int RowSign>
class OrientedCalc : public TessaglyphMEXOffsetCalc {
 public:
  Boolean isMatch(const std::string& rowaxis, Double columnstep, Double rowstep) const override {
    if (rowaxis != (RowAxisX ? "x" : "y")) return false;
    const bool columnsMatch = ColumnSign > 0 ? columnstep > 0 : columnstep < 0;
    const bool rowsMatch = RowSign > 0 ? rowstep > 0 : rowstep < 0;
    return columnsMatch && rowsMatch;
  }
  Long xStep(Long rowsize, Long recordsize) const override {
    return RowAxisX ? RowSign * rowsize : ColumnSign * recordsize;
  }
  Long yStep(Long rowsize, Long recordsize) const override {
    return RowAxisX ? ColumnSign * recordsize : RowSign * rowsize;
  }
};

}  // namespace mex_detail

using mex_detail::OrientedCalc;

class TessaglyphMEXOffsetCalc1 final : public OrientedCalc<false, 1, 1> {};
class TessaglyphMEXOffsetCalc2 final : public OrientedCalc<false, -1, 1> {};
class TessaglyphMEXOffsetCalc3 final : public OrientedCalc<false, 1, -1> {};
class TessaglyphMEXOffsetCalc4 final : public OrientedCalc<false, -1, -1> {};
class TessaglyphMEXOffsetCalc5 final : public OrientedCalc<true, 1, 1> {};
class TessaglyphMEXOffsetCalc6 final : public OrientedCalc<true, -1, 1> {};
class TessaglyphMEXOffsetCalc7 final : public OrientedCalc<true, 1, -1> {};
class TessaglyphMEXOffsetCalc8 final : public OrientedCalc<true, -1, -1> {};

void TessaglyphMEXOffsetCalc::calculateInto(Long firstOffset, Integer numPoints, Long rowsize,
                                            Long recordsize, std::span<Long> out) const {
  if ((numPoints != 4 && numPoints != 12) || out.size() < std::size_t(numPoints)) {
    raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL);
  }
  const Long dx = xStep(rowsize, recordsize);
  const Long dy = yStep(rowsize, recordsize);
  for (Integer k = 0; k < numPoints; ++k) {
    out[std::size_t(k)] =
        firstOffset + kPointSteps[std::size_t(k)][0] * dx + kPointSteps[std::size_t(k)][1] * dy;
  }
}

Array<Long> TessaglyphMEXOffsetCalc::calculate(Long firstOffset, Integer numPoints, Long rowsize,
                                               Long recordsize) const {
  std::array<Long, 12> offsets{};
  calculateInto(firstOffset, numPoints, rowsize, recordsize, offsets);
  return Array<Long>(0, std::vector<Long>(offsets.begin(), offsets.begin() + numPoints));
}

TessaglyphMEXSelector::TessaglyphMEXSelector()
    : m_calculators{std::make_shared<TessaglyphMEXOffsetCalc1>(),
                    std::make_shared<TessaglyphMEXOffsetCalc2>(),
                    std::make_shared<TessaglyphMEXOffsetCalc3>(),
                    std::make_shared<TessaglyphMEXOffsetCalc4>(),
                    std::make_shared<TessaglyphMEXOffsetCalc5>(),
                    std::make_shared<TessaglyphMEXOffsetCalc6>(),
                    std::make_shared<TessaglyphMEXOffsetCalc7>(),
                    std::make_shared<TessaglyphMEXOffsetCalc8>()} {}

std::shared_ptr<const TessaglyphMEXOffsetCalc> TessaglyphMEXSelector::getCalculator(
    const std::string& mex_rowaxis, Double mex_rowstep, Double mex_colstep) const {
  for (const auto& calculator : m_calculators) {
    if (calculator->isMatch(mex_rowaxis, mex_colstep, mex_rowstep)) return calculator;
  }
  return nullptr;
}

}  // namespace tg
