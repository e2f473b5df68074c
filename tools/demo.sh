#!/usr/bin/env bash
# The main job: build a small sample set in the three formats the bundled scripts read (SRTM
# HGT, ESRI ASCII grid, ESRI BIL), show what the query tool says of each file, then read the
# same positions from every file in every interpolation mode and print them as one table.
# Then a 2x2 block of SRTM tiles is read as one area: a terrain profile across both tile
# seams, reads on the seams in 4-point mode, and the rate graph of the profile as SVG.
# A short look at the script assembler and the datum conversion follows.
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")" && pwd)
tool="$build/tessaglyph"
scripts="$build/scripts"
data="$build/demo-data"

for needed in "$tool" "$build/tgsample" "$build/tgasm" "$scripts/srtm_hgt.tgp" \
  "$scripts/esri_ascii.tgp" "$scripts/esri_bil.tgp"; do
  [ -e "$needed" ] || { echo "demo: $needed is missing; build first (make demo)" >&2; exit 1; }
done

echo "== Sample files, written by tgsample into $data"
rm -rf "$data"
"$build/tgsample" "$data" --block

# file, script, label for the table
files=(
  "N46W122.hgt srtm_hgt SRTM_3\""
  "corner.asc esri_ascii ASCII_xllcorner"
  "centre.asc esri_ascii ASCII_xllcenter"
  "bil16i.bil esri_bil BIL_16-bit_I"
  "bil32m.bil esri_bil BIL_32-bit_M_float"
)

echo
echo "== What the query tool says of two of them (tessaglyph info)"
for entry in "${files[0]}" "${files[2]}"; do
  read -r file script _ <<< "$entry"
  echo "-- $file"
  "$tool" info --script "$scripts/$script.tgp" "$data/$file"
done

# Positions: a plain one, one on a void of the samples, one beside the other void, one in the
# south-east of the tile, and one south of every file.
points='lat,lon
46.6012,-121.7034
46.62,-121.71
46.2885,-121.1893
46.2514,-121.3012
45.5,-121.5'

echo
echo "== One value: tessaglyph point --script $scripts/srtm_hgt.tgp $data/N46W122.hgt 46.6012 -121.7034 --interp 4"
"$tool" point --script "$scripts/srtm_hgt.tgp" "$data/N46W122.hgt" 46.6012 -121.7034 --interp 4

echo
echo "== Every file, every interpolation mode (tessaglyph point with CSV on standard input)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%-20s %-11s %-11s %16s %16s %16s %16s\n' format lat lon none closest 4-point 12-point
printf '%-20s %-11s %-11s %16s %16s %16s %16s\n' ------ --- --- ---- ------- ------- --------
for entry in "${files[@]}"; do
  read -r file script label <<< "$entry"
  for mode in none closest 4 12; do
    # A failed row makes the tool exit 1; the table shows it as "*".
    printf '%s\n' "$points" |
      "$tool" point --script "$scripts/$script.tgp" "$data/$file" --interp "$mode" \
        > "$work/$mode.csv" 2> "$work/$mode.err" || true
  done
  paste -d, "$work/none.csv" "$work/closest.csv" "$work/4.csv" "$work/12.csv" |
    awk -F, -v label="${label//_/ }" '
      function show(v) {
        if (v == -32100) return v " no data"
        if (v == -32101) return v " void/edge"
        if (v == -52000) return v " failed"
        return v
      }
      NR > 1 { printf "%-20s %-11s %-11s %16s %16s %16s %16s\n", label, $1, $2, show($3),
               show($6), show($9), show($12) }'
done
echo "(no data: outside the file or on a void; void/edge: a point the interpolation needs is"
echo " missing; the samples share one surface, so a position reads alike wherever it is covered)"

block=(N47W122.hgt N47W121.hgt N46W122.hgt N46W121.hgt)
tiles=("${block[@]/#/$data/}")
srtm="$scripts/srtm_hgt.tgp"
echo
echo "== Four SRTM tiles (46-48N, 122-120W) as one area (tessaglyph area info)"
"$tool" area info --script "$srtm" "${tiles[@]}" --max-open 2

echo
echo "== A profile across both seams, 12 samples, 4-point (tessaglyph profile)"
"$tool" profile 46.3 -121.7 47.7 -120.3 --samples 12 --script "$srtm" "${tiles[@]}" \
  --interp 4 --macro merge

echo
echo "== The same path at 1,000,000 samples with one file open at a time, its reads counted by"
echo "   a rate log and drawn as SVG (tessaglyph profile --rate-log)"
"$tool" profile 46.3 -121.7 47.7 -120.3 --samples 1000000 --script "$srtm" "${tiles[@]}" \
  --interp 4 --macro merge --max-open 1 --rate-log "$data/rate.svg" > "$work/profile.csv"
echo "last sample: $(tail -n 1 "$work/profile.csv"); the graph: $data/rate.svg"

echo
echo "== Reads on the seams in 4-point mode: a read on the northern or eastern edge of a tile"
echo "   lacks the row or column beyond it; --macro says how the area completes it"
seams='lat,lon
47,-121.5
47,-121.2504
46.5,-121
47,-121'
printf '%-11s %-11s %10s %10s %10s %10s\n' lat lon low available merge closest
printf '%-11s %-11s %10s %10s %10s %10s\n' --- --- --- --------- ----- -------
for macro in low available merge closest; do
  printf '%s\n' "$seams" |
    "$tool" point --script "$srtm" "${tiles[@]}" --interp 4 --macro "$macro" \
      > "$work/$macro.csv" 2> /dev/null || true
