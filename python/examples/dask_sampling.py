"""Samples ten million random positions over the tiles of an index with Dask: the positions are
split into partitions, and each partition is read through one area of the files it needs.

    PYTHONPATH=build/release/python python3 python/examples/dask_sampling.py \
        [--tiles FOLDER] [--points 10000000] [--partitions 40] [--scheduler processes]

On one machine the `processes` scheduler reads the partitions in parallel, one worker process per
core; docs/scaling.md says how the same graph runs on a Dask cluster.
"""

import argparse
import os
import tempfile
import time

import dask
import dask.array as da
import numpy as np

import tessaglyph
from sample_tiles import tiles_folder


def read_partition(lats, lons):
    """Reads one partition: an area of the indexed files over the partition's own rectangle.
    Runs in a worker, which opens the index itself (an area is not sent between processes)."""
    bounds = tessaglyph.Bounds(
        north=float(lats.max()), west=float(lons.min()), south=float(lats.min()), east=float(lons.max())
    )
    with tessaglyph.Index() as index:
        with index.prepare_area(bounds, datum="WGS84") as area:
            return area.points(lats, lons, nodata=np.nan)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tiles", help="folder of SRTM tiles, *.hgt (default: the demo's 2x2 block)")
    parser.add_argument("--points", type=int, default=10_000_000)
    parser.add_argument("--partitions", type=int, default=40)
    parser.add_argument("--scheduler", default="processes", choices=["processes", "threads", "synchronous"])
    options = parser.parse_args()

    # A private base directory for the index, unless the caller set one up.
    os.environ.setdefault("TESSAGLYPH_HOME", tempfile.mkdtemp(prefix="tessaglyph-dask-"))
    folder = tiles_folder(options.tiles)
    with tessaglyph.Index() as index:
        index.register_defaults()
        for tile in sorted(folder.glob("*.hgt")):
            index.add(tile)
        records = index.records()
    north = max(r["north"] for r in records)
    south = min(r["south"] for r in records)
    west = min(r["west"] for r in records)
    east = max(r["east"] for r in records)
    print(f"{len(records)} files indexed over {south}..{north} N, {west}..{east} E")

    # Positions sorted into bands of latitude, so each partition covers a narrow strip and its
    # area opens only the files of that strip.
    rng = np.random.default_rng(2024)
    chunk = -(-options.points // options.partitions)
    lats = da.from_array(np.sort(rng.uniform(south, north, options.points))[::-1].copy(), chunks=chunk)
    lons = da.from_array(rng.uniform(west, east, options.points), chunks=chunk)
    heights = da.map_blocks(read_partition, lats, lons, dtype=np.float32)

    start = time.perf_counter()
    with dask.config.set(scheduler=options.scheduler):
        mean, minimum, maximum, missing = dask.compute(
            da.nanmean(heights), da.nanmin(heights), da.nanmax(heights), da.isnan(heights).sum()
        )
    spent = time.perf_counter() - start
    print(f"{options.points} points in {spent:.1f} s ({options.points / spent / 1e6:.2f} M points/s, "
          f"scheduler {options.scheduler}): mean {mean:.1f} m, {minimum:.0f}..{maximum:.0f} m, "
          f"{missing} without data")


if __name__ == "__main__":
    main()
