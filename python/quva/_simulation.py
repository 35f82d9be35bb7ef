"""quva.Simulation: a scenario in the host runtime, its clock, its vessels and what it records."""

from __future__ import annotations

import functools
import json
import os
import warnings
from pathlib import Path
from typing import Any, Callable, Dict, Iterator, List, Optional, Sequence, Tuple, Union

from . import _arguments as check
from ._quva import MAX_RUN_STEPS, Error, SimulationCore, Vessel
from ._quva import load as _load
from ._quva import step_of_time as _step_of_time
from ._vessel import placement as _placement

try:
    import numpy as _numpy
except ImportError:  # telemetry comes as plain lists then
    _numpy = None

PathLike = Union[str, "os.PathLike[str]"]

#: Simulation seconds a run to a condition goes on for when no ``limit`` is given.
DEFAULT_CONDITION_LIMIT = 3600.0
#: Samples (one vessel at one moment) the telemetry keeps at most unless told otherwise.
DEFAULT_TELEMETRY_LIMIT = 4_000_000
# How a vessel and the vessels it holds fly (quva run --assembly).
ASSEMBLY_MODELS = ("simulator", "combined")

_STOP = object()  # the action that ends the run in progress


@functools.lru_cache(maxsize=None)
def default_root() -> Path:
    """The add-on tree this package belongs to: the folder above python/quva/ of an add-on tree,
    or the tree inside the package when it was installed with pip."""
    package = Path(__file__).resolve().parent
    inside = package / "tree"
    return inside if (inside / "Modules").is_dir() else package.parent.parent


def _scenario_file(name: PathLike, root: Path) -> Path:
    """A scenario given as a path, or as a name under the tree's Scenarios/ (.scn may be left out)."""
    given = Path(name)
    candidates = [given, root / "Scenarios" / given, root / "Scenarios" / (os.fspath(name) + ".scn")]
    for candidate in candidates:
        if candidate.exists():
            return candidate
    error = Error(f'scenario "{os.fspath(name)}" not found; looked for ' + ", ".join(map(str, candidates)))
    error.file = os.fspath(name)
    raise error


class Trigger:
    """An action set with :meth:`Simulation.when`: whether it has fired, and when."""

    def __init__(self, sim: "Simulation", index: int, text: str) -> None:
        self._sim, self._index, self._text = sim, index, text

    @property
    def fired(self) -> bool:
        return self._sim._core.trigger_state(self._index)[0]

    @property
    def t(self) -> Optional[float]:
        """The simulation time (s) of the step end where it fired, or None."""
        return self._sim._core.trigger_state(self._index)[1]

    def __repr__(self) -> str:
        return f"<quva.Trigger {self._text}: {'fired at t=%g s' % self.t if self.fired else 'not fired'}>"


