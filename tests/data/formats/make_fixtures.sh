#!/usr/bin/env bash
# Remakes the GDAL-written fixtures in this folder (needs gdal-bin and python3; the tests do not).
# A small source grid (23 x 17 cells of 0.01 degree, a smooth surface with a NODATA patch) is
# written as text, then gdal_translate writes it in each format the tests read back.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/source.asc" <<'PY'
import math, sys
cols, rows, cell = 23, 17, 0.01
with open(sys.argv[1], "w") as out:
    out.write(f"ncols {cols}\nnrows {rows}\nxllcorner -121.63\nyllcorner 46.18\n")
    out.write(f"cellsize {cell}\nNODATA_value -9999\n")
    for r in range(rows):
        row = []
        for c in range(cols):
            if 3 <= r <= 4 and 5 <= c <= 7:
                row.append("-9999")
            else:
                v = 1200 + 350 * math.sin(r * 0.4) * math.cos(c * 0.3) + 11.25 * c - 7.5 * r
                row.append(f"{v:.3f}")
        out.write(" ".join(row) + "\n")
PY
gdal_translate -q -of AAIGrid -ot Float32 -a_srs EPSG:4326 "$work/source.asc" gdal_float32.asc
gdal_translate -q -of AAIGrid -ot Int16 -a_srs EPSG:4326 "$work/source.asc" gdal_int16.asc
gdal_translate -q -of EHdr -ot Int16 -a_srs EPSG:4326 "$work/source.asc" gdal_int16.bil
gdal_translate -q -of EHdr -ot Int32 -a_srs EPSG:4326 "$work/source.asc" gdal_int32.bil
gdal_translate -q -of EHdr -ot Float32 -a_srs EPSG:4326 "$work/source.asc" gdal_float32.bil
rm -f ./*.aux.xml ./*.prj ./*.stx
