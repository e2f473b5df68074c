"""Tessaglyph for Python: elevation and land-use grids of many formats, read through their format
scripts, with numpy arrays in and out.

    import numpy as np, tessaglyph
    with tessaglyph.open("N46W122.hgt", "srtm_hgt") as tile:
        heights = tile.points(np.array([46.6, 46.7]), np.array([-121.7, -121.2]), nodata=np.nan)

Reads give reserved values where there is no answer (NONEXISTENT_POINT -32100, no data at the
position; NOT_ENOUGH_INTERP_DATA -32101, an interpolation lacked a grid point; RETRIEVAL_ERROR
-52000, the read failed); failures of the library raise tessaglyph.Error.
"""

from ._error import Error
from ._tessaglyph import (
    NONEXISTENT_POINT,
    NOT_ENOUGH_INTERP_DATA,
    RETRIEVAL_ERROR,
    Area,
    Bounds,
    File,
    Index,
    Metrics,
    convert,
    open,
    open_area,
)

#: The values a read gives instead of a value.
RESERVED_VALUES = (NONEXISTENT_POINT, NOT_ENOUGH_INTERP_DATA, RETRIEVAL_ERROR)

__all__ = [
    "Area",
    "Bounds",
    "Error",
    "File",
    "Index",
    "Metrics",
    "NONEXISTENT_POINT",
    "NOT_ENOUGH_INTERP_DATA",
    "RESERVED_VALUES",
    "RETRIEVAL_ERROR",
    "convert",
    "open",
    "open_area",
]
