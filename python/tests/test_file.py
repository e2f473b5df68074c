"""One source file through tessaglyph.open: the same answers as the C++ library (read through the
`tessaglyph` tool), reserved values, the arrays numpy users pass, errors and closing."""

import threading

import numpy as np
import pytest

import tessaglyph
from conftest import SRTM_SCRIPT, tool_values, write_srtm_tile

TOOL_INTERP = {"none": "none", "closest": "closest", "4point": "4", "12point": "12"}


def random_positions(count, seed=3):
    """Positions over the western tile and a little beyond its edges."""
    rng = np.random.default_rng(seed)
    return rng.uniform(45.95, 47.05, count), rng.uniform(-122.05, -120.95, count)


@pytest.mark.parametrize("interp", ["closest", "4point", "12point"])
def test_points_give_the_libraries_answers(tiles, interp):
    lats, lons = random_positions(300)
    # Nodes next to the voids, where interpolations lack points.
    lats = np.append(lats, [46.5 + 0.3 / 1200, 47 - 100.5 / 1200])
    lons = np.append(lons, [-121.5 + 0.4 / 1200, -122 + 1100.5 / 1200])
    expected = tool_values(
        ["point", "--script", SRTM_SCRIPT, tiles[0], "--interp", TOOL_INTERP[interp]], lats, lons
    )
    with tessaglyph.open(tiles[0], SRTM_SCRIPT) as tile:
        values = tile.points(lats, lons, interp=interp)
        assert values.dtype == np.float32
        np.testing.assert_array_equal(values, expected)
        one_by_one = [tile.point(lat, lon, interp=interp) for lat, lon in zip(lats, lons)]
        np.testing.assert_array_equal(np.float32(one_by_one), expected)


@pytest.mark.parametrize(
    "interp, lat, lon, reserved",
    [
        ("closest", 46.5, -121.5, tessaglyph.NONEXISTENT_POINT),  # the void node itself
        ("4point", 46.5, -121.5 + 0.5 / 1200, tessaglyph.NOT_ENOUGH_INTERP_DATA),  # between voids
        ("closest", 48.0, -121.5, tessaglyph.NONEXISTENT_POINT),  # off the tile
    ],
)
def test_reserved_values_and_their_mapping(tiles, interp, lat, lon, reserved):
    with tessaglyph.open(tiles[0], "srtm_hgt") as tile:
        assert tile.point(lat, lon, interp=interp) == reserved
        kept = tile.points([lat, 46.25], [lon, -121.25], interp=interp)
        assert kept[0] == reserved and kept[1] > 0
        mapped = tile.points([lat, 46.25], [lon, -121.25], interp=interp, nodata=np.nan)
        assert np.isnan(mapped[0]) and mapped[1] == kept[1]
        assert tile.points([lat], [lon], interp=interp, nodata=-9999)[0] == -9999


def test_arrays_of_every_dtype_and_layout_give_the_same_values(tiles):
    lats, lons = random_positions(40)
    with tessaglyph.open(tiles[0], "srtm_hgt") as tile:
        base = tile.points(lats, lons)
        grid = np.stack([lats, lons])  # rows of lats and of lons: strided columns below
        cases = [
            (lats.astype(np.float32), lons.astype(np.float32), None),
            (lats.astype(">f8"), lons.astype(">f8"), base),
            (np.repeat(lats, 2)[::2], np.repeat(lons, 2)[::2], base),  # non-contiguous views
            (grid.T[:, 0], grid.T[:, 1], base),
            (lats.reshape(5, 8), lons.reshape(5, 8), base.reshape(5, 8)),  # shape kept
            (list(lats), list(lons), base),
            (np.full(3, 46, np.int32), np.full(3, -122, np.int64), None),
        ]
        for case_lats, case_lons, expected in cases:
            values = tile.points(case_lats, case_lons)
            assert values.shape == np.shape(case_lats)
            if expected is None:  # converted from another type: the same as float64 of it
                expected = tile.points(np.asarray(case_lats, np.float64), np.asarray(case_lons, np.float64))
            np.testing.assert_array_equal(values, expected)
        empty = tile.points(np.array([]), np.array([]))
        assert empty.shape == (0,) and empty.dtype == np.float32


