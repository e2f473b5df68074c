"""tessaglyph.convert against known positions."""

import numpy as np
import pytest

import tessaglyph


@pytest.mark.parametrize(
    "lat, lon, source, target, expected_lat, expected_lon, tolerance",
    [
        # Meades Ranch, the NAD27 origin, through the NADCON grids.
        (39.224079, -98.541807, "NAD27", "NAD83", 39.22408916, -98.54215200, 1e-7),
        (39.22408916, -98.54215200, "NAD83", "NAD27", 39.224079, -98.541807, 1e-7),
        # Anchorage: NAD83 and WGS84 are one there.
        (61.2, -149.9, "WGS84", "NAD83", 61.2, -149.9, 1e-9),
    ],
)
def test_convert_gives_known_positions(lat, lon, source, target, expected_lat, expected_lon, tolerance):
    lats, lons, status = tessaglyph.convert([lat, lat], [lon, lon], source, target)
    assert status.dtype == np.int16 and list(status) == [0, 0]
    np.testing.assert_allclose(lats, expected_lat, atol=tolerance)
    np.testing.assert_allclose(lons, expected_lon, atol=tolerance)


def test_a_position_that_does_not_convert_keeps_its_input_with_a_status():
    lats, lons, status = tessaglyph.convert(np.array([[48.85]]), np.array([[2.35]]), "NAD27", "NAD83")
    assert lats.shape == (1, 1) and status[0, 0] != 0
    assert (lats[0, 0], lons[0, 0]) == (48.85, 2.35)


def test_an_unknown_datum_is_refused():
    with pytest.raises(ValueError, match='unknown datum "Atlantis"'):
        tessaglyph.convert([1.0], [2.0], "Atlantis", "NAD83")
