"""The module and lumirastra-trace trace the same schemes alike: the log, the report's counts and
statistics, the hit tables and the windows' pictures, for every bundled example."""

import json

import matplotlib.image
import numpy as np
import pytest

import lumirastra
from conftest import EXAMPLES, run_tracer


@pytest.fixture(scope="module", params=sorted(p.name for p in EXAMPLES.glob("*.ops")))
def traced(request, tmp_path_factory):
    """An example traced by the tracer (log, report, hits, PNGs) and by the module."""
    path = EXAMPLES / request.param
    out = tmp_path_factory.mktemp(path.stem)
    done = run_tracer("--out", out, "--report", out / "report.json", "--hits", out / "hits", path)
    assert done.returncode == 0, done.stderr
    result = lumirastra.trace(lumirastra.Scheme.read(str(path)), images=True, hits=True)
    return out, result


def test_log_is_the_tracers(traced):
    out, result = traced
    assert result.log == (out / "диагностика.dat").read_bytes().decode("cp1251")


def test_counts_and_focus_are_the_reports(traced):
    out, result = traced
    report = json.loads((out / "report.json").read_text())
    assert result.rays == report["rays"]
    assert result.counts == {e["k"]: e["count"] for e in report["elements"]}
    assert sorted(result.focus) == [p["k"] for p in report["focal_planes"]]
    for plane in report["focal_planes"]:
        shifts = result.focus[plane["k"]]
        assert len(shifts) == len(plane["shifts"])
        for row, expected in zip(shifts, plane["shifts"]):
            for field in ("d", "dx", "dy", "max"):
                assert row[field] == np.float32(expected[field])
            assert row["n"] == expected["n"]
            for field in ("cu", "cz", "rms"):
                want = expected[field]
                assert (np.isnan(row[field]) if want is None else row[field] == want)
        best = result.best_focus[plane["k"]]
        assert (best.d, best.d_max) == (plane["best_rms_d"], plane["best_max_d"])


def test_hits_are_the_hit_tables(traced):
    out, result = traced
    tables = {int(p.stem[5:]): p for p in (out / "hits").glob("hits-*.csv")}
    for k, table in tables.items():
        rows = np.genfromtxt(table, delimiter=",", names=True, dtype=None, encoding="utf-8")
        hits = result.hits(k)
        assert len(hits) == rows.size
        assert np.array_equal(hits["ray"], np.atleast_1d(rows["ray"]))
        for field in ("u", "v"):
            assert np.array_equal(hits[field], np.atleast_1d(rows[field]).astype(np.float32))
        assert np.array_equal(hits["passed"], np.atleast_1d(rows["state"]) == "passed")


def test_images_are_the_pngs(traced):
    out, result = traced
    pngs = {int(p.stem[-2:]) + (50 if p.stem.startswith("focus") else 0): p
            for p in out.glob("*.png")}
    assert result.windows == sorted(pngs)
    for window, png in pngs.items():
        expected = np.rint(matplotlib.image.imread(png)[..., :3] * 255).astype(np.uint8)
        assert np.array_equal(result.image(window), expected), png.name
