# The Python module against the command line, and what it does with arrays it cannot take.
import csv
import json
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest
from osgeo import gdal

import branchranker
from conftest import SOURCE_DIR, run_program

gdal.UseExceptions()

# The networks ordered three ways: the sample GeoTIFF, and a drawn and a terrain network from
# the generator (ASCII grids, with their NoData value); the terrain also read as a flow grid.
NETWORKS = {
    "sample": None,
    "drawn": ["240", "320", "7", "--drawn", "--braids", "2"],
    "terrain": ["256", "256", "11", "--terrain", "40"],
    "terrain_flow_grid": ["256", "256", "11", "--terrain", "40"],
}


def network_file(kind, gennet, folder):
    if kind == "sample":
        return str(SOURCE_DIR / "images" / "Sample" / "sample.tif")
    args = NETWORKS[kind]
    base = folder / kind
    done = run_program([gennet, args[0], args[1], args[2], base, "25", *args[3:]])
    assert done.returncode == 0, done.stderr
    return str(base) + ".asc"


def read_files(folder):
    return {p.name: p.read_bytes() for p in sorted(folder.iterdir())}


def csv_rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def same_row(record, row):
    for column, text in row.items():
        value = record[column]
        if text == "":
            assert value is None, column
        elif isinstance(value, str):
            assert value == text, column
        else:
            assert value == type(value)(text), column


@pytest.mark.parametrize("kind", list(NETWORKS))
def test_array_file_and_command_line_agree(kind, cli, gennet, tmp_path):
    path = network_file(kind, gennet, tmp_path)
    out = tmp_path / "out"
    out.mkdir()
    stem = Path(path).stem
    segments, summary = out / "segments.csv", out / "summary.json"
    flow_grid = kind.endswith("flow_grid")
    done = run_program([cli, "order", path, "--output", f"{out}/", "--segments", segments,
                        "--summary", summary, "--quiet"] + (["--flow-grid"] if flow_grid else []))
    assert done.returncode == 0, done.stderr
    expected = read_files(out)
    image = next(n for n in expected if n.startswith(stem + "_strahler.") and
                 not n.endswith((".prj", ".xml", ".hdr", ".bpw")))
    fmt = Path(image).suffix[1:]

    ds = gdal.Open(path)
    band = ds.GetRasterBand(1)
    from_file = branchranker.order_file(path, flow_grid=flow_grid)
    from_array = branchranker.order(band.ReadAsArray(), nodata=band.GetNoDataValue(),
                                    geotransform=ds.GetGeoTransform(),
                                    crs=ds.GetProjection() or None, name=path,
                                    flow_grid=flow_grid)
    cli_summary = json.loads(summary.read_text())["networks"][0]
    rows = csv_rows(segments)
    for result in (from_file, from_array):
        assert result.orders.dtype == np.uint8
        assert len(result.segments) == len(rows)
        for record, row in zip(result.segments, rows):
            same_row(record, row)
        figures = dict(result.summary)
        for key in ("order_image", "order_image_written", "report"):
            figures[key] = cli_summary[key]
        assert figures == cli_summary
        assert result.unsound == cli_summary["unsound"]
        # Written again under the command line's names: the same bytes.
        for f in out.iterdir():
            f.unlink()
        result.save(str(out / stem), format=fmt, segments=str(segments), summary=str(summary))
        assert read_files(out) == expected
    assert np.array_equal(from_file.orders, from_array.orders)
    if flow_grid:  # every channel cell ordered
        cells = band.ReadAsArray()
        assert not np.any((from_file.orders == 255) & (cells != cells.max()))
    assert from_file.geotransform == from_array.geotransform == ds.GetGeoTransform()


def test_frames(cli, tmp_path):
    pandas = pytest.importorskip("pandas")
    path = str(SOURCE_DIR / "images" / "Sample" / "sample.tif")
    result = branchranker.order_file(path)
    table = tmp_path / "segments.csv"
    result.save(str(tmp_path / "sample"), segments=str(table))
    frame = result.segments_frame()
    pandas.testing.assert_frame_equal(frame, pandas.read_csv(table), check_dtype=False)
    geopandas = pytest.importorskip("geopandas")
    lines = result.segments_geoframe()
    assert len(lines) == len(frame) and set(lines.geom_type) == {"LineString"}
    assert lines.geometry.iloc[0].coords[0] == (frame.first_x[0], frame.first_y[0])


def small_network():
    """A Y of 0s on 255, its stem reaching the bottom border."""
    a = np.full((40, 48), 255, np.uint8)
    for i in range(20):
        a[2 + i, 4 + i] = a[2 + i, 42 - i] = 0
    a[22:, 23] = 0
    return a


@pytest.mark.parametrize("make, error, words", [
    (lambda a: a[:, :, None], ValueError, "2-D array"),
    (lambda a: a[0], ValueError, "2-D array"),
    (lambda a: a[:0], ValueError, "empty"),
    (lambda a: a.astype(np.complex64), TypeError, "complex cells"),
    (lambda a: a.astype(object), TypeError, "cannot hold a network"),
    (lambda a: a.astype("U1"), TypeError, "cannot hold a network"),
    (lambda a: np.where(a == 0, 7, 1).astype(np.uint8), ValueError, "network"),
])
def test_bad_arrays_raise(make, error, words):
    with pytest.raises(error, match=words):
        branchranker.order(make(small_network()), value=0 if "network" == words else None)


@pytest.mark.parametrize("view", [
    lambda a: a,                                       # in place
    lambda a: np.asfortranarray(a),                     # strided, in place
    lambda a: np.pad(a, ((0, 0), (0, 9)))[:, :48],      # a slice of a wider array
    lambda a: a.astype(np.int8).astype(">i2"),          # copied: other byte order
    lambda a: a.astype(np.float16),                     # copied: float16
    lambda a: np.flipud(np.flipud(a)),                  # copied: negative steps
    lambda a: a == 0,                                   # bool, read as bytes
])
def test_any_layout_gives_the_same_orders(view):
    a = small_network()
    expected = branchranker.order(a).orders
    assert expected[expected != 255].max() == 2
    held = view(a)
    held.flags.writeable = False  # read, never written
    assert np.array_equal(branchranker.order(held).orders, expected)


def test_missing_file_and_memory_running_out(tmp_path):
    with pytest.raises(FileNotFoundError):
        branchranker.order_file(str(tmp_path / "none.tif"))
    # A grid that cannot be had within the address space left: MemoryError, and the
    # interpreter goes on.
    script = """
import resource, numpy as np, branchranker
a = np.full((8192, 8192), 255, np.uint8)
a[:, 4096] = 0
size = int(next(l for l in open('/proc/self/status') if l.startswith('VmSize')).split()[1])
limit = (size << 10) + (80 << 20)
resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
try:
    branchranker.order(a, value=0, threads=1)
except MemoryError:
    print('MemoryError caught')
print('alive', branchranker.order(a[:64, 4000:4200], value=0).summary['segments'])
"""
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                          timeout=120, start_new_session=True)
    assert done.returncode == 0, done.stderr
    assert done.stdout.split("\n")[:2] == ["MemoryError caught", "alive 1"]
