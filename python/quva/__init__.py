"""Drive the quva host from Python.

A scenario is loaded into a :class:`Simulation`, stepped or run to a time or a condition, and
its vessels are read and acted on directly::

    import quva
    with quva.Simulation.load("Quva/Recovery", telemetry=True) as sim:
        drogue = sim.vessel("Drogue")
        sim.run(until=lambda s: drogue.altitude < 7000)
        drogue.release()
        sim.run(until=480)
        print(sim.telemetry("Drogue")["vertical_speed"][-1])

The simulation is the host's own runtime (the library the ``quva`` command runs), so a script
sees what ``quva run`` would do with the same scenario and events.
"""

from __future__ import annotations

import json
import math
import numbers
import operator
import os
from pathlib import Path
from typing import Any, Callable, Dict, Iterator, List, Optional, Sequence, Tuple, Union

from ._quva import Error, SimulationCore, Vessel

try:
    import numpy as _numpy
except ImportError:  # telemetry comes as plain lists then
    _numpy = None

__all__ = ["Error", "Simulation", "Vessel", "default_root"]

PathLike = Union[str, "os.PathLike[str]"]


def default_root() -> Path:
    """The add-on tree this package belongs to: the folder above python/quva/."""
    return Path(__file__).resolve().parent.parent.parent


def _scenario_file(name: PathLike, root: Path) -> Path:
    """A scenario given as a path, or as a name under the tree's Scenarios/ (.scn may be left out)."""
    given = Path(name)
    if given.exists():
        return given
    for candidate in (root / "Scenarios" / given, root / "Scenarios" / (str(name) + ".scn")):
        if candidate.exists():
            return candidate
    return given  # the runtime reports it missing, by name


class Simulation:
    """A scenario loaded into the host runtime, with its clock and vessels.

    Only one simulation can be open at a time; close it (or use ``with``) before loading the
    next. After an error in a step the simulation refuses to go on (its state is that of a
    step cut short) but can still be read and saved.
    """

    def __init__(self, core: SimulationCore) -> None:
        self._core = core
        self._trace_read = 0

    @classmethod
    def load(
        cls,
        path_or_name: PathLike,
        root: Optional[PathLike] = None,
        dt: float = 0.1,
        keep_unknown: bool = False,
        trace: bool = False,
        telemetry: bool = False,
    ) -> "Simulation":
        """Loads a scenario file, or a scenario by name under ``root``/Scenarios/.

        ``root`` is the add-on tree holding Modules/, Config/ and Meshes/ (default: the tree this
        package lies in). ``dt`` is the step length in seconds. ``keep_unknown`` carries vessels of
        unknown classes along unchanged instead of failing. ``trace`` keeps the call trace for
        :meth:`trace`; ``telemetry`` records every vessel's readings at every step for
        :meth:`telemetry`. Raises :class:`Error` (with ``file`` and ``line``) on a bad scenario.
        """
        tree = Path(root) if root is not None else default_root()
        if isinstance(dt, bool) or not (isinstance(dt, numbers.Real) and math.isfinite(dt) and dt > 0):
            raise ValueError(f"dt must be a positive number of seconds, not {dt!r}")
        scenario = _scenario_file(path_or_name, tree)
        return cls(SimulationCore(str(scenario), str(tree), float(dt), bool(keep_unknown), bool(trace), bool(telemetry)))

    # -- lifetime -------------------------------------------------------------------------------

    def close(self) -> None:
        """Ends the simulation (the modules' vessels are destroyed); further use raises Error."""
        self._core.close()

    @property
    def closed(self) -> bool:
        return self._core.closed

    def __enter__(self) -> "Simulation":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    @property
    def failure(self) -> Optional[str]:
        """The error that stopped the simulation, or None while it can go on."""
        return self._core.failure

    # -- clock ----------------------------------------------------------------------------------

    def step(self, n: int = 1) -> None:
        """Runs n steps (step k ends at k·dt)."""
        self._core.step(operator.index(n))

    def run(self, until: Union[float, Callable[["Simulation"], bool]], limit: Optional[float] = None) -> bool:
        """Runs to simulation time ``until``, or step by step until ``until(sim)`` is true.

        A time runs every step that ends at or before it, as ``quva run --until`` does. A condition
        is asked after every step (not before the first); ``limit`` (seconds) bounds such a run.
        Returns True when the time was reached or the condition met, False when the limit came first.
        """
        if not callable(until):
            self._core.run_until(float(until))
            return True
        while limit is None or self._core.t + self._core.dt <= limit * (1 + 1e-12) + 1e-12:
            self._core.step(1)
            if until(self):
                return True
        return False

    @property
    def t(self) -> float:
        """Simulation time in seconds."""
        return self._core.t

    @property
    def mjd(self) -> float:
        """Modified Julian date of the simulation time."""
        return self._core.mjd

    @property
    def dt(self) -> float:
        return self._core.dt

    @property
    def step_count(self) -> int:
        return self._core.step_count

    # -- vessels --------------------------------------------------------------------------------

    @property
    def vessels(self) -> List[Vessel]:
        """The vessels, in creation order; removed ones are gone from the list."""
        return self._core.vessels()

    def vessel(self, name: str) -> Vessel:
        """The vessel by name; Error when there is none."""
        return self._core.vessel(name)

    # -- output ---------------------------------------------------------------------------------

    def save(self, path: PathLike) -> None:
        """Writes the scenario as it stands, through a temporary file renamed into place."""
        self._core.save(os.fspath(path))

    def scenario_text(self) -> str:
        """The scenario as it stands, as save() would write it."""
        return self._core.scenario_text()

    def trace(self, new_only: bool = False) -> Iterator[Dict[str, Any]]:
        """The call trace as dicts (keys step, t, vessel, dir, call, args, ret), needs trace=True.

        With ``new_only`` only the records since the previous call with new_only.
        """
        if not self._core.tracing:
            raise Error("no trace was kept: load the scenario with trace=True")
        start = self._trace_read if new_only else 0
        lines = self._core.trace_json(start)
        if new_only:
            self._trace_read = start + len(lines)
        return (json.loads(line) for line in lines)

    def timeline(self) -> List[Tuple[int, float, str, str]]:
        """What happened, as quva run prints it: (step, t, vessel, text) entries."""
        return self._core.timeline()

    @property
    def warnings(self) -> List[str]:
        return self._core.warnings()

    def telemetry(self, vessel: Optional[str] = None) -> Dict[str, Any]:
        """Readings recorded at load and after every step (needs telemetry=True).

        For one vessel: columns time, altitude, speed, airspeed, vertical_speed, drag, mass,
        anim0... as NumPy arrays (lists without NumPy). Without a name: such a dict per vessel.
        """
        columns = self._core.telemetry()
        convert = _numpy.asarray if _numpy is not None else (lambda values: values)
        tables = {name: {k: convert(v) for k, v in table.items()} for name, table in columns.items()}
        if vessel is None:
            return tables
        if vessel not in tables:
            raise Error(f'no telemetry for a vessel named "{vessel}"')
        return tables[vessel]

    def __repr__(self) -> str:
        if self.closed:
            return "<quva.Simulation (closed)>"
        return f"<quva.Simulation {self._core.scenario_path} t={self.t:g} s, {len(self.vessels)} vessel(s)>"
