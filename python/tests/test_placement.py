"""Setting up runs from Python: vessels placed over the ground and added, read back exactly."""

import math

import pytest

import quva

EARTH_RADIUS = 6371010.0

SHIPS = """BEGIN_ENVIRONMENT
  Date MJD 60000.5
END_ENVIRONMENT
BEGIN_SHIPS
Capsule:QuvaCapsule
  STATUS Orbiting Earth
  RPOS 0.000 6375010.000 0.000
  RVEL 184.9129 -100.0000 -1.0437
  AROT 90.000 0.000 0.000
END
END_SHIPS
"""

# Placements across the globe and the attitudes: each must read back within 1 mm, 1 mm/s and
# a micro-degree.
PLACES = [
    dict(latitude=66.6, longitude=0.0, altitude=4000.0, velocity=(0.0, 0.0, -100.0), heading=0.0),
    dict(latitude=-33.9, longitude=151.2, altitude=12000.0, velocity=(220.0, -35.0, 12.5), heading=271.5,
         pitch=-10.0, bank=25.0, relative_to="ground"),
    dict(latitude=0.0, longitude=-179.5, altitude=400000.0, velocity=(7600.0, 0.0, 0.0), heading=90.0, pitch=45.0,
         bank=-170.0, angular_velocity=(0.01, -0.2, 0.03)),
    dict(latitude=89.9, longitude=45.0, altitude=10.0, velocity=(1.0, 2.0, 3.0), heading=359.0, pitch=89.0),
    dict(latitude=10.0, longitude=20.0, altitude=1500.0, body="Moon", velocity=(-50.0, 40.0, -2.0), heading=180.0),
]


def read_back(v):
    return dict(latitude=v.latitude, longitude=v.longitude, altitude=v.altitude, velocity=v.velocity_enu,
                heading=v.heading, pitch=v.pitch, bank=v.bank, angular_velocity=v.angular_velocity)


def assert_reads_back(v, given):
    got = read_back(v)
    metres_per_degree = math.radians(1.0) * EARTH_RADIUS
    assert got["latitude"] * metres_per_degree == pytest.approx(given["latitude"] * metres_per_degree, abs=1e-3)
    east = (got["longitude"] - given["longitude"]) * metres_per_degree * math.cos(math.radians(given["latitude"]))
    assert east == pytest.approx(0.0, abs=1e-3)
    assert got["altitude"] == pytest.approx(given["altitude"], abs=1e-3)
    assert got["velocity"] == pytest.approx(given.get("velocity", (0, 0, 0)), abs=1e-3)
    assert got["heading"] == pytest.approx(given.get("heading", 0.0), abs=1e-6)
    assert got["pitch"] == pytest.approx(given.get("pitch", 0.0), abs=1e-6)
    assert got["bank"] == pytest.approx(given.get("bank", 0.0), abs=1e-6)
    assert got["angular_velocity"] == pytest.approx(given.get("angular_velocity", (0, 0, 0)), abs=1e-12)


@pytest.mark.parametrize("given", PLACES)
def test_place_then_read_back(given):
    with quva.Simulation.from_text(SHIPS) as sim:
        capsule = sim.vessel("Capsule")
        capsule.place(**given)
        assert_reads_back(capsule, given)


@pytest.mark.parametrize("given", PLACES)
def test_add_vessel_then_read_back_and_save_the_same(given):
    with quva.Simulation.from_text(SHIPS) as sim:
        probe = sim.add_vessel("Probe", "QuvaCapsule", **given)
        assert [v.name for v in sim.vessels] == ["Capsule", "Probe"]
        assert_reads_back(probe, given)
        # The scenario saved keeps the placement (to its rounding).
        with quva.Simulation.from_text(sim.scenario_text()) as again:
            assert again.vessel("Probe").altitude == pytest.approx(given["altitude"], abs=2e-3)
            assert again.vessel("Probe").velocity_enu == pytest.approx(given["velocity"], abs=2e-4)


def test_the_example_capsule_moves_at_100_mps_through_the_air():
    # The scenario's RVEL carries the turning air: through the air the capsule only sinks.
    with quva.Simulation.load("Quva/Recovery") as sim:
        capsule = sim.vessel("Capsule")
        east, north, up = capsule.velocity_enu
        assert math.hypot(east, north) < 0.05 and up == pytest.approx(-100.0, abs=1e-3)
        assert capsule.airspeed == pytest.approx(100.0, abs=1e-3)
        assert capsule.latitude == pytest.approx(66.56, abs=0.05)
        # Placed again where it is, at the speed it has, it stands as it did (its nose straight
        # up, headed by its belly) and flies the same.
        before = read_back(capsule)
        assert before["pitch"] == pytest.approx(90.0, abs=1e-5)
        other = quva.Simulation.load("Quva/Recovery")
        other.vessel("Capsule").place(latitude=before["latitude"], longitude=before["longitude"],
                                      altitude=before["altitude"], velocity=before["velocity"],
                                      heading=before["heading"], pitch=before["pitch"], bank=before["bank"])
        for a, b in zip(sim.vessels, other.vessels):
            assert a.position == pytest.approx(b.position, abs=1e-6), a.name
            assert a.velocity == pytest.approx(b.velocity, abs=1e-9), a.name
        assert other.vessel("Capsule").heading == pytest.approx(before["heading"], abs=1e-6)
        sim.run(until=30)
        other.run(until=30)
        for a, b in zip(sim.vessels, other.vessels):
            assert a.position == pytest.approx(b.position, abs=0.01), a.name
        other.close()


