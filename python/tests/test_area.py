"""Areas: files joined across a seam, profiles, and areas prepared from the index."""

import numpy as np
import pytest

import tessaglyph
from conftest import SRTM_SCRIPT, tool_table, tool_values

TOOL_INTERP = {"closest": "closest", "4point": "4", "12point": "12"}


def across_the_seam(count=200, seed=11):
    """Positions within a few cells of the seam at 121 W, and some right on it."""
    rng = np.random.default_rng(seed)
    lats = rng.uniform(46.01, 46.99, count)
    lons = -121 + rng.uniform(-3 / 1200, 3 / 1200, count)
    lons[:10] = -121.0
    return lats, lons


@pytest.mark.parametrize(
    "interp, macro",
    [("closest", "closest"), ("4point", "closest"), ("4point", "merge"), ("12point", "merge"),
     ("4point", "available"), ("12point", "low")],
)
def test_an_area_across_a_seam_gives_the_libraries_answers(tiles, interp, macro):
    lats, lons = across_the_seam()
    expected = tool_values(
        ["point", "--script", SRTM_SCRIPT, *tiles, "--interp", TOOL_INTERP[interp], "--macro", macro],
        lats, lons,
    )
    with tessaglyph.open_area(tiles, SRTM_SCRIPT, interp=interp, macro=macro) as area:
        assert area.files == [str(t) for t in tiles] and area.interp == interp
        values = area.points(lats, lons)
        np.testing.assert_array_equal(values, expected)
        assert area.point(lats[0], lons[0]) == expected[0]
    assert area.closed


def test_a_profile_across_two_tiles_matches_the_tool(tiles):
    ends = (46.4, -121.3, 46.6, -120.7)
    expected = tool_table(
        ["profile", *ends, "--samples", 300, "--script", SRTM_SCRIPT, *tiles, "--interp", "4"]
    )
    with tessaglyph.open_area(tiles, "srtm_hgt") as area:
        distance, lats, lons, values = area.profile(*ends, samples=300)
        np.testing.assert_allclose(distance, expected["distance"], atol=0.05)
        np.testing.assert_allclose(lats, expected["lat"], atol=1e-7)
        np.testing.assert_allclose(lons, expected["lon"], atol=1e-7)
        np.testing.assert_array_equal(values, expected["value"].astype(np.float32))
        by_step = area.profile(*ends, step=100)
        assert by_step[0][1] == pytest.approx(100) and by_step[0][-1] == pytest.approx(distance[-1])
        with pytest.raises(ValueError, match="either step"):
            area.profile(*ends)


def test_an_area_raises_what_the_library_raises(tiles):
    with tessaglyph.open_area(tiles[:1], "srtm_hgt", macro="error") as area:
        with pytest.raises(tessaglyph.Error) as raised:
            area.points([46.5 - 0.3 / 1200], [-121.5 + 0.4 / 1200])  # a 4-point read on voids
        assert (raised.value.number, raised.value.source) == (17005, "TessaglyphArea")
    with pytest.raises(ValueError, match="at least one"):
        tessaglyph.open_area([], "srtm_hgt")


def test_the_index_keeps_files_and_prepares_areas_of_them(tiles):
    with tessaglyph.Index() as index:
        assert index.register_defaults() >= 3
        assert [index.add(tile) for tile in tiles] == ["indexed", "indexed"]
        assert index.add(tiles[0]) == "already indexed"
        assert index.find_script(tiles[0])[0]["name"] == "SRTM HGT"
        records = {r["file"]: r for r in index.records()}
        assert records[str(tiles[1])]["west"] == pytest.approx(-121)
        lats, lons = across_the_seam()
        bounds = tessaglyph.Bounds(north=46.9, west=-121.2, south=46.1, east=-120.8)
        with index.prepare_area(bounds, datum="WGS84", macro="merge") as area:
            assert sorted(area.files) == sorted(str(t) for t in tiles)
            prepared = area.points(lats, lons)
        with tessaglyph.open_area(tiles, "srtm_hgt", macro="merge", datum="WGS84") as area:
            np.testing.assert_array_equal(prepared, area.points(lats, lons))
        far = tessaglyph.Bounds(north=10, west=10, south=9, east=11)
        with pytest.raises(tessaglyph.Error) as raised:
            index.prepare_area(far)
        assert raised.value.number == 12009
        with pytest.raises(tessaglyph.Error) as raised:
            index.prepare_area(bounds, rules="no such rules")
        assert raised.value.number == 33005
        assert index.remove(tiles[1]) and not index.remove(tiles[1])
    assert index.closed
    with pytest.raises(tessaglyph.Error) as raised:
        index.records()
    assert raised.value.number == 32001
