"""How a capsule and the canopies it holds fly: as the simulator flies them (the canopies count
for nothing) or as one combined body (their drag slows it), against the command's option."""

import pytest

import quva
from conftest import run_quva


def capsule_alone():
    text = quva.Simulation.load("Quva/Recovery").scenario_text()
    start = text.index("Drogue:Vantrel")
    end = text.index("END_SHIPS")
    return text[:start] + text[end:]


def altitude_after(seconds, **options):
    with quva.Simulation.load("Quva/Recovery", **options) as sim:
        sim.run(until=seconds)
        return sim.vessel("Capsule").altitude


def test_held_canopies_count_only_in_a_combined_body():
    with quva.Simulation.from_text(capsule_alone(), name="alone.scn") as sim:
        sim.run(until=20)
        alone = sim.vessel("Capsule").altitude
    assert altitude_after(20) == pytest.approx(alone, abs=1e-9)
    assert altitude_after(20, assembly="simulator") == pytest.approx(alone, abs=1e-9)
    # Under the unfolding canopies it has fallen hundreds of metres less.
    assert altitude_after(20, assembly="combined") > alone + 300.0


def test_the_option_is_the_commands(tmp_path):
    saved = tmp_path / "cmd.scn"
    run_quva("run", "Quva/Recovery", "--until", 5, "--assembly", "combined", "--save", saved)
    with quva.Simulation.load("Quva/Recovery", assembly="combined") as sim:
        sim.run(until=5)
        assert sim.scenario_text() == saved.read_text()


@pytest.mark.parametrize("value", ["rigid", "", "Combined", None])
def test_an_unknown_model_is_refused(value):
    with pytest.raises(ValueError, match="assembly must be one of 'simulator', 'combined'"):
        quva.Simulation.load("Quva/Recovery", assembly=value)


def test_the_command_refuses_an_unknown_model():
    done = run_quva("run", "Quva/Recovery", "--steps", 1, "--assembly", "rigid", expect=2)
    assert "--assembly" in done.stderr and "rigid" in done.stderr
