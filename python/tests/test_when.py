"""Actions on conditions, watched by the runtime without Python in every step, against the quva
command's triggered events; and conditions on time, which follow the rule of timed events."""

import pytest

import quva
from conftest import run_quva


def fired_at(stdout, text):
    return float(next(l for l in stdout.splitlines() if f"condition {text} met" in l).split()[0])


def test_release_on_a_condition_saves_what_the_command_saves(tmp_path):
    saved = tmp_path / "cmd.scn"
    run_quva("run", "Quva/Recovery", "--until", 60, "--release", "alt<3500:Drogue", "--save", saved,
             "--assembly", "combined")
    with quva.Simulation.load("Quva/Recovery", assembly="combined") as sim:
        trigger = sim.when("alt<3500", vessel=sim.vessel("Drogue"), action="release")
        assert not trigger.fired and trigger.t is None
        sim.run(until=60)
        assert trigger.fired and 10.0 < trigger.t < 30.0  # the drogue slows under its canopy
        assert sim.scenario_text() == saved.read_text()


def test_key_press_on_a_condition_matches_the_command(tmp_path):
    saved = tmp_path / "gear.scn"
    run_quva("run", "Quva/LunarGear", "--dt", 0.05, "--until", 2, "--key", "t>=1:Descent:G", "--save", saved)
    with quva.Simulation.load("Quva/LunarGear", dt=0.05) as sim:
        sim.when("t>=1", vessel="Descent", action="press", key="G")
        sim.run(until=2)
        assert sim.scenario_text() == saved.read_text()


@pytest.mark.parametrize("dt, condition, expected", [
    (0.3, "t>=0.9", 0.9),   # 3 * 0.3 is 0.8999999999999999 in binary, yet step 3 ends at 0.9
    (0.1, "t>0.3", 0.4),    # 3 * 0.1 is 0.30000000000000004, yet step 3 ends at 0.3, not after
    (0.1, "t>=0.3", 0.3),
    (0.1, "t<=0.3", 0.1),
    (0.25, "t>0.6", 0.75),  # not on a step: the first step end past it
])
def test_conditions_on_time_follow_the_whole_step_rule(dt, condition, expected):
    done = run_quva("run", "Quva/LunarGear", "--dt", dt, "--until", 2, "--key", f"{condition}:Descent:G")
    assert fired_at(done.stdout, condition) == pytest.approx(expected, abs=1e-9)
    with quva.Simulation.load("Quva/LunarGear", dt=dt) as sim:
        trigger = sim.when(condition, vessel="Descent", action="press", key="G")
        sim.run(until=2)
        assert trigger.t == pytest.approx(expected, abs=1e-9)


def test_the_timed_event_and_the_condition_on_time_agree():
    done = run_quva("run", "Quva/LunarGear", "--dt", 0.3, "--until", 2, "--key", "0.9:Descent:G", "--key",
                    "t>=0.9:Descent:G")
    presses = [l for l in done.stdout.splitlines() if "key G pressed" in l]
    assert len(presses) == 2 and {p.split()[0] for p in presses} == {"0.900"}, presses


def test_a_callable_runs_once_between_steps_and_may_act():
    with quva.Simulation.load("Quva/Recovery") as sim:
        calls = []

        def release(drogue):
            calls.append((sim.t, drogue.altitude))
            drogue.release()

        sim.when("alt<3500", vessel="Drogue", action=release)
        sim.run(until=30)
        assert len(calls) == 1 and calls[0][1] < 3500
        assert sim.vessel("Drogue").parent is None


def test_an_exception_in_a_callable_reaches_the_script_and_leaves_the_simulation_usable():
    with quva.Simulation.load("Quva/Recovery") as sim:
        def fail(_vessel):
            raise KeyError("from the script")

        sim.when("t>=1", vessel="Capsule", action=fail)
        with pytest.raises(KeyError):
            sim.run(until=5)
        assert sim.t == pytest.approx(1.0) and sim.failure is None
        sim.run(until=5)
        assert sim.t == pytest.approx(5.0)


def test_stop_ends_the_run_and_delete_removes_the_vessel():
    # Flown as one body, the canopies slow the capsule: it passes 3000 m well after 10 s.
    with quva.Simulation.load("Quva/Recovery", assembly="combined") as sim:
        sim.when("alt<3000", vessel="Capsule", action="stop")
        sim.when("t>=2", vessel="Main", action="delete")
        assert sim.run(until=100) is False
        assert 10.0 < sim.t < 30.0 and sim.vessel("Capsule").altitude < 3000
        assert [v.name for v in sim.vessels] == ["Capsule", "Drogue"]
        assert sim.run(until=20) is True and sim.t == pytest.approx(20.0)


@pytest.mark.parametrize("args, error, message", [
    (("alt<<3", "Drogue", "release"), ValueError, "alt<<3"),
    (("height<3", "Drogue", "release"), ValueError, "unknown reading"),
    (("alt<3", "Drouge", "release"), quva.Error, 'there are "Capsule", "Drogue", "Main"'),
    (("alt<3", "Drogue", "explode"), ValueError, "explode"),
    (("alt<3", "Drogue", "press"), ValueError, "key"),
])
def test_bad_actions_are_refused(args, error, message):
    with quva.Simulation.load("Quva/Recovery") as sim:
        with pytest.raises(error, match=message):
            sim.when(*args)
