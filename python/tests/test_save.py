"""Saving: the scenario as it stands, written whole or not at all, and read back unchanged."""

import os

import pytest

import quva


def state(sim):
    return {v.name: (v.position, v.velocity, v.parent.name if v.parent else None, v.animations) for v in sim.vessels}


def test_saved_scenario_loads_back_to_the_same_state(tmp_path):
    saved = tmp_path / "saved.scn"
    with quva.Simulation.load("Quva/Recovery") as sim:
        sim.run(until=25)
        sim.vessel("Drogue").release()
        sim.step(5)
        sim.save(saved)
        text = sim.scenario_text()
        before = state(sim)
    assert saved.read_text() == text
    assert "ATTACHED 0:1,Capsule" not in text and "ATTACHED 0:2,Capsule" in text
    with quva.Simulation.load(saved) as again:
        after = state(again)
    assert list(after) == list(before)
    for name, (pos, vel, parent, anims) in before.items():
        # The scenario keeps positions to the millimetre and velocities to 0.1 mm/s.
        assert after[name][0] == pytest.approx(pos, abs=1e-3), name
        assert after[name][1] == pytest.approx(vel, abs=1e-4), name
        assert after[name][2] == parent
        assert after[name][3] == pytest.approx(anims, abs=1e-4), name


def test_save_that_cannot_be_written_is_an_error_and_leaves_the_old_file(tmp_path):
    target = tmp_path / "keep.scn"
    target.write_text("old\n")
    with quva.Simulation.load("Quva/ApexCover") as sim:
        with pytest.raises(quva.Error):
            sim.save(tmp_path / "no" / "such" / "folder.scn")
        with pytest.raises(quva.Error):
            sim.save(tmp_path)  # a folder
        sim.save(target)
    assert target.read_text().startswith("BEGIN_DESC")
    assert os.listdir(tmp_path) == ["keep.scn"]  # no temporary file left behind


def test_save_keeps_a_link_and_replaces_only_regular_files(tmp_path):
    target = tmp_path / "real.scn"
    target.write_text("old\n")
    link = tmp_path / "link.scn"
    link.symlink_to(target)
    fifo = tmp_path / "pipe.scn"
    os.mkfifo(fifo)
    with quva.Simulation.load("Quva/ApexCover") as sim:
        sim.save(link)
        assert link.is_symlink() and target.read_text() == sim.scenario_text()
        for special in (fifo, "/dev/null"):
            with pytest.raises(quva.Error, match="not a regular file"):
                sim.save(special)
    assert fifo.is_fifo()
    assert sorted(os.listdir(tmp_path)) == ["link.scn", "pipe.scn", "real.scn"]
