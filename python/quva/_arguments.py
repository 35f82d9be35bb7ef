"""Checks of what a script passes in: numbers that are numbers, finite where they must be, and
runs within the step limit the quva command keeps."""

from __future__ import annotations

import math
import numbers
import operator
from typing import Any, Optional, Sequence, Tuple


def real(value: Any, what: str, *, positive: bool = False, at_least: Optional[float] = None) -> float:
    """A finite real number: TypeError for anything that is not a number (a bool or a text
    included), ValueError for NaN, an infinity or a value out of range."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{what} must be a number, not {type(value).__name__} {value!r}")
    number = float(value)
    if not math.isfinite(number):
        raise ValueError(f"{what} must be a finite number, not {value!r}")
    if positive and not number > 0:
        raise ValueError(f"{what} must be a positive number, not {value!r}")
    if at_least is not None and number < at_least:
        raise ValueError(f"{what} must be {at_least:g} or more, not {value!r}")
    return number


def count(value: Any, what: str) -> int:
    """A whole number of 0 or more (an int, not a float or a text)."""
    try:
        n = operator.index(value)
    except TypeError:
        raise TypeError(f"{what} must be a whole number, not {type(value).__name__} {value!r}") from None
    if isinstance(value, bool):
        raise TypeError(f"{what} must be a whole number, not {value!r}")
    if n < 0:
        raise ValueError(f"{what} must be 0 or more, not {n}")
    return n


def triple(value: Any, what: str) -> Tuple[float, float, float]:
    """Three finite numbers."""
    try:
        items: Sequence[Any] = tuple(value)
    except TypeError:
        raise TypeError(f"{what} must be three numbers, not {value!r}") from None
    if len(items) != 3:
        raise ValueError(f"{what} must be three numbers, not {len(items)}")
    return tuple(real(x, what) for x in items)  # type: ignore[return-value]


def within_step_limit(steps: float, limit: int, what: str) -> None:
    """The quva command's bound on one run: more steps than that is a slip, not a run."""
    if steps > limit:
        raise ValueError(f"{what} asks for {steps:.4g} steps, more than the {limit:,} one run may take "
                         "(as quva run refuses); use a longer dt or a shorter run")
