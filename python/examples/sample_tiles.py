"""The tiles the examples read: SRTM tiles given on the command line, or else the demo's 2x2 block
of 3 arc-second tiles (N46W122, N46W121, N47W122, N47W121), written by the build's `tgsample`."""

import os
import pathlib
import subprocess
import tempfile


def tiles_folder(given=None):
    """A folder of SRTM tiles: `given`, or a fresh one the build's tgsample fills."""
    if given:
        return pathlib.Path(given)
    build = pathlib.Path(os.environ.get("TG_BINARY_DIR", pathlib.Path(__file__).parents[2] / "build" / "release"))
    folder = pathlib.Path(tempfile.mkdtemp(prefix="tessaglyph-example-"))
    subprocess.run([str(build / "tgsample"), str(folder), "--block"], check=True, stdout=subprocess.DEVNULL)
    return folder
