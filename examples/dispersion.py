#!/usr/bin/env python3
"""Dispersion runs of the recovery example: where does the capsule land, how fast, and what loads
do the canopies see, when the drogue's release altitude, the capsule's mass and its initial
velocity vary from run to run?

    python3 examples/dispersion.py --runs 500 --seed 7 --out dispersion/

Writes DIR/footprint.svg (touchdown points around the point below the start) and DIR/runs.csv
(one row per run: its inputs, touchdown point, descent rate at touchdown, canopy drag peaks).
The same seed gives the same runs and the same files, whatever the number of processes.
Needs only the standard library and the quva package (build tree: build/default/python).
"""

from __future__ import annotations

import argparse
import csv
import math
import multiprocessing
import os
import random
import sys
import tempfile
import time
from pathlib import Path
from typing import Dict, List, NamedTuple

HERE = Path(__file__).resolve().parent
try:
    import quva
except ImportError:  # run from a clone: use the package in the default build tree
    sys.path.insert(0, str(HERE.parent / "build" / "default" / "python"))
    import quva

# Spread of the inputs: normal, around the example's own values.
RELEASE_ALTITUDE = (3000.0, 250.0)  # m, drogue released below this altitude
CAPSULE_MASS = (5500.0, 150.0)      # kg
START_VELOCITY = ((0.0, 6.0), (-100.0, 4.0), (0.0, 6.0))  # m/s per axis; y is the local vertical at the start
TIME_LIMIT = 900.0                  # s, a run that has not touched down by then is reported as such


class Inputs(NamedTuple):
    run: int
    release_altitude: float
    mass: float
    velocity: tuple


class Outcome(NamedTuple):
    inputs: Inputs
    landed: bool
    touchdown_time: float
    x: float  # m, along the frame's x axis from the point below the start
    z: float  # m, along the frame's z axis
    descent_rate: float  # m/s at touchdown
    drogue_peak: float  # N
    main_peak: float  # N


def draw_inputs(seed: int, runs: int) -> List[Inputs]:
    """All runs' inputs, drawn in order from one generator, so that they depend on the seed alone."""
    rng = random.Random(seed)
    out = []
    for k in range(runs):
        release = rng.gauss(*RELEASE_ALTITUDE)
        mass = rng.gauss(*CAPSULE_MASS)
        velocity = tuple(rng.gauss(*axis) for axis in START_VELOCITY)
        out.append(Inputs(k, release, mass, velocity))
    return out


def scenario_with_velocity(text: str, velocity: tuple) -> str:
    """The scenario with every vessel's starting velocity replaced (the held ones follow the capsule)."""
    lines = []
    for line in text.splitlines():
        if line.strip().startswith("RVEL "):
            line = "  RVEL {:.6f} {:.6f} {:.6f}".format(*velocity)
        lines.append(line)
    return "\n".join(lines) + "\n"


def fly(inputs: Inputs) -> Outcome:
    """One flight of the recovery example with the given inputs."""
    root = quva.default_root()
    text = (root / "Scenarios" / "Quva" / "Recovery.scn").read_text()
    with tempfile.TemporaryDirectory() as folder:
        path = Path(folder) / "Recovery.scn"
        path.write_text(scenario_with_velocity(text, inputs.velocity))
        with quva.Simulation.load(path) as sim:
            capsule, drogue, main = sim.vessel("Capsule"), sim.vessel("Drogue"), sim.vessel("Main")
            capsule.empty_mass = inputs.mass
            start = capsule.position
            peaks = {"drogue": 0.0, "main": 0.0}
            last = {"vz": capsule.vertical_speed}

            def watch(_sim) -> bool:
                # Drag peaks of both canopies, and the capsule's descent rate just before contact.
                if drogue.alive:
                    peaks["drogue"] = max(peaks["drogue"], drogue.drag)
                peaks["main"] = max(peaks["main"], main.drag)
                if capsule.ground_contact:
                    return True
                last["vz"] = capsule.vertical_speed
                return False

            def released(_sim) -> bool:
                return watch(_sim) or drogue.altitude < inputs.release_altitude

            sim.run(until=released, limit=TIME_LIMIT)
            if drogue.parent is not None:
                drogue.release()
            landed = sim.run(until=watch, limit=TIME_LIMIT)
            x, z = surface_offset(start, capsule.position)
            return Outcome(inputs, landed, sim.t, x, z, -last["vz"], peaks["drogue"], peaks["main"])


