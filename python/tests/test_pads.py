"""A vessel loaded on a pad of its BASE line is refuelled, unless the load says not to."""

import pytest

import quva

SHIPS = """BEGIN_SHIPS
Freighter:Freighter
  STATUS Landed Earth
  BASE Sand Field:1
  POS 10.0000000 20.0000000
  PRPLEVEL 0:0.2
END
END_SHIPS
"""


@pytest.fixture
def tree(tmp_path):
    def put(relative, text):
        path = tmp_path / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text)

    put("Config/Vessels/Freighter.cfg", "Mass = 1000\nSize = 4\nPropellantResource1 = 800\n")
    put("Config/Earth/Base/Sand.cfg",
        "BASE-V2.0\nName = Sand Field\nLocation = 10 20\nBEGIN_OBJECTLIST\nLPAD2\n  POS 0 0 0\nEND\nEND_OBJECTLIST\n")
    return tmp_path


@pytest.mark.parametrize("refuel, mass", [(True, 1800.0), (False, 1160.0)])
def test_a_vessel_on_a_pad_is_refuelled_unless_asked_not_to(tree, refuel, mass):
    with quva.Simulation.from_text(SHIPS, root=tree, refuel_on_pad=refuel) as sim:
        assert sim.vessel("Freighter").mass == pytest.approx(mass)
        assert "  BASE Sand Field:1\n" in sim.scenario_text()
