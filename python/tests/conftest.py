"""Shared pieces of the Python tests: a private base directory with the NADCON grids, SRTM tiles
written with numpy, and the `tessaglyph` tool of the same build as the C++ yardstick."""

import csv
import io
import os
import pathlib
import shutil
import subprocess
import tempfile

import numpy as np
import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("TG_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
BINARY_DIR = pathlib.Path(os.environ["TG_BINARY_DIR"])
TOOL = BINARY_DIR / "tessaglyph"
SRTM_SCRIPT = BINARY_DIR / "scripts" / "srtm_hgt.tgp"

# The library reads its settings, index and NADCON grids below these folders: the tests get
# their own, set before the library is first used.
_HOME = pathlib.Path(tempfile.mkdtemp(prefix="tessaglyph-pytest-"))
os.environ["TESSAGLYPH_HOME"] = str(_HOME / "base")
os.environ["XDG_CONFIG_HOME"] = str(_HOME / "config")
os.environ["XDG_DATA_HOME"] = str(_HOME / "data")
os.environ.pop("TESSAGLYPH_DEBUG", None)
(_HOME / "base").mkdir()
shutil.copytree(SOURCE_DIR / "data" / "nadcon", _HOME / "base" / "NADCON")

TILE_SIZE = 1201  # a 3 arc-second tile
VOID = -32768


def surface(lats, lons):
    """Heights of one smooth surface over every tile, so that neighbours meet at their seams."""
    return np.round(900 + 400 * np.sin(lats * 9.0) * np.cos(lons * 7.0) + 60 * (lons % 1.0))


def write_srtm_tile(folder, south, west, voids=()):
    """Writes the 3" tile whose south-west corner is (south, west) and returns its path. `voids`
    lists (row, column) nodes to leave void."""
    name = f"{'N' if south >= 0 else 'S'}{abs(south):02d}{'E' if west >= 0 else 'W'}{abs(west):03d}.hgt"
    rows = south + 1 - np.arange(TILE_SIZE) / (TILE_SIZE - 1)
    cols = west + np.arange(TILE_SIZE) / (TILE_SIZE - 1)
    heights = surface(rows[:, None], cols[None, :]).astype(">i2")
    for row, col in voids:
        heights[row, col] = VOID
    path = pathlib.Path(folder) / name
    heights.tofile(path)
    return path


@pytest.fixture(scope="session")
def tiles(tmp_path_factory):
    """Two tiles side by side (N46W122 and N46W121, the seam at 121 W), voids in the first."""
    folder = tmp_path_factory.mktemp("tiles")
    west = write_srtm_tile(folder, 46, -122, voids=[(600, 600), (600, 601), (100, 1100)])
    east = write_srtm_tile(folder, 46, -121)
    return west, east


def run_tool(*arguments, stdin=""):
    """Runs the build's `tessaglyph` tool; returns its standard output."""
    done = subprocess.run(
        [str(TOOL), *map(str, arguments)], input=stdin, capture_output=True, text=True, check=False
    )
    assert done.returncode in (0, 1), done.stderr
    return done.stdout


def tool_values(arguments, lats, lons):
    """The values the tool reads at the positions (its CSV filter), as float32."""
    rows = "".join(f"{lat!r},{lon!r}\n" for lat, lon in zip(lats.tolist(), lons.tolist()))
    out = run_tool(*arguments, stdin=rows)
    values = [float(line.split(",")[2]) for line in out.splitlines() if line]
    return np.array(values, dtype=np.float32)


def tool_table(arguments):
    """The CSV the tool prints, as a dict of columns."""
    reader = csv.DictReader(io.StringIO(run_tool(*arguments)))
    rows = list(reader)
    return {key: np.array([float(row[key]) for row in rows]) for key in reader.fieldnames}