def surface_offset(start, end):
    """The touchdown point's offset (m) from the point below the start, along the frame's x and z
    axes as they lie in the horizontal plane there."""
    r0 = math.sqrt(sum(c * c for c in start))
    r1 = math.sqrt(sum(c * c for c in end))
    up = [c / r0 for c in start]
    # The point below the start and the touchdown point, both on the sphere of the start's radius.
    d = [e / r1 * r0 - s for e, s in zip(end, start)]
    horizontal = [dc - up_c * sum(a * b for a, b in zip(d, up)) for dc, up_c in zip(d, up)]
    return horizontal[0], horizontal[2]


def write_table(path: Path, outcomes: List[Outcome]) -> None:
    with open(path, "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(["run", "release_altitude_m", "capsule_mass_kg", "vx0", "vy0", "vz0", "landed", "touchdown_s",
                    "x_m", "z_m", "descent_rate_mps", "drogue_peak_drag_n", "main_peak_drag_n"])
        for o in outcomes:
            i = o.inputs
            w.writerow([i.run, f"{i.release_altitude:.3f}", f"{i.mass:.3f}", *(f"{v:.4f}" for v in i.velocity),
                        int(o.landed), f"{o.touchdown_time:.2f}", f"{o.x:.3f}", f"{o.z:.3f}",
                        f"{o.descent_rate:.4f}", f"{o.drogue_peak:.1f}", f"{o.main_peak:.1f}"])


def nice_step(span: float) -> float:
    raw = span / 5.0
    power = 10 ** math.floor(math.log10(raw)) if raw > 0 else 1.0
    return next(m * power for m in (1, 2, 5, 10) if m * power >= raw)


