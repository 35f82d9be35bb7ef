"""Drive the quva host from Python.

A scenario is loaded into a :class:`Simulation` (from a file, or from text held in memory),
stepped or run to a time or a condition, and its vessels are read, placed and acted on::

    import quva
    with quva.Simulation.load("Quva/Recovery", telemetry=True) as sim:
        sim.vessel("Capsule").place(latitude=66.6, longitude=0, altitude=4000,
                                    velocity=(0, 0, -100), heading=90)
        sim.when("alt<3000", vessel="Drogue", action="release")
        sim.run(until=480)
        print(sim.telemetry("Drogue")["vertical_speed"][-1])

The simulation is the host's own runtime (the library the ``quva`` command runs), so a script
sees what ``quva run`` would do with the same scenario and events. Several simulations may be
open at once, in one thread or in several (see :class:`Simulation`).
"""

from __future__ import annotations

import sys

from ._version import BUILT_FOR_EXECUTABLE, BUILT_FOR_PYTHON, __version__

if tuple(sys.version_info[:2]) != BUILT_FOR_PYTHON:
    raise ImportError(
        f"this quva package (version {__version__}) was built for Python "
        f"{'.'.join(map(str, BUILT_FOR_PYTHON))} ({BUILT_FOR_EXECUTABLE}); this is Python "
        f"{sys.version_info.major}.{sys.version_info.minor} ({sys.executable}): run it with that interpreter, "
        "or build or install quva for this one")
try:
    from ._quva import Error, Vessel
except ImportError as error:  # the same version, but an interpreter the extension does not fit
    raise ImportError(f"this quva package was built for Python {'.'.join(map(str, BUILT_FOR_PYTHON))} "
                      f"({BUILT_FOR_EXECUTABLE}) and cannot load its extension here ({sys.executable}): {error}") from error

from ._simulation import Simulation, Trigger, default_root
from ._vessel import place as _place

Vessel.place = _place  # type: ignore[attr-defined]

__all__ = ["Error", "Simulation", "Trigger", "Vessel", "default_root", "__version__"]
