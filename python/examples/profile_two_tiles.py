"""Draws the terrain profile along a great circle that crosses from one SRTM tile into the next,
read through an area of the two, into a PNG.

    PYTHONPATH=build/release/python python3 python/examples/profile_two_tiles.py \
        [--tiles FOLDER] [--output profile.png]
"""

import argparse

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import tessaglyph
from sample_tiles import tiles_folder


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tiles", help="folder holding N46W122.hgt and N46W121.hgt")
    parser.add_argument("--output", default="profile.png")
    options = parser.parse_args()
    folder = tiles_folder(options.tiles)
    tiles = [folder / "N46W122.hgt", folder / "N46W121.hgt"]
    with tessaglyph.open_area(tiles, "srtm_hgt", interp="4point", macro="merge") as area:
        distance, lats, lons, heights = area.profile(46.35, -121.55, 46.65, -120.45, step=90, nodata=np.nan)
    seam = distance[np.argmin(np.abs(lons + 121.0))]

    figure, axes = plt.subplots(figsize=(10, 4), dpi=120)
    axes.fill_between(distance / 1000, np.nanmin(heights) - 50, heights, color="#c9b38a")
    axes.plot(distance / 1000, heights, color="#5a4322", linewidth=1)
    axes.axvline(seam / 1000, color="#2060a0", linestyle="--", linewidth=1)
    axes.annotate("N46W122 | N46W121", (seam / 1000, np.nanmax(heights)), xytext=(0, -2),
                  textcoords="offset points", ha="center", va="top", color="#2060a0")
    axes.set_xlabel("distance along the great circle (km)")
    axes.set_ylabel("height (m, EGM96)")
    axes.set_title("Profile from 46.35 N 121.55 W to 46.65 N 120.45 W across two SRTM tiles")
    axes.set_xlim(0, distance[-1] / 1000)
    figure.tight_layout()
    figure.savefig(options.output)
    print(f"{len(heights)} samples, {np.isnan(heights).sum()} without data; picture in {options.output}")


if __name__ == "__main__":
    main()
