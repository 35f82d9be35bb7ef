"""Shared pieces of the package's tests: the build tree, the quva command, scenarios."""

import csv
import os
import subprocess
from collections import defaultdict
from pathlib import Path

import pytest

BUILD_ROOT = Path(os.environ.get("QUVA_BUILD_ROOT", Path(__file__).resolve().parents[2] / "build" / "default"))
QUVA = BUILD_ROOT / "bin" / "quva"
EARTH_RADIUS = 6371010.0  # m, the host's Earth


def run_quva(*args, expect=0):
    """Runs the built quva command; checks its exit code and returns the completed process."""
    done = subprocess.run([str(QUVA), *map(str, args)], capture_output=True, text=True)
    assert done.returncode == expect, done.stderr
    return done


def read_csv(path):
    """The command's telemetry table: vessel -> list of rows, each a dict of floats (empty cells left out)."""
    rows = defaultdict(list)
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            name = row.pop("vessel")
            rows[name].append({k: float(v) for k, v in row.items() if v != ""})
    return rows


@pytest.fixture
def scenario(tmp_path):
    """Writes a scenario with the given ships section text and returns its path."""

    def write(ships, name="test.scn"):
        path = tmp_path / name
        path.write_text("BEGIN_SHIPS\n" + ships + "END_SHIPS\n")
        return path

    return write
