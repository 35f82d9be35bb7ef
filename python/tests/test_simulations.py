"""Several simulations in one process: side by side, on threads, copied; and the interpreter
runs on while one steps."""

import gc
import threading
import time

import pytest

import quva


def flight(sim, until=40.0):
    sim.when("alt<3500", vessel="Drogue", action="release")
    sim.run(until=until)
    return {v.name: (v.position, v.velocity) for v in sim.vessels}


def test_simulations_side_by_side_fly_as_each_would_alone():
    alone = flight(quva.Simulation.load("Quva/Recovery"))
    a, b = quva.Simulation.load("Quva/Recovery"), quva.Simulation.load("Quva/Recovery")
    b.vessel("Capsule").empty_mass = 9000.0  # b differs, a must not notice
    for t in range(1, 41):  # interleaved, one second each
        a.run(until=t)
        b.run(until=t)
        if t == 1:
            a.when("alt<3500", vessel="Drogue", action="release")
    assert {v.name: (v.position, v.velocity) for v in a.vessels} == alone
    assert b.vessel("Capsule").position != a.vessel("Capsule").position
    a.close()
    assert b.vessel("Capsule").alive and b.t == 40.0
    b.close()


def test_threads_step_simulations_of_their_own_at_once():
    alone = flight(quva.Simulation.load("Quva/Recovery"), until=120.0)
    results = [None] * 4

    def work(k):
        with quva.Simulation.load("Quva/Recovery") as sim:
            results[k] = flight(sim, until=120.0)

    threads = [threading.Thread(target=work, args=(k,)) for k in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == [alone] * 4


def test_two_threads_on_one_simulation_take_turns():
    # 1500 steps end at 150 s, before the capsule, flown as one body with its canopies, touches
    # down (about 171 s), so every reading taken between two steps is of a capsule in the air.
    with quva.Simulation.load("Quva/Recovery", assembly="combined") as sim:
        capsule = sim.vessel("Capsule")
        readings = []

        def read():
            while sim.step_count < 1500:
                readings.append(capsule.altitude)

        reader = threading.Thread(target=read)
        reader.start()
        sim.step(1500)
        reader.join()
        assert readings and all(a > 0 for a in readings)


def test_the_interpreter_runs_on_while_a_simulation_steps():
    ticks = []
    done = threading.Event()

    def watchdog():
        while not done.is_set():
            ticks.append(time.monotonic())
            time.sleep(0.001)

    with quva.Simulation.load("Quva/Recovery") as sim:
        thread = threading.Thread(target=watchdog)
        thread.start()
        started = time.monotonic()
        sim.step(30000)
        finished = time.monotonic()
        done.set()
        thread.join()
    during = [t for t in ticks if started < t < finished]
    # The step lasts a good fraction of a second; without the lock released the watchdog would
    # not tick at all meanwhile.
    assert len(during) >= 5, (finished - started, len(during))


def test_a_copy_goes_on_alone_from_the_same_state():
    with quva.Simulation.load("Quva/Recovery", telemetry=["altitude"]) as sim:
        sim.when("alt<3500", vessel="Drogue", action="release")
        sim.run(until=10)
        twin = sim.copy()
        assert twin.t == sim.t and twin.step_count == sim.step_count and twin.mjd == sim.mjd
        assert [v.name for v in twin.vessels] == [v.name for v in sim.vessels]
        for a, b in zip(sim.vessels, twin.vessels):
            assert a.position == b.position and a.velocity == b.velocity and a.animations == pytest.approx(b.animations, abs=1e-4)
        assert twin.timeline() == sim.timeline()
        assert len(twin.telemetry("Capsule")["altitude"]) == 101
        # Both fly on: the same way (the condition still to come included), and independently.
        sim.run(until=60)
        twin.run(until=60)
        for a, b in zip(sim.vessels, twin.vessels):
            assert a.position == pytest.approx(b.position, abs=0.05), a.name
        assert any("condition alt<3500 met" in e[3] for e in twin.timeline())
        twin.vessel("Capsule").empty_mass = 1.0
        assert sim.vessel("Capsule").empty_mass == 5500.0
        twin.close()
        assert not sim.closed and sim.vessel("Capsule").alive


def test_a_forgotten_simulation_never_blocks_another():
    def fails_with_a_simulation_open():
        sim = quva.Simulation.load("Quva/Recovery")  # noqa: F841, kept alive by the traceback
        raise RuntimeError("a notebook cell that fails")

    try:
        fails_with_a_simulation_open()
    except RuntimeError as e:
        kept = e  # the traceback holds the simulation
    with quva.Simulation.load("Quva/Recovery") as sim:
        assert len(sim.vessels) == 3
    del kept
    quva.Simulation.load("Quva/ApexCover")  # dropped at once
    gc.collect()
    with quva.Simulation.load("Quva/ApexCover") as sim:
        sim.step()