def write_footprint(path: Path, outcomes: List[Outcome], seed: int) -> None:
    """Touchdown points as seen from above, with the mean point and a circle holding half of them."""
    points = [(o.x, o.z) for o in outcomes if o.landed]
    size, margin = 560, 60
    reach = max([abs(c) for p in points for c in p] + [1.0]) * 1.1
    step = nice_step(2 * reach)
    reach = math.ceil(reach / step) * step
    scale = (size - 2 * margin) / (2 * reach)

    def sx(x: float) -> float:
        return margin + (x + reach) * scale

    def sy(z: float) -> float:
        return size - margin - (z + reach) * scale

    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size + 30}" font-family="sans-serif" font-size="12">',
             f'<rect width="{size}" height="{size + 30}" fill="white"/>',
             f'<text x="{size / 2}" y="24" text-anchor="middle" font-size="15">Recovery example: touchdown footprint</text>',
             f'<text x="{size / 2}" y="42" text-anchor="middle" fill="#555">{len(points)} of {len(outcomes)} runs landed, seed {seed}</text>']
    ticks = [k * step for k in range(-int(round(reach / step)), int(round(reach / step)) + 1)]
    for t in ticks:
        parts.append(f'<line x1="{sx(t):.1f}" y1="{sy(-reach):.1f}" x2="{sx(t):.1f}" y2="{sy(reach):.1f}" stroke="#e4e4e4"/>')
        parts.append(f'<line x1="{sx(-reach):.1f}" y1="{sy(t):.1f}" x2="{sx(reach):.1f}" y2="{sy(t):.1f}" stroke="#e4e4e4"/>')
        parts.append(f'<text x="{sx(t):.1f}" y="{sy(-reach) + 16:.1f}" text-anchor="middle">{t:g}</text>')
        parts.append(f'<text x="{sx(-reach) - 6:.1f}" y="{sy(t) + 4:.1f}" text-anchor="end">{t:g}</text>')
    parts.append(f'<rect x="{sx(-reach):.1f}" y="{sy(reach):.1f}" width="{2 * reach * scale:.1f}" height="{2 * reach * scale:.1f}" fill="none" stroke="#888"/>')
    parts.append(f'<text x="{size / 2}" y="{size - margin + 34}" text-anchor="middle">x (m)</text>')
    parts.append(f'<text x="16" y="{size / 2}" text-anchor="middle" transform="rotate(-90 16 {size / 2})">z (m)</text>')
    parts.append(f'<line x1="{sx(0) - 6:.1f}" y1="{sy(0):.1f}" x2="{sx(0) + 6:.1f}" y2="{sy(0):.1f}" stroke="black"/>')
    parts.append(f'<line x1="{sx(0):.1f}" y1="{sy(0) - 6:.1f}" x2="{sx(0):.1f}" y2="{sy(0) + 6:.1f}" stroke="black"/>')
    for x, z in points:
        parts.append(f'<circle cx="{sx(x):.2f}" cy="{sy(z):.2f}" r="2.2" fill="#1f77b4" fill-opacity="0.6"/>')
    if points:
        mx = sum(p[0] for p in points) / len(points)
        mz = sum(p[1] for p in points) / len(points)
        radii = sorted(math.hypot(x - mx, z - mz) for x, z in points)
        r50 = radii[len(radii) // 2]
        parts.append(f'<circle cx="{sx(mx):.2f}" cy="{sy(mz):.2f}" r="{r50 * scale:.2f}" fill="none" stroke="#d62728" stroke-dasharray="4 3"/>')
        parts.append(f'<circle cx="{sx(mx):.2f}" cy="{sy(mz):.2f}" r="3.5" fill="#d62728"/>')
        parts.append(f'<text x="{size / 2}" y="{size + 20}" text-anchor="middle" fill="#d62728">mean ({mx:.1f}, {mz:.1f}) m; half the points within {r50:.1f} m of it (dashed); + below the start</text>')
    parts.append("</svg>\n")
    path.write_text("\n".join(parts))


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description="Dispersion runs of the recovery example.")
    parser.add_argument("--runs", type=int, default=200, help="number of flights (default 200)")
    parser.add_argument("--seed", type=int, required=True, help="seed of the random inputs; the same seed repeats the runs")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1, help="processes (default: one per core)")
    parser.add_argument("--out", type=Path, default=Path("dispersion"), help="folder for footprint.svg and runs.csv")
    args = parser.parse_args(argv)
    if args.runs < 1 or args.jobs < 1:
        parser.error("--runs and --jobs must be 1 or more")
    args.out.mkdir(parents=True, exist_ok=True)

    inputs = draw_inputs(args.seed, args.runs)
    started = time.perf_counter()
    # Each process holds one simulation at a time; results come back in the order of the runs.
    with multiprocessing.Pool(args.jobs) as pool:
        outcomes = pool.map(fly, inputs, chunksize=max(1, args.runs // (4 * args.jobs)))
    elapsed = time.perf_counter() - started

    write_table(args.out / "runs.csv", outcomes)
    write_footprint(args.out / "footprint.svg", outcomes, args.seed)
    landed = [o for o in outcomes if o.landed]
    print(f"{args.runs} runs in {elapsed:.2f} s with {args.jobs} processes: {args.runs / elapsed:.1f} runs/s")
    if landed:
        rates = sorted(o.descent_rate for o in landed)
        print(f"landed: {len(landed)}; descent rate at touchdown {rates[0]:.2f} to {rates[-1]:.2f} m/s "
              f"(median {rates[len(rates) // 2]:.2f}); drogue peak drag up to {max(o.drogue_peak for o in outcomes):.0f} N, "
              f"main up to {max(o.main_peak for o in outcomes):.0f} N")
    print(f"wrote {args.out / 'footprint.svg'} and {args.out / 'runs.csv'}")
    return 0 if len(landed) == len(outcomes) else 1


if __name__ == "__main__":
    sys.exit(main())
