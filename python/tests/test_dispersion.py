"""The dispersion example: the seed alone decides the runs, whatever the number of processes."""

import csv
import os
import subprocess
import sys
from pathlib import Path

EXAMPLE = Path(__file__).resolve().parents[2] / "examples" / "dispersion.py"


def dispersion(out, seed, jobs, runs=4):
    done = subprocess.run([sys.executable, str(EXAMPLE), "--runs", str(runs), "--seed", str(seed), "--jobs",
                           str(jobs), "--out", str(out)], capture_output=True, text=True, env=os.environ)
    assert done.returncode == 0, done.stdout + done.stderr
    return (out / "runs.csv").read_text(), (out / "footprint.svg").read_text()


def test_the_same_seed_repeats_the_runs_exactly(tmp_path):
    first = dispersion(tmp_path / "a", seed=11, jobs=1)
    assert dispersion(tmp_path / "b", seed=11, jobs=2) == first
    assert dispersion(tmp_path / "c", seed=12, jobs=2)[0] != first[0]


def test_every_run_lands_with_sane_figures(tmp_path):
    table, svg = dispersion(tmp_path, seed=5, jobs=2)
    rows = list(csv.DictReader(table.splitlines()))
    assert [int(r["run"]) for r in rows] == [0, 1, 2, 3]
    for r in rows:
        assert r["landed"] == "1"
        # Under the main canopies the capsule comes down at some 20 m/s, far slower than the
        # 100 m/s it starts with; both canopies carried a load.
        assert 10.0 < float(r["descent_rate_mps"]) < 40.0
        assert float(r["main_peak_drag_n"]) > 0.0 and float(r["drogue_peak_drag_n"]) > 0.0
        assert float(r["touchdown_s"]) > 100.0
    assert svg.count("<circle") == 4 and svg.count("<ellipse") == 2  # the points, the 50 % and 95 % ellipses
    assert "east of the mean touchdown point (m)" in svg and "north of the mean touchdown point (m)" in svg
    # Over the ground the points lie around their mean, tens of metres apart, not hundreds.
    east = [float(r["east_m"]) for r in rows]
    north = [float(r["north_m"]) for r in rows]
    assert abs(sum(east)) < 0.01 and abs(sum(north)) < 0.01  # the table has millimetres
    assert max(map(abs, east + north)) < 300.0
