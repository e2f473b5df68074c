// The status values of a datum conversion. 0 means converted; every other value means the
// outputs hold the unconverted input. Each stage reports its own values, so a status tells where
// a conversion stopped: the coordinate-system library (-81 to -88), the NADCON grid shift
// (-91 to -94) or the routine itself.
#pragma once

#include "tessaglyph/types.hpp"

namespace tg {

enum DATUMSTATUS : Integer {
  DATUM_S_CONVERTED = 0,
  // The coordinate-system library.
  DATUM_S_UNKNOWNKEY = -81,           // a key names no coordinate system the library knows
  DATUM_S_NOACCURATEOPERATION = -82,  // the best operation for the point needs data that is not
                                      // installed, or only a ballpark or coarser one was used
  DATUM_S_TRANSFORMFAILED = -83,      // the library could not transform the point
  DATUM_S_LIBRARYUNUSABLE = -88,      // the library failed once and is no longer called
  // The NADCON grid shift.
  DATUM_S_OUTSIDEGRIDS = -91,   // the point lies in no region whose grids are installed
  DATUM_S_NOGRIDS = -92,        // no region's grids could be read
  DATUM_S_NOCONVERGENCE = -93,  // the NAD83 to NAD27 iteration did not settle
  DATUM_S_NOSHIFT = -94,        // the grid shift knows no way between the two datums
  // The routine.
  DATUM_S_BADPOSITION = -95,       // latitude or longitude not finite
  DATUM_S_PROJECTIONFAILED = -96,  // the UTM projection of the result failed
  DATUM_S_INTERNALERROR = -99,     // an unexpected failure inside the routine
};

}  // namespace tg
