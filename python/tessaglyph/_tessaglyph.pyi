"""Type stubs of the compiled part of tessaglyph."""

import os
from typing import Any, Iterable, Literal, Optional, Tuple, Union

import numpy as np
import numpy.typing as npt

PathArg = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
Interp = Literal["none", "closest", "4point", "12point"]
Macro = Literal["closest", "available", "merge", "low", "error"]

NONEXISTENT_POINT: float
"""-32100: no data at the position."""
NOT_ENOUGH_INTERP_DATA: float
"""-32101: an interpolation lacked a grid point (a void or an edge)."""
RETRIEVAL_ERROR: float
"""-52000: the read failed."""

class Bounds:
    """A rectangle in decimal degrees."""

    north: float
    west: float
    south: float
    east: float
    def __init__(self, *, north: float, west: float, south: float, east: float) -> None: ...

class Metrics:
    """A source file's coverage."""

    @property
    def datum(self) -> str:
        """The datum the bounds are on."""
    @property
    def x_resolution(self) -> float:
        """Spacing of the grid's columns, metres."""
    @property
    def y_resolution(self) -> float:
        """Spacing of the grid's rows, metres."""
    @property
    def bounds(self) -> Bounds:
        """The coverage, decimal degrees."""

class File:
    """A source file opened with the format script that reads it (see open)."""

    @property
    def source(self) -> str:
        """The source file's path."""
    @property
    def script(self) -> str:
        """The path of the compiled format script."""
    @property
    def datum(self) -> str:
        """The datum positions are given in; at first the file's own."""
    @datum.setter
    def datum(self, value: str) -> None: ...
    @property
    def own_datum(self) -> str:
        """The datum of the file's data, as its script says."""
    @property
    def metrics(self) -> Metrics:
        """The file's coverage (bounds on `datum`) and resolution."""
    @property
    def interpolations(self) -> list[str]:
        """The interpolation names the script allows."""
    @property
    def closed(self) -> bool:
        """True once the file is closed."""
    def point(
        self, lat: float, lon: float, *, interp: Interp = "4point", datum: Optional[str] = None
    ) -> float:
        """The value at one position, or a reserved value."""
    def points(
        self,
        lats: npt.ArrayLike,
        lons: npt.ArrayLike,
        *,
        interp: Interp = "4point",
        datum: Optional[str] = None,
        nodata: Optional[float] = None,
    ) -> npt.NDArray[np.float32]:
        """The values at many positions, as a float32 array of the positions' shape; `nodata`
        replaces the reserved values."""
    def info(self) -> dict[str, Any]:
        """Format, description, datum, vertical reference, bounds, resolution, grid size and
        interpolations."""
    def close(self) -> None:
        """Runs the script's TERMINATE routine and lets go of it."""
    def __enter__(self) -> "File": ...
    def __exit__(self, *args: object) -> None: ...

class Area:
    """Source files joined into one surface."""

    @property
    def files(self) -> list[str]:
        """The files' paths, in priority order."""
    @property
    def extent(self) -> Bounds:
        """The rectangle the files cover."""
    @property
    def datum(self) -> Optional[str]:
        """The datum positions are given in; None: each file's own."""
    @property
    def interp(self) -> Interp:
        """none, closest, 4point or 12point."""
    @interp.setter
    def interp(self, value: Interp) -> None: ...
    @property
    def macro(self) -> Macro:
        """What an interpolation lacking points at a file border does."""
    @macro.setter
    def macro(self, value: Macro) -> None: ...
    @property
    def max_open(self) -> int:
        """The most files kept open at once, 1..225."""
    @max_open.setter
    def max_open(self, value: int) -> None: ...
    @property
    def num_open_files(self) -> int:
        """How many files are open now."""
    @property
    def closed(self) -> bool:
        """True once the area is closed."""
    def point(self, lat: float, lon: float) -> float:
        """The value at one position, or a reserved value."""
    def points(
        self, lats: npt.ArrayLike, lons: npt.ArrayLike, *, nodata: Optional[float] = None
    ) -> npt.NDArray[np.float32]:
        """The values at many positions, as a float32 array of the positions' shape."""
    def profile(
        self,
        lat1: float,
        lon1: float,
        lat2: float,
        lon2: float,
        *,
        step: Optional[float] = None,
        samples: Optional[int] = None,
        nodata: Optional[float] = None,
    ) -> Tuple[
        npt.NDArray[np.float64],
        npt.NDArray[np.float64],
        npt.NDArray[np.float64],
        npt.NDArray[np.float32],
    ]:
        """(distance, lat, lon, value) along the great circle, every `step` metres or at
        `samples` evenly spaced points."""
    def close(self) -> None:
        """Closes every file of the area."""
    def __enter__(self) -> "Area": ...
    def __exit__(self, *args: object) -> None: ...

class Index:
    """The index of source files and scripts (one for the process)."""

    def __init__(
        self, *, source_table: Optional[str] = None, script_table: Optional[str] = None
    ) -> None: ...
    def register_defaults(self) -> int:
        """Registers the bundled scripts; returns how many were found."""
    def add_script(
        self,
        program: PathArg,
        name: str,
        *,
        filter: str = "",
        category: str = "",
        use_valid: bool = False,
    ) -> None:
        """Registers a compiled script under a name."""
    def add(self, source: PathArg, *, script: Optional[str] = None, category: str = "") -> str:
        """Indexes a source file; returns "indexed" or "already indexed"."""
    def scan(self, folder: PathArg, *, category: str = "") -> list[dict[str, str]]:
        """Indexes the files below a folder; a dict (file, result) per file."""
    def records(self) -> list[dict[str, Any]]:
        """The indexed source files."""
    def scripts(self) -> list[dict[str, Any]]:
        """The registered scripts."""
    def find_script(self, source: PathArg) -> list[dict[str, Any]]:
        """The registered scripts that may read a file, the best first."""
    def remove(self, source: PathArg) -> bool:
        """Removes a file from the index."""
    def remove_script(self, name: str, *, force: bool = False) -> bool:
        """Removes a script."""
    def prepare_area(
        self,
        bounds: Bounds,
        *,
        rules: Optional[str] = None,
        datum: str = "NAD83",
        interp: Interp = "4point",
        macro: Macro = "closest",
        max_open: Optional[int] = None,
    ) -> Area:
        """The indexed files over a rectangle, ordered by priority rules, as an area."""
    @property
    def closed(self) -> bool:
        """True once the index is closed."""
    def close(self) -> None:
        """Closes the index (for every Index object)."""
    def __enter__(self) -> "Index": ...
    def __exit__(self, *args: object) -> None: ...

def open(source: PathArg, script: PathArg) -> File:
    """Opens a source file with its compiled format script (a path or a bundled name)."""

def open_area(
    sources: Iterable[PathArg],
    script: PathArg,
    *,
    interp: Interp = "4point",
    macro: Macro = "closest",
    datum: Optional[str] = None,
    max_open: Optional[int] = None,
) -> Area:
    """Joins source files read by one script into an area."""

def convert(
    lats: npt.ArrayLike, lons: npt.ArrayLike, from_datum: str, to_datum: str
) -> Tuple[npt.NDArray[np.float64], npt.NDArray[np.float64], npt.NDArray[np.int16]]:
    """Converts positions between datums; returns (lats, lons, status)."""
