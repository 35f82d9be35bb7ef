"""Acting on vessels from a script: releases, key presses, deletion, conditions, and the same
runs through the quva command's timed and triggered events."""

import pytest

import quva
from conftest import run_quva


def test_a_condition_in_python_and_on_the_command_line_end_alike(tmp_path):
    saved = tmp_path / "triggered.scn"
    done = run_quva("run", "Quva/Recovery", "--until", 60, "--release", "alt<3500:Drogue", "--save", saved)
    assert "condition alt<3500 met" in done.stdout
    with quva.Simulation.load("Quva/Recovery") as sim:
        drogue = sim.vessel("Drogue")
        assert drogue.parent.name == "Capsule"
        assert sim.run(until=lambda s: drogue.altitude < 3500)
        drogue.release()
        assert drogue.parent is None
        sim.run(until=60)
        assert sim.scenario_text() == saved.read_text()


@pytest.mark.parametrize("reading, limit", [("airspeed", 90.0), ("vz", -90.0)])
def test_triggered_events_compare_the_readings_the_package_shows(tmp_path, reading, limit):
    # The drogue slows down under its canopy: the command fires at the first step end where the
    # reading passes the limit, which is where the package's property first passes it.
    done = run_quva("run", "Quva/Recovery", "--until", 60, "--release", f"{reading}{'<' if limit > 0 else '>'}{limit}:Drogue")
    line = next(l for l in done.stdout.splitlines() if "condition" in l and "met" in l)
    fired_at = float(line.split()[0])
    with quva.Simulation.load("Quva/Recovery") as sim:
        drogue = sim.vessel("Drogue")
        value = (lambda: drogue.airspeed) if reading == "airspeed" else (lambda: drogue.vertical_speed)
        passed = (lambda: value() < limit) if limit > 0 else (lambda: value() > limit)
        assert not passed()
        assert sim.run(until=lambda s: passed(), limit=60)
        assert sim.t == pytest.approx(fired_at, abs=1e-3)


def test_key_press_matches_the_commands_timed_key(tmp_path):
    saved = tmp_path / "gear.scn"
    run_quva("run", "Quva/LunarGear", "--dt", 0.05, "--until", 2, "--key", "1:Descent:G", "--save", saved)
    with quva.Simulation.load("Quva/LunarGear", dt=0.05) as sim:
        descent = sim.vessel("Descent")
        assert descent.landed and descent.ground_contact
        states = descent.animations
        sim.run(until=1)
        assert descent.press("G") is True
        sim.run(until=2)
        assert descent.animations != states
        assert sim.scenario_text() == saved.read_text()


def test_run_until_a_condition_stops_at_the_limit_when_it_never_holds():
    with quva.Simulation.load("Quva/Recovery") as sim:
        seen = []
        assert sim.run(until=lambda s: seen.append(s.t) or False, limit=1.0) is False
        assert sim.step_count == 10
        assert seen == pytest.approx([0.1 * k for k in range(1, 11)])


def test_a_deleted_vessel_goes_at_the_end_of_the_next_step_and_its_handle_says_so():
    with quva.Simulation.load("Quva/Recovery") as sim:
        drogue = sim.vessel("Drogue")
        drogue.delete()
        assert drogue.alive
        sim.step()
        assert not drogue.alive
        assert [v.name for v in sim.vessels] == ["Capsule", "Main"]
        with pytest.raises(quva.Error, match='vessel "Drogue" has been removed'):
            drogue.altitude
        with pytest.raises(quva.Error, match="removed"):
            drogue.release()
        assert "removed" in repr(drogue) or "gone" in repr(drogue)
        assert (1, pytest.approx(0.1), "Drogue", "removed") in sim.timeline()


def test_trace_records_are_dicts_in_the_commands_format(tmp_path):
    trace_file = tmp_path / "trace.jsonl"
    run_quva("run", "Quva/ApexCover", "--steps", 3, "--trace", trace_file)
    import json

    expected = [json.loads(line) for line in trace_file.read_text().splitlines()]
    with quva.Simulation.load("Quva/ApexCover", trace=True) as sim:
        sim.step(3)
        assert list(sim.trace()) == expected
        assert list(sim.trace(new_only=True)) == expected
        sim.step()
        new = list(sim.trace(new_only=True))
        assert new and all(r["step"] in (3, 4) for r in new)
        assert {"step", "t", "vessel", "dir", "call", "args", "ret"} <= set(new[0])