def test_placing_a_parent_carries_what_it_holds():
    with quva.Simulation.load("Quva/Recovery") as sim:
        capsule, drogue = sim.vessel("Capsule"), sim.vessel("Drogue")
        offset = [d - c for d, c in zip(drogue.position, capsule.position)]
        capsule.place(latitude=10.0, longitude=20.0, altitude=5000.0, velocity=(0, 0, -50), heading=45)
        assert drogue.latitude == pytest.approx(10.0, abs=1e-3) and drogue.altitude > capsule.altitude
        # It moves with the capsule: over its own ground, 20 m higher, the turning air differs a hair.
        assert drogue.velocity_enu == pytest.approx((0, 0, -50), abs=5e-3)
        assert math.dist(drogue.position, capsule.position) == pytest.approx(math.hypot(*offset), abs=1e-6)
        with pytest.raises(quva.Error, match='attached to "Capsule"'):
            drogue.place(latitude=0, longitude=0, altitude=100)


def test_landed_vessels_stand_on_the_ground_and_turn_with_it():
    with quva.Simulation.from_text(SHIPS) as sim:
        stage = sim.add_vessel("Stage", "Tarrowick", latitude=-12.5, longitude=33.0, landed=True, heading=120.0,
                               body="Moon")
        assert stage.landed and stage.ground_contact
        assert stage.heading == pytest.approx(120.0, abs=1e-6)
        assert stage.velocity_enu == pytest.approx((0, 0, 0), abs=1e-9)
        assert 0.0 < stage.altitude < 5.0  # its origin above its touchdown points
        sim.run(until=10)
        assert stage.latitude == pytest.approx(-12.5, abs=1e-9) and stage.longitude == pytest.approx(33.0, abs=1e-9)
        assert "STATUS Landed Moon" in sim.scenario_text()


def test_add_vessel_attached_to_another():
    with quva.Simulation.from_text(SHIPS) as sim:
        cover = sim.add_vessel("Cover", "Pilmont", attach_to=("Capsule", 1))
        assert cover.parent.name == "Capsule"
        assert "ATTACHED 0:1,Capsule" in sim.scenario_text()
        with pytest.raises(ValueError, match="placed by it"):
            sim.add_vessel("Other", "Pilmont", attach_to="Capsule", latitude=1, longitude=2, altitude=3)


@pytest.mark.parametrize("bad, error", [
    (dict(latitude=float("nan"), longitude=0, altitude=1), ValueError),
    (dict(latitude=0, longitude=0, altitude=float("inf")), ValueError),
    (dict(latitude=91, longitude=0, altitude=1), ValueError),
    (dict(latitude=0, longitude=0, altitude=-5), ValueError),
    (dict(latitude=0, longitude=0), TypeError),
    (dict(latitude="0", longitude=0, altitude=1), TypeError),
    (dict(latitude=0, longitude=0, altitude=1, velocity=(1, 2)), ValueError),
    (dict(latitude=0, longitude=0, altitude=1, relative_to="water"), ValueError),
    (dict(latitude=0, longitude=0, altitude=1, body="Mars"), ValueError),
    (dict(latitude=0, longitude=0, landed=True, velocity=(1, 0, 0)), ValueError),
])
def test_bad_placements_are_refused_and_change_nothing(bad, error):
    with quva.Simulation.from_text(SHIPS) as sim:
        capsule = sim.vessel("Capsule")
        before = capsule.position
        with pytest.raises(error):
            capsule.place(**bad)
        with pytest.raises(error):
            sim.add_vessel("New", "QuvaCapsule", **bad)
        assert capsule.position == before and [v.name for v in sim.vessels] == ["Capsule"]


def test_telemetry_of_the_moment_follows_a_placement_and_a_new_vessel():
    with quva.Simulation.from_text(SHIPS, telemetry=["altitude", "velocity_up"]) as sim:
        sim.vessel("Capsule").place(latitude=1, longitude=2, altitude=1234.5, velocity=(0, 0, -7))
        sim.add_vessel("Probe", "QuvaCapsule", latitude=3, longitude=4, altitude=500)
        sim.step()
        capsule, probe = sim.telemetry("Capsule"), sim.telemetry("Probe")
        assert list(capsule["time"]) == pytest.approx([0.0, 0.1]) and list(probe["time"]) == pytest.approx([0.0, 0.1])
        assert capsule["altitude"][0] == pytest.approx(1234.5, abs=1e-6)
        assert capsule["velocity_up"][0] == pytest.approx(-7.0, abs=1e-9)
        assert probe["altitude"][0] == pytest.approx(500.0, abs=1e-6)