done
paste -d, "$work/low.csv" "$work/available.csv" "$work/merge.csv" "$work/closest.csv" |
  awk -F, 'NR > 1 { printf "%-11s %-11s %10s %10s %10s %10s\n", $1, $2, $3, $6, $9, $12 }'
echo "(-32100: no file could complete the read; SRTM scripts leave closest-point reads to the"
echo " machine, so \"closest\" reads again in 4-point mode and finds nothing more)"
# The index lives in a base directory of the demo's own, so a rerun starts afresh.
echo
echo "== The index: the bundled scripts registered, the sample folder scanned and listed"
demo_home="$(cd "$build" && pwd)/demo-home"
rm -rf "$demo_home"
mkdir -p "$demo_home"
echo "-- tessaglyph index defaults"
TESSAGLYPH_HOME="$demo_home/" "$tool" index defaults
echo "-- tessaglyph index scan $data"
# The example grid's script publishes no geographic bounds, so the index leaves that file out and
# the scan ends with status 1 (a file not indexed); the other files are indexed all the same.
TESSAGLYPH_HOME="$demo_home/" "$tool" index scan "$data" ||
  echo "(status $?: the example grid has no geographic bounds, so it is not indexed)"
echo "-- tessaglyph index list"
TESSAGLYPH_HOME="$demo_home/" "$tool" index list | cut -d, -f1,2,5-9

echo
echo "== Reading through the index: the indexed files that cover the positions, best ranked"
echo "   first, as one area (tessaglyph point --index, tessaglyph profile --index)"
echo "-- tessaglyph point --index 47 -121.5 --interp 4"
TESSAGLYPH_HOME="$demo_home/" "$tool" point --index 47 -121.5 --interp 4
echo "-- tessaglyph point --index --bounds 48,-122,46,-120 (a CSV stream over the 2x2 block)"
printf 'lat,lon\n46.5,-121.5\n47.5,-120.5\n47,-121\n' |
  TESSAGLYPH_HOME="$demo_home/" "$tool" point --index --bounds 48,-122,46,-120 --interp 4
echo "-- tessaglyph profile 46.3 -121.7 47.7 -120.3 --samples 5 --index --interp 4"
TESSAGLYPH_HOME="$demo_home/" "$tool" profile 46.3 -121.7 47.7 -120.3 --samples 5 --index \
  --interp 4 --macro merge

# A package of a bundled script and two of the samples, installed into the same base directory
# and uninstalled again: the index and the folders are as before.
echo
echo "== A package: the ASCII script and two grids installed, listed, uninstalled, listed again"
package_dir=$(cd "$build" && pwd)/demo-package
rm -rf "$package_dir"
mkdir -p "$package_dir"
cp "$scripts/esri_ascii.tgp" "$package_dir/demo_ascii.tgp"
cp "$data/corner.asc" "$data/centre.asc" "$package_dir/"
cat > "$package_dir/demo.qpk" <<QPK
[QPK]
install description=Two sample grids
uid=DEMOGRIDS

[Scripts]
destination=%HF_SCRIPTSDIR
$package_dir/demo_ascii.tgp=DEMO_ASCII

[Source Files]
destination=%HF_SOURCEDIR/Demo
$package_dir/corner.asc=DEMO_ASCII
$package_dir/centre.asc=DEMO_ASCII
QPK
echo "-- tessaglyph package install $package_dir/demo.qpk --yes"
TESSAGLYPH_HOME="$demo_home/" "$tool" package install "$package_dir/demo.qpk" --yes
echo "-- tessaglyph index list"
TESSAGLYPH_HOME="$demo_home/" "$tool" index list | cut -d, -f1,2,5-9
echo "-- tessaglyph package uninstall DEMOGRIDS"
TESSAGLYPH_HOME="$demo_home/" "$tool" package uninstall DEMOGRIDS
echo "-- tessaglyph index list"
TESSAGLYPH_HOME="$demo_home/" "$tool" index list | cut -d, -f1,2,5-9

echo
echo "== The assembler: scripts/srtm_hgt.tgs built into $scripts/srtm_hgt.tgp, dumped back (head)"
"$build/tgasm" dump "$scripts/srtm_hgt.tgp" | sed -n '1,12p'

# The NADCON grids go to the "NADCON" folder of the base directory (TESSAGLYPH_HOME, else the
# per-user data folder), where the datum conversion reads them.
base=${TESSAGLYPH_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/tessaglyph}
mkdir -p "$base/NADCON"
cp "$here/../data/nadcon"/*.LAS "$here/../data/nadcon"/*.LOS "$base/NADCON/"
echo
echo "== Datum conversion: NAD27 to NAD83 at Meades Ranch (NGS NADCON: 39.224089161, -98.542152003)"
"$tool" convert --from NAD27 --to NAD83 39.224079444 -98.541807222
echo "== The SRTM tile read with NAD27 positions (tessaglyph point --datum NAD27)"
"$tool" point --script "$scripts/srtm_hgt.tgp" "$data/N46W122.hgt" 46.6012 -121.7034 \
  --interp 4 --datum NAD27
echo "== The SRTM tile read with NAD83 positions (tessaglyph point --datum NAD83)"
"$tool" point --script "$scripts/srtm_hgt.tgp" "$data/N46W122.hgt" 46.6012 -121.7034 \
  --interp 4 --datum NAD83
