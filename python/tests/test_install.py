"""`cmake --install` puts a package that imports and finds its bundled scripts from wherever the
prefix lies."""

import os
import subprocess
import sys

from conftest import BINARY_DIR

import tessaglyph


def test_the_installed_package_reads_as_the_built_one(tmp_path, tiles):
    prefix = tmp_path / "prefix"
    subprocess.run(
        [os.environ.get("TG_CMAKE", "cmake"), "--install", str(BINARY_DIR), "--prefix", str(prefix)],
        check=True, capture_output=True,
    )
    (site,) = prefix.glob("lib/python3*/*-packages")
    code = (
        "import sys, tessaglyph\n"
        "with tessaglyph.open(sys.argv[1], 'srtm_hgt') as tile:\n"
        "    print(tessaglyph.__file__, tile.script, tile.point(46.25, -121.25), sep='\\n')\n"
    )
    environment = dict(os.environ, PYTHONPATH=str(site))
    done = subprocess.run(
        [sys.executable, "-c", code, str(tiles[0])],
        env=environment, cwd=tmp_path, capture_output=True, text=True, check=True,
    )
    module, script, value = done.stdout.split()
    assert module.startswith(str(site)) and script.startswith(str(prefix / "share"))
    with tessaglyph.open(tiles[0], "srtm_hgt") as tile:
        assert float(value) == tile.point(46.25, -121.25)
