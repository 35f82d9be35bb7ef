"""Bad input and misuse: each is a Python exception with the command's message, never a crash."""

import pytest

import quva


def test_a_bad_scenario_names_file_and_line(scenario):
    path = scenario("C:Pilmont\n  STATUS Orbiting Earth\n  RPOS 1 2 x\nEND\n")
    with pytest.raises(quva.Error) as caught:
        quva.Simulation.load(path)
    assert caught.value.file == str(path)
    assert caught.value.line == 4
    assert str(caught.value).startswith(f"{path}:4: ")


@pytest.mark.parametrize(
    "ships, message",
    [
        ("X:NoSuchClass\nEND\n", "NoSuchClass"),
        ("A:Pilmont\nEND\nA:Pilmont\nEND\n", 'vessel name "A" is already used'),
        ("A:Pilmont\n  ATTACHED 0:0,Ghost\nEND\n", "Ghost"),
    ],
)
def test_bad_vessels_are_errors_with_the_message(scenario, ships, message):
    with pytest.raises(quva.Error, match=message):
        quva.Simulation.load(scenario(ships))
    # A failed load leaves nothing open.
    quva.Simulation.load("Quva/ApexCover").close()


def test_missing_scenario_and_bad_arguments(tmp_path):
    with pytest.raises(quva.Error, match="none.scn"):
        quva.Simulation.load(tmp_path / "none.scn")
    for dt in (0, -0.1, float("nan"), float("inf")):
        with pytest.raises(ValueError):
            quva.Simulation.load("Quva/ApexCover", dt=dt)


def test_several_simulations_may_be_open_at_once():
    # Once only one could be; now each is independent (see test_simulations.py).
    first = quva.Simulation.load("Quva/ApexCover")
    with quva.Simulation.load("Quva/Recovery") as second:
        assert len(second.vessels) == 3 and len(first.vessels) == 2
    first.close()


def test_errors_a_user_meets_say_what_to_do(tmp_path):
    with quva.Simulation.load("Quva/Recovery") as sim:
        with pytest.raises(quva.Error, match='no vessel named "Drouge" \\(there are "Capsule", "Drogue", "Main"\\)'):
            sim.vessel("Drouge")
    with pytest.raises(quva.Error) as missing:
        quva.Simulation.load("Quva/Recovry")
    assert "Recovry.scn" in str(missing.value) and "Scenarios" in str(missing.value)
    assert missing.value.file == "Quva/Recovry" and missing.value.line is None
    with pytest.raises(TypeError, match="Simulation.load"):
        quva.Simulation("Quva/Recovery")
    # Every Error has both attributes, None where they do not apply.
    assert quva.Error("x").file is None and quva.Error("x").line is None
    with quva.Simulation.load("Quva/ApexCover") as sim:
        with pytest.raises(quva.Error) as misuse:
            sim.vessel("Capsule").release()
        assert misuse.value.file is None and misuse.value.line is None


def test_a_closed_simulation_and_its_handles_refuse_politely():
    sim = quva.Simulation.load("Quva/Recovery")
    drogue = sim.vessel("Drogue")
    sim.close()
    sim.close()  # twice is harmless
    assert sim.closed and not drogue.alive
    for use in (lambda: sim.t, lambda: sim.step(), lambda: sim.vessels, lambda: sim.save("x.scn"),
                lambda: drogue.altitude, lambda: drogue.press("G")):
        with pytest.raises(quva.Error, match="closed"):
            use()


def test_misuse_of_a_vessel_is_an_error_not_a_crash():
    with quva.Simulation.load("Quva/Recovery") as sim:
        capsule, drogue = sim.vessel("Capsule"), sim.vessel("Drogue")
        with pytest.raises(quva.Error, match='no vessel named "Nobody"'):
            sim.vessel("Nobody")
        with pytest.raises(quva.Error, match="not attached"):
            capsule.release()
        for key, modifiers in (("GG", []), ("", []), ("1", []), ("G", ["meta"])):
            with pytest.raises(ValueError):
                drogue.press(key, modifiers)
        for kg in (0.0, -5.0, float("nan")):
            with pytest.raises(ValueError):
                capsule.empty_mass = kg
        with pytest.raises(ValueError):
            sim.step(-1)
        for t in (float("nan"), float("inf")):
            with pytest.raises(ValueError, match="finite"):
                sim.run(until=t)
        for n in ("many", 2.5):
            with pytest.raises(TypeError):
                sim.step(n)
        with pytest.raises(quva.Error, match="telemetry=True"):
            sim.telemetry()
        with pytest.raises(quva.Error, match="trace=True"):
            sim.trace()
        assert sim.t == 0.0  # nothing of the above moved the clock


def test_a_step_that_fails_stops_the_simulation_but_leaves_it_readable(scenario):
    path = scenario("P:FailingProbe\n  STATUS Orbiting Earth\n  RPOS 0 6400000 0\n  RVEL 0 0 7800\n  FAIL_AT 0.3\nEND\n")
    with quva.Simulation.load(path) as sim:
        probe = sim.vessel("P")
        with pytest.raises(quva.Error, match="fails on purpose"):
            sim.run(until=1.0)
        assert "fails on purpose" in sim.failure
        for go_on in (lambda: sim.step(), lambda: sim.run(until=2.0), lambda: sim.run(until=lambda s: True)):
            with pytest.raises(quva.Error, match="stopped at an error"):
                go_on()
        assert probe.altitude > 0 and sim.step_count == 3
        assert "P:FailingProbe" in sim.scenario_text()


def test_unknown_classes_are_carried_along_on_request(scenario):
    path = scenario("S:SomeStation\n  STATUS Orbiting Earth\nEND\nC:Pilmont\n  STATUS Orbiting Earth\n  RPOS 0 6400000 0\nEND\n")
    with pytest.raises(quva.Error, match="load with keep_unknown=True") as caught:
        quva.Simulation.load(path)
    assert "--keep-unknown" not in str(caught.value)
    with quva.Simulation.load(path, keep_unknown=True) as sim:
        station = sim.vessel("S")
        assert station.class_name == "SomeStation"
        with pytest.raises(quva.Error, match="no flight state"):
            station.altitude
        sim.step(2)
        assert "S:SomeStation\n  STATUS Orbiting Earth\nEND\n" in sim.scenario_text()


def test_ctrl_c_ends_a_long_run_between_steps():
    import os
    import subprocess

    with quva.Simulation.load("Quva/Recovery") as sim:
        # As from a terminal: the signal comes from outside while the run holds the interpreter.
        kill = subprocess.Popen(["sh", "-c", f"sleep 0.3; kill -INT {os.getpid()}"])
        try:
            with pytest.raises(KeyboardInterrupt):
                sim.run(until=1e6)
        finally:
            kill.wait()
        assert 0 < sim.step_count < 10**7 and sim.step_count % 1000 == 0
        assert sim.failure is None
        before = sim.step_count
        sim.step()
        assert sim.step_count == before + 1
