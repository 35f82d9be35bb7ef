"""Bounds and types: runs within the command's step limit, numbers that are numbers, telemetry
that cannot eat the memory."""

import warnings

import pytest

import quva
from conftest import read_csv, run_quva


@pytest.mark.parametrize("call", [
    lambda sim: sim.step(10**12),
    lambda sim: sim.run(until=1e12),
    lambda sim: sim.run(until=lambda s: False, limit=1e12),
])
def test_runs_longer_than_the_commands_limit_are_refused_before_they_start(call):
    with quva.Simulation.load("Quva/ApexCover") as sim:
        with pytest.raises(ValueError, match="1,000,000,000"):
            call(sim)
        assert sim.step_count == 0


def test_a_step_too_short_is_refused_by_the_same_limit():
    with pytest.raises(ValueError, match="dt=1e-300"):
        quva.Simulation.load("Quva/ApexCover", dt=1e-300)
    with quva.Simulation.load("Quva/ApexCover", dt=1e-6) as sim:
        with pytest.raises(ValueError, match="steps"):
            sim.run(until=1001)  # 1.001e9 steps
        sim.run(until=1e-5)
        assert sim.step_count == 10


@pytest.mark.parametrize("call, error", [
    (lambda sim: sim.run(until="10"), TypeError),
    (lambda sim: sim.run(until=None), TypeError),
    (lambda sim: sim.run(until=True), TypeError),
    (lambda sim: sim.run(until=float("nan")), ValueError),
    (lambda sim: sim.run(until=float("-inf")), ValueError),
    (lambda sim: sim.run(until=lambda s: True, limit=float("nan")), ValueError),
    (lambda sim: sim.run(until=lambda s: True, limit="10"), TypeError),
    (lambda sim: sim.step(2.0), TypeError),
    (lambda sim: sim.step("3"), TypeError),
    (lambda sim: sim.step(True), TypeError),
    (lambda sim: sim.step(-1), ValueError),
])
def test_non_numbers_and_non_finite_numbers_are_refused(call, error):
    with quva.Simulation.load("Quva/ApexCover") as sim:
        with pytest.raises(error):
            call(sim)
        assert sim.step_count == 0


@pytest.mark.parametrize("options, error", [
    (dict(dt="0.1"), TypeError), (dict(dt=float("nan")), ValueError), (dict(dt=0), ValueError),
    (dict(telemetry=True, telemetry_interval=-1), ValueError), (dict(telemetry=True, telemetry_interval="1"), TypeError),
    (dict(telemetry=True, telemetry_limit=1.5), TypeError), (dict(telemetry=["altitude", "nonsense"]), ValueError),
    (dict(telemetry="altitude"), TypeError),
])
def test_bad_load_options(options, error):
    with pytest.raises(error):
        quva.Simulation.load("Quva/ApexCover", **options)


def test_a_condition_without_limit_stops_at_the_default_and_says_so():
    with quva.Simulation.load("Quva/ApexCover", dt=1.0) as sim:
        with pytest.warns(RuntimeWarning, match="3600 s"):
            assert sim.run(until=lambda s: False) is False
        assert sim.t == pytest.approx(3600.0)
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            assert sim.run(until=lambda s: False, limit=3610.0) is False  # a limit given: no warning
        assert sim.t == pytest.approx(3610.0)


def test_telemetry_interval_samples_as_the_commands_csv_interval(tmp_path):
    table = tmp_path / "t.csv"
    run_quva("run", "Quva/Recovery", "--dt", 0.1, "--until", 30, "--csv", table, "--csv-interval", 2.5)
    rows = read_csv(table)
    with quva.Simulation.load("Quva/Recovery", telemetry=["altitude", "speed"], telemetry_interval=2.5) as sim:
        sim.run(until=30)
        for name, track in sim.telemetry().items():
            assert list(track["time"]) == pytest.approx([r["time"] for r in rows[name]], abs=1e-9)
            assert list(track["altitude"]) == pytest.approx([r["altitude"] for r in rows[name]], rel=1e-8)
            assert set(track) == {"time", "altitude", "speed"}


def test_telemetry_past_its_limit_is_refused_or_stopped_clearly():
    with quva.Simulation.load("Quva/Recovery", telemetry=True, telemetry_limit=3 * 101) as sim:
        with pytest.raises(ValueError, match="telemetry_limit"):
            sim.run(until=11)  # 110 more samples of 3 vessels
        assert sim.step_count == 0
        sim.run(until=10)
        with pytest.raises(ValueError, match="telemetry_limit"):
            sim.run(until=lambda s: False, limit=20)
        assert sim.step_count == 100 and sim.failure is None
        assert len(sim.telemetry("Capsule")["time"]) == 101
