"""Every reading of the package against the quva command's telemetry table for the same run."""

import math

import pytest

import quva
from conftest import EARTH_RADIUS, read_csv, run_quva

EARTH_RATE = 2.0 * math.pi / 86164.10132  # rad/s, the Earth's sidereal rotation
EARTH_POLE = (0.0, math.cos(0.4090928023), math.sin(0.4090928023))  # its axis, near enough

COLUMNS = ["altitude", "speed", "vertical_speed", "drag", "mass"]


def close(a, b):
    # The table holds nine significant digits.
    return math.isclose(a, b, rel_tol=2e-8, abs_tol=1e-6)


@pytest.fixture(scope="module")
def recovery(tmp_path_factory):
    """The recovery example flown by the command and by the package, the drogue released by a
    condition on its altitude in both."""
    csv_path = tmp_path_factory.mktemp("readings") / "recovery.csv"
    run_quva("run", "Quva/Recovery", "--until", 480, "--release", "alt<3000:Drogue", "--csv", csv_path)
    sim = quva.Simulation.load("Quva/Recovery", telemetry=True)
    drogue = sim.vessel("Drogue")
    assert sim.run(until=lambda s: drogue.altitude < 3000)
    drogue.release()
    sim.run(until=480)
    yield sim, read_csv(csv_path)
    sim.close()


def test_telemetry_columns_match_the_table(recovery):
    sim, table = recovery
    tracks = sim.telemetry()
    assert list(tracks) == ["Capsule", "Drogue", "Main"]
    for name, rows in table.items():
        track = tracks[name]
        assert len(track["time"]) == len(rows), name
        for i, row in enumerate(rows):
            assert close(track["time"][i], row["time"])
            for column in COLUMNS + [c for c in row if c.startswith("anim")]:
                assert close(track[column][i], row[column]), (name, row["time"], column)


def test_vessel_properties_match_the_last_row(recovery):
    sim, table = recovery
    assert [v.name for v in sim.vessels] == ["Capsule", "Main"]  # the drogue was removed on the ground
    for v in sim.vessels:
        last = table[v.name][-1]
        assert close(v.altitude, last["altitude"])
        assert close(v.ground_speed, last["speed"])
        assert close(v.vertical_speed, last["vertical_speed"])
        assert close(v.drag, last["drag"])
        assert close(v.mass, last["mass"])
        assert all(close(a, last[f"anim{i}"]) for i, a in enumerate(v.animations))
        assert isinstance(v.position, tuple) and isinstance(v.velocity, tuple)
        x, y, z = v.position
        vx, vy, vz = v.velocity
        r = math.sqrt(x * x + y * y + z * z)
        assert close(r - EARTH_RADIUS, last["altitude"])
        # The velocity is relative to the body's centre on fixed axes: it holds the motion of the
        # turning ground below, which the speed over the ground leaves out.
        sin_lat = (x * EARTH_POLE[0] + y * EARTH_POLE[1] + z * EARTH_POLE[2]) / r
        surface = EARTH_RATE * r * math.sqrt(1.0 - sin_lat * sin_lat)
        assert abs(math.sqrt(vx * vx + vy * vy + vz * vz) - surface) <= last["speed"] + 0.01 * surface
        assert close((vx * x + vy * y + vz * z) / r, last["vertical_speed"])


def test_the_capsule_lands_under_the_main_cluster(recovery):
    sim, _ = recovery
    capsule, main = sim.vessel("Capsule"), sim.vessel("Main")
    assert capsule.ground_contact
    assert capsule.altitude < 5.0
    assert main.parent is not None and main.parent.name == "Capsule"
    assert capsule.parent is None
    assert capsule.class_name == "QuvaCapsule" and main.class_name == "Ossum"
    assert capsule.empty_mass == 5500.0
    assert sim.t == pytest.approx(480.0) and sim.step_count == 4800
    assert sim.mjd == pytest.approx(60000.5 + 480.0 / 86400.0)


def test_telemetry_is_numpy_when_numpy_is_there(recovery):
    sim, _ = recovery
    numpy = pytest.importorskip("numpy")
    track = sim.telemetry("Capsule")
    assert isinstance(track["altitude"], numpy.ndarray)
    assert track["altitude"].dtype == numpy.float64
    assert track["time"][0] == 0.0 and track["time"][1] == pytest.approx(0.1)


GROUND_COLUMNS = {"latitude": "latitude", "longitude": "longitude", "heading": "heading", "pitch": "pitch",
                  "bank": "bank", "dynamic_pressure": "dynamic_pressure", "mach": "mach"}


def test_telemetry_has_the_ground_readings_of_the_vessels(recovery):
    sim, _ = recovery
    for v in sim.vessels:
        track = sim.telemetry(v.name)
        for column, prop in GROUND_COLUMNS.items():
            assert track[column][-1] == pytest.approx(getattr(v, prop), rel=1e-12, abs=1e-12), (v.name, column)
        east, north, up = v.velocity_enu
        assert (track["velocity_east"][-1], track["velocity_north"][-1], track["velocity_up"][-1]) == \
            pytest.approx((east, north, up), abs=1e-12)
        assert (track["omega_x"][-1], track["omega_y"][-1], track["omega_z"][-1]) == v.angular_velocity
        assert up == pytest.approx(v.vertical_speed, abs=1e-9)


def test_ground_readings_of_the_falling_capsule(recovery):
    sim, _ = recovery
    track = sim.telemetry("Capsule")
    # Through the air the capsule first sinks at 100 m/s with no drift; the dynamic pressure is
    # half the density times the airspeed squared, and Mach the airspeed over some 320 m/s.
    assert track["velocity_up"][0] == pytest.approx(-100.0, abs=1e-3)
    assert abs(track["velocity_east"][0]) < 0.05 and abs(track["velocity_north"][0]) < 0.05
    assert track["dynamic_pressure"][0] == pytest.approx(0.5 * 0.82 * 100.0 ** 2, rel=0.03)
    assert track["mach"][0] == pytest.approx(100.0 / 324.6, rel=0.01)
    # Its nose points straight up: the attitude is held against the stars, so the horizon turns
    # away under it only slowly.
    assert track["pitch"][0] == pytest.approx(90.0, abs=1e-5)
    assert track["pitch"][1] == pytest.approx(track["pitch"][0], abs=1e-3)
    assert set(sim.telemetry("Capsule", columns=["latitude", "anim"])) == {"latitude"}  # the capsule has no animations
    assert set(sim.telemetry("Main", columns=["mach", "anim"])) == {"mach", "anim0"}
    with pytest.raises(ValueError, match="no telemetry column"):
        sim.telemetry(columns=["latitud"])
