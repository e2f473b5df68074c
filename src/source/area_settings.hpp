// The settings an area starts from: the open-file limit of the component's settings and the
// border distance of its debug settings, both in "Tessaglyph.ini" in the base directory.
#pragma once

#include "tessaglyph/types.hpp"

namespace tg {

// "max open area files" in section "Tessa Glyph": 1..225; anything else (or nothing) reads 225.
Integer areaMaximumOpenFilesSetting();
// "m_boundaryResolution" in section "TessaglyphArea"; 0 when absent or not a number.
Double areaBoundaryResolutionSetting();

}  // namespace tg
