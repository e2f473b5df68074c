#!/usr/bin/env bash
# The main job until the end-to-end reads exist: print the script vocabulary, show an assembled
# format script, install the NADCON grids into the base directory and show a few datum
# conversions.
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")" && pwd)
"$build/tgvocab"

# The format scripts are assembled by the build; show one of them as the disassembler prints it.
echo
echo "== scripts/example_grid.tgs assembled into $build/scripts/example_grid.tgp, dumped back:"
"$build/tgasm" dump "$build/scripts/example_grid.tgp" -o "$build/scripts/example_grid.dump.tgs"
head -40 "$build/scripts/example_grid.dump.tgs"

# The NADCON grids go to the "NADCON" folder of the base directory (TESSAGLYPH_HOME, else the
# per-user data folder), where the datum conversion reads them.
base=${TESSAGLYPH_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/tessaglyph}
grids="$here/../../shared/data/nadcon"
if compgen -G "$grids/*.LAS" > /dev/null; then
  mkdir -p "$base/NADCON"
  cp "$grids"/*.LAS "$grids"/*.LOS "$base/NADCON/"
  echo
  echo "== NADCON grids installed in $base/NADCON"
else
  echo
  echo "== no NADCON grids in $grids; NAD27 conversions will report a non-zero status"
fi

tool="$build/tessaglyph"
echo
echo "== NAD27 to NAD83 at Meades Ranch (NGS NADCON: 39.224089161, -98.542152003)"
"$tool" convert --from NAD27 --to NAD83 39.224079444 -98.541807222
echo "== the same point in NAD27 UTM (northing,easting)"
"$tool" convert --from "NAD 27" --to UTM27 39.224079444 -98.541807222
echo "== CSV on standard input: Anchorage, Honolulu (Old Hawaiian), San Juan, St. Paul Island,"
echo "   a point outside every grid and a row that cannot be read"
printf 'lat,lon\n61.2,-149.9\n21.3,-157.85\n18.4,-66.1\n57.15,-170.25\n48.85,2.35\nnorth,west\n' |
  "$tool" convert --from NAD27 --to NAD83 ||
  echo "(exit status $?: as expected, two rows did not convert)"
