"""Placing a vessel over its planet from a script: the keywords of Vessel.place and
Simulation.add_vessel, checked, as the runtime's placement."""

from __future__ import annotations

from typing import Any, Optional, Sequence

from . import _arguments as check
from ._quva import placement as _placement


def placement(*, latitude: float, longitude: float, altitude: Optional[float] = None,
              velocity: Sequence[float] = (0.0, 0.0, 0.0), relative_to: str = "air", heading: float = 0.0,
              pitch: float = 0.0, bank: float = 0.0, angular_velocity: Sequence[float] = (0.0, 0.0, 0.0),
              body: str = "Earth", landed: bool = False) -> Any:
    if relative_to not in ("air", "ground"):
        raise ValueError(f'relative_to is "air" or "ground", not {relative_to!r}')
    if not isinstance(body, str):
        raise TypeError(f"body must be a name such as \"Earth\", not {body!r}")
    if not isinstance(landed, bool):
        raise TypeError(f"landed must be True or False, not {landed!r}")
    if altitude is None and not landed:
        raise TypeError("a vessel in flight needs an altitude (m above the surface)")
    return _placement(check.real(latitude, "latitude"), check.real(longitude, "longitude"),
                      None if altitude is None else check.real(altitude, "altitude"),
                      check.triple(velocity, "velocity"), relative_to, check.real(heading, "heading"),
                      check.real(pitch, "pitch"), check.real(bank, "bank"),
                      check.triple(angular_velocity, "angular_velocity"), body, landed)


def place(self: Any, *, latitude: float, longitude: float, altitude: Optional[float] = None,
          velocity: Sequence[float] = (0.0, 0.0, 0.0), relative_to: str = "air", heading: float = 0.0,
          pitch: float = 0.0, bank: float = 0.0, angular_velocity: Sequence[float] = (0.0, 0.0, 0.0),
          body: str = "Earth", landed: bool = False) -> None:
    """Puts the vessel (and what it holds) over its planet, between steps.

    ``latitude`` and ``longitude`` in degrees, ``altitude`` in m above the mean radius;
    ``velocity`` (east, north, up) in m/s relative to the turning air (``relative_to="air"``) or
    the ground below (``"ground"``; without wind they are the same); ``heading`` (from north toward
    east), ``pitch`` (nose above the horizon) and ``bank`` (right side down) in degrees;
    ``angular_velocity`` in rad/s about the vessel's axes. ``landed=True`` stands it on the ground
    (without an altitude, level on its touchdown points), turning with the planet; it then takes no
    velocity. The readings give back what was set.
    """
    self._place(placement(latitude=latitude, longitude=longitude, altitude=altitude, velocity=velocity,
                          relative_to=relative_to, heading=heading, pitch=pitch, bank=bank,
                          angular_velocity=angular_velocity, body=body, landed=landed))
