"""What the Python module adds to a vectorised read: File.points and Area.points against the same
reads in a plain C++ loop (File._baseline_seconds), measured in the same run.

    PYTHONPATH=build/bench/python python3 bench/python_points_bench.py [--points N] [--script S]

Prints seconds per million points and the ratio Python / C++ for each interpolation; the module
is meant to stay within 1.2x.
"""

import argparse
import pathlib
import tempfile
import time

import numpy as np

import tessaglyph


def write_tile(folder):
    size = 1201
    lats = 47 - np.arange(size) / (size - 1)
    lons = -122 + np.arange(size) / (size - 1)
    heights = np.round(900 + 400 * np.sin(lats[:, None] * 9.0) * np.cos(lons[None, :] * 7.0))
    path = pathlib.Path(folder) / "N46W122.hgt"
    heights.astype(">i2").tofile(path)
    return path


def best_of(repeats, run):
    best = float("inf")
    for _ in range(repeats):
        best = min(best, run())
    return best


def timed(call):
    def run():
        start = time.perf_counter()
        call()
        return time.perf_counter() - start

    return run


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--points", type=int, default=200_000)
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--script", default="srtm_hgt", help="the SRTM script (default: bundled)")
    options = parser.parse_args()
    rng = np.random.default_rng(1)
    lats = rng.uniform(46.001, 46.999, options.points)
    lons = rng.uniform(-121.999, -121.001, options.points)
    lat_list, lon_list = lats.tolist(), lons.tolist()
    with tempfile.TemporaryDirectory() as folder:
        path = write_tile(folder)
        print(f"{options.points} points, best of {options.repeats}")
        print(f"{'read':<22}{'C++ s/M':>10}{'Python s/M':>12}{'ratio':>8}")
        with tessaglyph.open(path, options.script) as tile:
            for interp in ("closest", "4point", "12point"):
                tile.points(lats[:1000], lons[:1000], interp=interp)  # warm up
                cpp = best_of(options.repeats, lambda: tile._baseline_seconds(lat_list, lon_list, interp))
                python = best_of(
                    options.repeats, timed(lambda: tile.points(lats, lons, interp=interp))
                )
                scale = 1e6 / options.points
                print(f"{'File ' + interp:<22}{cpp * scale:>10.3f}{python * scale:>12.3f}"
                      f"{python / cpp:>8.2f}")
            tile.points(lats, lons, interp="closest", nodata=np.nan)
        with tessaglyph.open_area([path], options.script, interp="4point") as area:
            area.points(lats[:1000], lons[:1000])
            python = best_of(options.repeats, timed(lambda: area.points(lats, lons)))
            print(f"{'Area 4point':<22}{'':>10}{python * 1e6 / options.points:>12.3f}")


if __name__ == "__main__":
    main()
