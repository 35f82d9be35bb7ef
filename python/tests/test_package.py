"""The package itself: its version, the interpreter it was built for, and pip install."""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import quva
from conftest import BUILD_ROOT

SOURCE = Path(__file__).resolve().parents[2]


def test_version_is_the_projects():
    version = re.search(r"project\(quva VERSION ([0-9.]+)", (SOURCE / "CMakeLists.txt").read_text()).group(1)
    assert quva.__version__ == version


def test_importing_on_another_python_names_the_one_it_was_built_for(tmp_path):
    package = tmp_path / "quva"
    shutil.copytree(Path(quva.__file__).parent, package)
    version = package / "_version.py"
    version.write_text(re.sub(r"BUILT_FOR_PYTHON = \(.*\)", "BUILT_FOR_PYTHON = (3, 99)", version.read_text()))
    done = subprocess.run([sys.executable, "-c", "import quva"], capture_output=True, text=True,
                          env={**os.environ, "PYTHONPATH": str(tmp_path)}, cwd=tmp_path)
    assert done.returncode != 0
    assert "built for Python 3.99" in done.stderr and sys.executable in done.stderr


@pytest.mark.skipif(shutil.which("cmake") is None, reason="needs cmake")
def test_pip_installs_the_package_from_the_build_into_a_venv(tmp_path):
    venv = tmp_path / "venv"
    # Debian's setuptools and wheel serve the build, without network.
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(venv)], check=True)
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env["QUVA_BUILD_DIR"] = str(BUILD_ROOT)
    env["PIP_NO_INDEX"] = "1"
    python = str(venv / "bin" / "python")
    done = subprocess.run([python, "-m", "pip", "install", "--no-build-isolation", "--no-deps", str(SOURCE)],
                          capture_output=True, text=True, env=env, cwd=tmp_path)
    assert done.returncode == 0, done.stdout + done.stderr
    script = ("import quva, sys; sim = quva.Simulation.load('Quva/Recovery'); sim.run(until=5); "
              "print(quva.__version__, quva.default_root(), round(sim.vessel('Capsule').altitude))")
    done = subprocess.run([python, "-c", script], capture_output=True, text=True, env=env, cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    version, root, altitude = done.stdout.split()
    assert version == quva.__version__
    assert Path(root).is_relative_to(venv) and (Path(root) / "Modules").is_dir()
    with quva.Simulation.load("Quva/Recovery") as sim:
        sim.run(until=5)
        assert int(altitude) == round(sim.vessel("Capsule").altitude)
