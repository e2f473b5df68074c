// The step that turns the points gathered for one read into one value. The machine, direct grid
// access and the area all answer a point query through it, so that a missing neighbour and an
// implausible result read the same everywhere.
#pragma once

#include <array>

#include "tessaglyph/machine.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

// A combined value beyond this magnitude is taken for garbage and reported as no data.
inline constexpr Single kMaxInterpolatedMagnitude = 30000.0f;

// The value of a gathered record: the first point's value in NONE and CLOSESTPOINT; otherwise
// -32101 when any point is -32100, else the points' interpolation (4 points bilinear, 12 points
// bicubic), which becomes -32100 when its magnitude exceeds 30000. A mode outside the
// enumeration, or a record with too few points for its mode, raises 5.
Single combineInterpolationData(const TG_M_INTERPDATA& data, TG_M_INTERPOLATIONMODES mode);

// The same without the test for missing points, for callers that have already filled the gaps
// (or chosen to interpolate over them).
Single interpolateInterpolationData(const TG_M_INTERPDATA& data, TG_M_INTERPOLATIONMODES mode);

// Direct grid access gathers the cell corners round the cell from its anchor, (0, 0), (0, 1),
// (1, 1), (1, 0), then the ring from (1, -1) on; the machine's record, which the combining step
// reads, starts at (1, 0) and takes the ring from the west side. The same points in the
// machine's order.
TG_M_INTERPDATA inMachinePointOrder(const TG_M_INTERPDATA& gridOrder);

// The 4-point value of a record in the grid's order: what combineInterpolationData gives for
// the same record in the machine's order, without reordering the whole record.
Single combineGridCorners(const TG_M_INTERPDATA& gridOrder);

// The same for a cell given by its anchor corner (x0, y0), the opposite corner (x1, y1) and the
// four values in the grid's order, none missing. False when the corners make no regular cell
// (combineGridCorners then gives the value).
bool combineCellCorners(Double targetX, Double targetY, Double x0, Double y0, Double x1, Double y1,
                        const std::array<Single, 4>& gridZ, Single& value);

}  // namespace tg
