// The border distance an area starts from, in the debug settings of "Tessaglyph.ini" in the
// base directory (its open-file limit is settings::maxOpenAreaFiles).
#pragma once

#include "tessaglyph/types.hpp"

namespace tg {

// "m_boundaryResolution" in section "TessaglyphArea"; 0 when absent or not a number.
Double areaBoundaryResolutionSetting();

}  // namespace tg
