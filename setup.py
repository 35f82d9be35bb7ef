"""Packaging of quva for pip: the Python package, its extension and the add-on tree it runs
(the host runtime, the six modules, class configurations, meshes and example scenarios).

The C++ is built by CMake, never by setuptools. The tree comes from, in this order:
  - $QUVA_BUILD_DIR, a build that is taken as it is;
  - build/default, when configured (as ./quva and the presets do), brought up to date first;
  - otherwise a build of its own in build/pip, configured and built here (some minutes).
The build's install step lays the tree out; the wheel carries it in quva/tree/, where the
package and the extension find it.
"""

import os
import re
import shutil
import subprocess
import sys
import sysconfig
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

SOURCE = Path(__file__).resolve().parent
(SOURCE / "build").mkdir(exist_ok=True)  # setuptools keeps its own files under build/
TREE_FOLDERS = ("lib", "Modules", "Config", "Meshes", "Scenarios", "bin")


def version() -> str:
    found = re.search(r"project\(quva VERSION ([0-9.]+)", (SOURCE / "CMakeLists.txt").read_text())
    return found.group(1) if found else "0"


def run(*command: str) -> None:
    print("quva:", " ".join(command), flush=True)
    subprocess.run(command, check=True)


def cmake_build() -> Path:
    """The CMake build to install from, up to date."""
    given = os.environ.get("QUVA_BUILD_DIR")
    if given:
        return Path(given).resolve()
    default = SOURCE / "build" / "default"
    if (default / "CMakeCache.txt").is_file():
        run("cmake", "--build", str(default), "--target", "quva", "quva_python")
        return default
    own = SOURCE / "build" / "pip"
    if not (own / "CMakeCache.txt").is_file():
        run("cmake", "-S", str(SOURCE), "-B", str(own), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
            "-DQUVA_BUILD_TESTS=OFF", "-DQUVA_BUILD_BENCH=OFF", f"-DPython3_EXECUTABLE={sys.executable}")
    run("cmake", "--build", str(own), "--target", "quva", "quva_python")
    return own


def check_extension(package: Path) -> None:
    suffix = sysconfig.get_config_var("EXT_SUFFIX")
    if not (package / ("_quva" + suffix)).is_file():
        built = sorted(p.name for p in package.glob("_quva*"))
        raise SystemExit(f"quva: the build's extension ({', '.join(built) or 'none'}) is not for this Python "
                         f"({sys.executable}, extension suffix {suffix}); build quva for it, or give another "
                         "build in QUVA_BUILD_DIR")


class BuildWithTree(build_py):
    """The package's Python files, then the build's installed tree over them."""

    def run(self) -> None:
        super().run()
        build = cmake_build()
        staging = Path(self.build_lib).parent / "quva-install"
        shutil.rmtree(staging, ignore_errors=True)
        run("cmake", "--install", str(build), "--prefix", str(staging), "--strip")
        package = Path(self.build_lib) / "quva"
        check_extension(staging / "python" / "quva")
        for item in (staging / "python" / "quva").iterdir():
            shutil.copy2(item, package / item.name)
        tree = package / "tree"
        shutil.rmtree(tree, ignore_errors=True)
        for folder in TREE_FOLDERS:
            if (staging / folder).is_dir():
                shutil.copytree(staging / folder, tree / folder, symlinks=True)


class BinaryDistribution(Distribution):
    """A wheel for this platform and interpreter: it holds compiled code."""

    def has_ext_modules(self) -> bool:
        return True


setup(
    name="quva",
    version=version(),
    description="Vessel modules for a space-flight simulator and a headless host that flies them",
    python_requires=">=3.9",
    packages=["quva"],
    package_dir={"": "python"},
    package_data={"quva": ["py.typed", "_quva.pyi"]},
    exclude_package_data={"quva": ["_version.py.in"]},
    cmdclass={"build_py": BuildWithTree},
    distclass=BinaryDistribution,
    options={"build": {"build_base": "build/setuptools"}, "egg_info": {"egg_base": "build"}},
    zip_safe=False,
)