class Simulation:
    """A scenario loaded into the host runtime, with its clock and vessels.

    Made by :meth:`load` or :meth:`from_text`. Several may be open at once; each is independent.
    While a simulation steps or answers a call it is the runtime's current simulation on the
    calling thread, and it holds its own lock: calls on one simulation from several threads take
    turns, and threads may step different simulations at the same time. Stepping releases the
    interpreter lock, so other Python threads run meanwhile. The vessel modules are shared
    libraries loaded once per process and shared by every simulation in it: they keep their state
    in each vessel's object, so they may run for two simulations at once.

    After an error in a step the simulation refuses to go on (its state is that of a step cut
    short) but can still be read and saved. A simulation that is closed, garbage-collected or
    left in a traceback never stands in the way of another.
    """

    def __init__(self, *args: Any, **kwargs: Any) -> None:
        raise TypeError("a quva.Simulation is made by quva.Simulation.load(path_or_name, ...) or "
                        "quva.Simulation.from_text(text, ...), not called directly")

    @classmethod
    def _made(cls, core: SimulationCore, actions: Optional[Dict[int, Tuple[str, Any]]] = None) -> "Simulation":
        sim = cls.__new__(cls)
        sim._core = core
        sim._trace_read = 0
        sim._actions = dict(actions or {})
        return sim

    @classmethod
    def load(cls, path_or_name: PathLike, root: Optional[PathLike] = None, dt: float = 0.1, keep_unknown: bool = False,
             trace: bool = False, telemetry: Union[bool, Sequence[str]] = False,
             telemetry_interval: float = 0.0, telemetry_limit: int = DEFAULT_TELEMETRY_LIMIT,
             refuel_on_pad: bool = True, assembly: str = "simulator", replay: bool = False) -> "Simulation":
        """Loads a scenario file, or a scenario by name under ``root``/Scenarios/.

        ``root`` is the add-on tree holding Modules/, Config/ and Meshes/ (default: the tree this
        package belongs to). ``dt`` is the step length in seconds. ``keep_unknown`` carries vessels
        of unknown classes along unchanged instead of failing. ``trace`` keeps the call trace for
        :meth:`trace`. ``telemetry`` records every vessel's readings for :meth:`telemetry`: True for
        every column, or the names of the columns to keep (time is always kept);
        ``telemetry_interval`` (s) samples at the first step at or after each multiple of it, as
        ``quva run --csv-interval``; ``telemetry_limit`` bounds the samples kept (one vessel at one
        moment each): a run that would pass it is refused, or stops with an Error.
        ``refuel_on_pad`` fills every store of a vessel loaded on a pad of its BASE line (False:
        as ``quva run --no-refuel-on-pad``). ``assembly`` says how a vessel and those it holds fly,
        as ``quva run --assembly``: ``"simulator"`` (a held vessel rides its holder and neither its
        mass nor its forces count) or ``"combined"`` (one rigid body: masses, forces, moments add up).
        ``replay`` gathers the run for :meth:`replay`, as ``quva run --replay`` does.
        Raises :class:`Error` (with ``file`` and ``line``) on a bad scenario.
        """
        tree = Path(root) if root is not None else default_root()
        scenario = _scenario_file(path_or_name, tree)
        return cls._open(str(scenario), None, tree, dt, keep_unknown, trace, telemetry, telemetry_interval,
                         telemetry_limit, refuel_on_pad, assembly, replay)

    @classmethod
    def from_text(cls, text: str, root: Optional[PathLike] = None, dt: float = 0.1, keep_unknown: bool = False,
                  trace: bool = False, telemetry: Union[bool, Sequence[str]] = False,
                  telemetry_interval: float = 0.0, telemetry_limit: int = DEFAULT_TELEMETRY_LIMIT,
                  name: str = "<text>", refuel_on_pad: bool = True, assembly: str = "simulator",
                  replay: bool = False) -> "Simulation":
        """A scenario from text held in memory, with the options of :meth:`load`; ``name`` stands
        for the file in messages. The text needs no ships section: vessels may be added later."""
        if not isinstance(text, str):
            raise TypeError(f"the scenario text must be a str, not {type(text).__name__}")
        tree = Path(root) if root is not None else default_root()
        return cls._open(str(name), text, tree, dt, keep_unknown, trace, telemetry, telemetry_interval,
                         telemetry_limit, refuel_on_pad, assembly, replay)

    @classmethod
    def _open(cls, scenario: str, text: Optional[str], tree: Path, dt: float, keep_unknown: bool, trace: bool,
              telemetry: Union[bool, Sequence[str]], interval: float, limit: int,
              refuel_on_pad: bool = True, assembly: str = "simulator", replay: bool = False) -> "Simulation":
        if assembly not in ASSEMBLY_MODELS:
            raise ValueError(f"assembly must be one of {', '.join(map(repr, ASSEMBLY_MODELS))}, not {assembly!r}")
        step = check.real(dt, "dt", positive=True)
        # A step so short that one simulated second takes more steps than a whole run may.
        check.within_step_limit(1.0 / step, MAX_RUN_STEPS, f"dt={dt!r} (per simulated second)")
        columns = None
        if not isinstance(telemetry, bool):
            if isinstance(telemetry, str):
                raise TypeError("telemetry is True, False or a list of column names")
            columns = [str(c) for c in telemetry]
        interval = check.real(interval, "telemetry_interval", at_least=0.0)
        limit = check.count(limit, "telemetry_limit")
        core = _load(scenario, text, str(tree), step, bool(keep_unknown), bool(trace), telemetry is not False,
                     columns, interval, limit, bool(refuel_on_pad), assembly == "combined", bool(replay))
        return cls._made(core)

    def copy(self) -> "Simulation":
        """An independent simulation in this one's state: the clock, the vessels as the host
        holds them (position, velocity, attitude, masses, stores), each module's state as it saves
        it, the events and :meth:`when` actions still to come, the timeline and the telemetry."""
        return Simulation._made(self._core.copy(), self._actions)

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
        n = check.count(n, "the number of steps")
        check.within_step_limit(n, MAX_RUN_STEPS, f"step({n})")
        last = self.step_count + n
        self._advance(last, last * self.dt)

    def run(self, until: Union[float, Callable[["Simulation"], bool]], limit: Optional[float] = None) -> bool:
        """Runs to simulation time ``until``, or step by step until ``until(sim)`` is true.

        A time runs every step that ends at or before it, as ``quva run --until`` does, with the
        events due by then applied. A condition is asked after every step (not before the first);
        ``limit`` (simulation time in s) bounds such a run, by default :data:`DEFAULT_CONDITION_LIMIT`
        seconds after it starts, with a RuntimeWarning when that default ends it. A ``"stop"``
        action of :meth:`when` ends either run early. Returns True when the time was reached or
        the condition met, False when the limit or a stop came first.
        """
        if not callable(until):
            t = check.real(until, "until")
            last = _step_of_time(t, self.dt)
            check.within_step_limit(last - self.step_count, MAX_RUN_STEPS, f"run(until={until!r})")
            return self._advance(last, t)
        default = limit is None
        end = self.t + DEFAULT_CONDITION_LIMIT if default else check.real(limit, "limit")
        last = _step_of_time(end, self.dt)
        check.within_step_limit(last - self.step_count, MAX_RUN_STEPS, f"run(limit={end!r})")
        while self.step_count < last:
            if not self._advance(self.step_count + 1, (self.step_count + 1) * self.dt):
                return False
            if until(self):
                return True
        if default:
            warnings.warn(f"run(until=condition) stopped at t = {self.t:g} s, {DEFAULT_CONDITION_LIMIT:g} s after it "
                          "began, without the condition being met: give limit= to run longer", RuntimeWarning,
                          stacklevel=2)
        return False

    def _advance(self, last: int, end: float) -> bool:
        """Runs to step ``last``, carrying out the script's actions as they come due; False when a
        stop action ended the run first."""
        if not self._core.telemetry_fits(last - self.step_count):
            raise ValueError(f"the telemetry would pass its limit of samples (telemetry_limit) in the "
                             f"{last - self.step_count} steps asked for: record less (telemetry_interval=, fewer "
                             "columns) or raise the limit")
        while True:
            notices, done = self._core.advance(last, end)
            stopped = False
            for notice in notices:
                vessel, action = self._actions[notice]
                if action is _STOP:
                    stopped = True
                else:
                    action(self.vessel(vessel))
            if stopped:
                return False
            if done:
                return True

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
        """The vessel by name; Error naming those there are when there is none."""
        return self._core.vessel(name)

    def add_vessel(self, name: str, class_name: str, *, latitude: Optional[float] = None,
                   longitude: Optional[float] = None, altitude: Optional[float] = None,
                   velocity: Sequence[float] = (0.0, 0.0, 0.0), relative_to: str = "air", heading: float = 0.0,
                   pitch: float = 0.0, bank: float = 0.0, angular_velocity: Sequence[float] = (0.0, 0.0, 0.0),
                   body: str = "Earth", landed: bool = False,
                   attach_to: Union[None, str, Vessel, Tuple[Any, ...]] = None,
                   lines: Sequence[str] = ()) -> Vessel:
        """Creates a vessel of the class, placed as :meth:`Vessel.place` places one, or held by
        another: ``attach_to`` is the parent (a name or a Vessel), or (parent, parent_point) or
        (parent, parent_point, child_point), points counted from 0 (default 0 and 0); a held
        vessel takes no place of its own. ``lines`` are further scenario lines of its block (a
        module's ``STATE``, say). Returns the new vessel."""
        extra = [str(line) for line in lines]
        if attach_to is not None:
            if latitude is not None or longitude is not None or altitude is not None or landed:
                raise ValueError("a vessel attached to another is placed by it: give no latitude, longitude, altitude "
                                 "or landed")
            parent, parent_point, child_point = _attachment(attach_to)
            held = [f"STATUS Orbiting {body}", f"ATTACHED {child_point}:{parent_point},{parent}"]
            return self._core.add_vessel(str(name), str(class_name), None, held + extra)
        if latitude is None or longitude is None:
            raise TypeError("add_vessel needs latitude and longitude (or attach_to)")
        where = _placement(latitude=latitude, longitude=longitude, altitude=altitude, velocity=velocity,
                           relative_to=relative_to, heading=heading, pitch=pitch, bank=bank,
                           angular_velocity=angular_velocity, body=body, landed=landed)
        return self._core.add_vessel(str(name), str(class_name), where, extra)

    def when(self, condition: str, vessel: Union[str, Vessel], action: Union[str, Callable[[Vessel], Any]],
             key: Optional[str] = None, modifiers: Sequence[str] = ()) -> Trigger:
        """Acts once, at the end of the first step where ``condition`` holds for the vessel.

        The condition is the quva command's (``alt<3000``, ``vz>-5``, ``t>=12``; readings alt,
        airspeed, vz, t). ``action`` is ``"release"`` (from its parent), ``"press"`` (``key``, a
        letter, with ``modifiers`` held), ``"delete"``, ``"stop"`` (ends the run in progress), or a
        callable, called once with the vessel between that step and the next. Looking at the
        condition costs nothing in Python; only the callable runs Python, once.
        """
        name = vessel.name if isinstance(vessel, Vessel) else vessel
        if not isinstance(name, str) or not isinstance(condition, str):
            raise TypeError("when(condition, vessel, action): the condition is a text and the vessel a name or Vessel")
        notice = len(self._actions)
        if callable(action) or action == "stop":
            kind = "notice"
        elif action in ("release", "delete", "press"):
            kind = action
            if action == "press" and key is None:
                raise ValueError('action="press" needs key=, a letter')
        else:
            raise ValueError(f'action is "release", "press", "delete", "stop" or a callable, not {action!r}')
        index = self._core.add_trigger(condition, name, kind, key or "", [str(m) for m in modifiers], notice)
        if kind == "notice":
            self._actions[notice] = (name, _STOP if action == "stop" else action)
        return Trigger(self, index, f"{condition} for {name}")

    # -- output ---------------------------------------------------------------------------------

    def save(self, path: PathLike) -> None:
        """Writes the scenario as it stands, as ``quva run --save`` does: a regular file only (a
        symbolic link stays one, the file it points to is replaced), through a temporary file
        renamed into place once every write has succeeded."""
        self._core.save(os.fspath(path))

    def replay(self, path: PathLike) -> None:
        """Writes a 3-D replay of the run so far to ``path`` (needs replay=True), as ``quva run
        --replay`` does: one HTML page that opens offline in a browser, with every vessel posed at
        each sample (at most 2000 per vessel), their trajectories, the timeline's events and a chart
        of altitude and vertical speed. Written like :meth:`save`, through a temporary file."""
        self._core.replay(os.fspath(path))

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

    def telemetry(self, vessel: Optional[str] = None, columns: Optional[Sequence[str]] = None) -> Dict[str, Any]:
        """Readings recorded at load and after every step (needs telemetry=True).

        For one vessel: columns time, altitude, speed, airspeed, vertical_speed, drag, mass,
        latitude, longitude, velocity_east, velocity_north, velocity_up, heading, pitch, bank,
        omega_x, omega_y, omega_z, dynamic_pressure, mach, anim0... (those recorded), as NumPy
        arrays (lists without NumPy); ``columns`` picks some ("anim" for the animation states).
        Without a vessel name: such a dict per vessel.
        """
        if isinstance(columns, str):
            raise TypeError("columns is a list of column names")
        tables = self._core.telemetry(None if columns is None else [str(c) for c in columns])
        convert = _numpy.asarray if _numpy is not None else (lambda values: values)
        tables = {name: {k: convert(v) for k, v in table.items()} for name, table in tables.items()}
        if vessel is None:
            return tables
        if vessel not in tables:
            raise Error(f'no telemetry for a vessel named "{vessel}" (there is some for '
                        + (", ".join(f'"{n}"' for n in tables) or "none") + ")")
        return tables[vessel]

    def __repr__(self) -> str:
        if self.closed:
            return "<quva.Simulation (closed)>"
        return f"<quva.Simulation {self._core.scenario_path} t={self.t:g} s, {len(self.vessels)} vessel(s)>"


def _attachment(attach_to: Any) -> Tuple[str, int, int]:
    parts = attach_to if isinstance(attach_to, tuple) else (attach_to,)
    if not 1 <= len(parts) <= 3:
        raise ValueError("attach_to is a parent, (parent, parent_point) or (parent, parent_point, child_point)")
    parent = parts[0].name if isinstance(parts[0], Vessel) else parts[0]
    if not isinstance(parent, str):
        raise TypeError(f"the parent is a vessel name or a Vessel, not {parent!r}")
    parent_point = check.count(parts[1], "parent_point") if len(parts) > 1 else 0
    child_point = check.count(parts[2], "child_point") if len(parts) > 2 else 0
    return parent, parent_point, child_point