@pytest.mark.parametrize(
    "lats, lons, error, message",
    [
        ([46.5, np.nan], [-121.5, -121.5], ValueError, "position 1"),
        ([46.5], [np.inf], ValueError, "position 0"),
        ([46.5, 46.6], [-121.5], ValueError, "same shape"),
        (np.array([46.5 + 0j]), [-121.5], TypeError, "complex128"),
        (np.array(["46.5"]), [-121.5], TypeError, "lats must hold real numbers"),
        ([46.5], np.array([True]), TypeError, "lons must hold real numbers"),
    ],
)
def test_bad_positions_are_refused(tiles, lats, lons, error, message):
    with tessaglyph.open(tiles[0], "srtm_hgt") as tile:
        with pytest.raises(error, match=message):
            tile.points(lats, lons)


def test_library_errors_carry_number_source_and_description(tmp_path, tiles):
    short = tmp_path / "N10W010.hgt"
    short.write_bytes(b"\0" * 1000)  # no tile size the script knows
    cases = [
        (lambda: tessaglyph.open(short, "srtm_hgt"), 14006, ""),  # raised without a source
        (lambda: tessaglyph.open(tiles[0], tmp_path / "none.tgp"), 14005, "Tessaglyph::OpenFile"),
    ]
    for call, number, source in cases:
        with pytest.raises(tessaglyph.Error) as raised:
            call()
        assert (raised.value.number, raised.value.source) == (number, source)
        assert raised.value.description and raised.value.description in str(raised.value)
        assert raised.value.args == (number, source, raised.value.description)


def test_arguments_the_module_refuses(tmp_path, tiles):
    with pytest.raises(FileNotFoundError):
        tessaglyph.open(tmp_path / "N01E001.hgt", "srtm_hgt")
    with pytest.raises(FileNotFoundError):
        tessaglyph.open_area([tiles[0], tmp_path / "N01E001.hgt"], "srtm_hgt")
    with tessaglyph.open(tiles[0], "srtm_hgt") as tile:
        with pytest.raises(ValueError, match="unknown interpolation"):
            tile.point(46.5, -121.5, interp="bilinear")
        with pytest.raises(ValueError, match="cannot be converted"):
            tile.points([46.5], [-121.5], datum="Atlantis")
        with pytest.raises(TypeError, match="must be a path"):
            tessaglyph.open(42, "srtm_hgt")
    with pytest.raises(ValueError, match="no bundled script"):
        tessaglyph.open(tiles[0], "no_such_format")


def test_a_closed_file_refuses_reads(tiles):
    with tessaglyph.open(tiles[0], "srtm_hgt") as tile:
        assert not tile.closed
        assert tile.info()["rows"] == 1201 and tile.metrics.bounds.north == pytest.approx(47)
    assert tile.closed
    for read in (lambda: tile.point(46.5, -121.5), lambda: tile.points([46.5], [-121.5])):
        with pytest.raises(ValueError, match="closed"):
            read()
    tile.close()  # closing twice is harmless


def test_positions_on_another_datum_read_the_shifted_place(tiles):
    # NAD83 positions read from the tile's WGS84 grid move by far less than a cell there.
    lats, lons = random_positions(20)
    inside = (lats > 46.01) & (lats < 46.99) & (lons > -121.99) & (lons < -121.01)
    with tessaglyph.open(tiles[0], "srtm_hgt") as tile:
        own = tile.points(lats[inside], lons[inside], interp="closest")
        moved = tile.points(lats[inside], lons[inside], interp="closest", datum="NAD83")
        assert tile.datum == tile.own_datum  # the call's datum does not stay
        assert np.mean(own == moved) > 0.8


def test_threads_share_the_library_one_at_a_time(tiles):
    lats, lons = random_positions(2000, seed=5)
    with tessaglyph.open(tiles[0], "srtm_hgt") as tile, tessaglyph.open(tiles[1], "srtm_hgt") as other:
        expected = tile.points(lats, lons), other.points(lats, lons + 1)
        results = {}

        def read(key, f, shift):
            results[key] = f.points(lats, lons + shift)

        threads = [
            threading.Thread(target=read, args=(i, (tile, other)[i % 2], i % 2)) for i in range(6)
        ]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        for i in range(6):
            np.testing.assert_array_equal(results[i], expected[i % 2])


def test_a_tile_written_here_reads_back_its_nodes(tmp_path):
    path = write_srtm_tile(tmp_path, -3, 12)
    heights = np.fromfile(path, ">i2").reshape(1201, 1201)
    rows = np.array([0, 1, 600, 1200])
    cols = np.array([0, 1199, 600, 3])
    with tessaglyph.open(path, "srtm_hgt") as tile:
        values = tile.points(-2 - rows / 1200, 12 + cols / 1200, interp="closest")
    np.testing.assert_array_equal(values, heights[rows, cols].astype(np.float32))
