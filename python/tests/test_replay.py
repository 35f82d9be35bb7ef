"""Replay pages from a script: the same page as ``quva run --replay`` makes, from the same code."""

import json
import re

import pytest

import quva
from conftest import run_quva

DATA = re.compile(r'<script type="application/json" id="quva-replay-data">(.*?)</script>', re.S)


def data_of(path):
    return json.loads(DATA.search(path.read_text(encoding="utf-8")).group(1))


def test_replay_has_the_runs_vessels_samples_and_events_like_the_command(tmp_path):
    with quva.Simulation.load("Quva/Recovery", assembly="combined", replay=True) as sim:
        sim.run(until=20)
        sim.vessel("Drogue").release()
        sim.run(until=480)
        sim.replay(tmp_path / "py.html")
        timeline = sim.timeline()
    run_quva("run", "Quva/Recovery", "--until", "480", "--release", "20:Drogue", "--assembly", "combined",
             "--replay", tmp_path / "cli.html")
    py, cli = data_of(tmp_path / "py.html"), data_of(tmp_path / "cli.html")
    assert py["title"] == "Recovery" and cli["title"] == "Quva/Recovery"
    for key in ("tStart", "tEnd", "dt", "bodies", "meshes", "classes", "vessels", "events"):
        assert py[key] == cli[key], key
    assert [v["name"] for v in py["vessels"]] == ["Capsule", "Drogue", "Main"]
    assert [c["name"] for c in py["classes"]] == ["QuvaCapsule", "Vantrel", "Ossum"]
    assert len(py["events"]) == len(timeline)
    for v in py["vessels"]:
        n = len(v["t"])
        assert 0 < n <= 2000
        assert len(v["position"]) == 3 * n and len(v["quaternion"]) == 4 * n
        assert all(len(a) == n for a in v["animations"])
        # Every timeline entry about the vessel has its sample, up to its removal.
        for e in py["events"]:
            if e["vessel"] == v["name"] and (v["removedAt"] is None or e["t"] < v["removedAt"]):
                assert any(abs(t - e["t"]) < 0.05 + 1e-9 for t in v["t"]), (v["name"], e)


def test_replay_needs_recording_and_a_writable_path(tmp_path):
    with quva.Simulation.load("Quva/ApexCover") as sim:
        with pytest.raises(quva.Error, match="replay=True"):
            sim.replay(tmp_path / "r.html")
    with quva.Simulation.load("Quva/ApexCover", replay=True) as sim:
        sim.step(2)
        with pytest.raises(quva.Error):
            sim.replay(tmp_path / "missing" / "r.html")
        with pytest.raises(quva.Error):
            sim.replay(tmp_path)
        copy = sim.copy()
        copy.step(3)
        copy.replay(tmp_path / "copy.html")
        copy.close()
        sim.replay(tmp_path / "r.html")
    assert [len(v["t"]) for v in data_of(tmp_path / "r.html")["vessels"]] == [3, 3]
    assert [len(v["t"]) for v in data_of(tmp_path / "copy.html")["vessels"]] == [6, 6]
