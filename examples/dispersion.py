#!/usr/bin/env python3
"""Dispersion runs of the recovery example: where does the capsule land, how fast, and what loads
do the canopies see, when the drogue's release altitude, the capsule's mass and its starting
velocity through the air vary from run to run?

    python3 examples/dispersion.py --runs 500 --seed 7 --out dispersion/

Each run starts from the example scenario's own state, read from its text in memory: the capsule
is placed where the scenario has it, at its speed through the (turning) air plus the run's
dispersion, and flies with its canopies until it touches the ground. The capsule and the canopies
it holds fly as one body (assembly="combined"), so that their drag slows it. Nothing per step runs in
Python: the drogue's release and the end of the run are conditions the simulation watches.

Writes DIR/footprint.svg (touchdown points in metres east and north of their mean, with the
ellipses holding 50 % and 95 % of them) and DIR/runs.csv (one row per run: its inputs,
touchdown time and place, descent rate at touchdown, canopy drag peaks), and prints a summary
(--markdown: as a table). The same seed gives the same runs and the same files, whatever the
number of processes. Needs only the standard library and the quva package.
"""

from __future__ import annotations

import argparse
import csv
import math
import multiprocessing
import os
import random
import sys
import time
from pathlib import Path
from typing import List, NamedTuple, Optional, Tuple

HERE = Path(__file__).resolve().parent
try:
    import quva
except ImportError:  # run from a clone: use the package in the default build tree
    sys.path.insert(0, str(HERE.parent / "build" / "default" / "python"))
    import quva

SCENARIO = "Quva/Recovery"
# Spread of the inputs: normal, around the scenario's own values.
RELEASE_ALTITUDE = (3000.0, 250.0)  # m, drogue released below this altitude
CAPSULE_MASS = (5500.0, 150.0)      # kg
VELOCITY_SPREAD = (6.0, 6.0, 4.0)   # m/s east, north, up, added to the speed through the air
TIME_LIMIT = 900.0                  # s, a run that has not touched down by then is reported as such
EARTH_RADIUS = 6371010.0            # m, the host's Earth
TOUCHDOWN_SAMPLES = 20              # steps before the stop in which the descent rate at touchdown is read
CHI2_2DOF = {50: -2.0 * math.log(0.5), 95: -2.0 * math.log(0.05)}  # ellipse scales for 2 degrees of freedom


class Inputs(NamedTuple):
    run: int
    release_altitude: float
    mass: float
    velocity: Tuple[float, float, float]  # m/s east, north, up: the dispersion added to the scenario's


class Outcome(NamedTuple):
    inputs: Inputs
    landed: bool
    touchdown_time: float
    latitude: float  # deg, of the touchdown point
    longitude: float
    descent_rate: float  # m/s at touchdown
    drogue_peak: float  # N
    main_peak: float  # N


class Start(NamedTuple):
    """The capsule's state in the scenario, as the readings give it."""
    latitude: float
    longitude: float
    altitude: float
    velocity: Tuple[float, float, float]
    heading: float
    pitch: float
    bank: float


TEXT = ""
START: Optional[Start] = None


def prepare(text: str) -> None:
    """Per process: the scenario's text and the capsule's starting state read from it."""
    global TEXT, START
    TEXT = text
    with quva.Simulation.from_text(text, name=SCENARIO) as sim:
        c = sim.vessel("Capsule")
        START = Start(c.latitude, c.longitude, c.altitude, c.velocity_enu, c.heading, c.pitch, c.bank)


def draw_inputs(seed: int, runs: int) -> List[Inputs]:
    """All runs' inputs, drawn in order from one generator, so that they depend on the seed alone."""
    rng = random.Random(seed)
    out = []
    for k in range(runs):
        release = rng.gauss(*RELEASE_ALTITUDE)
        mass = rng.gauss(*CAPSULE_MASS)
        velocity = tuple(rng.gauss(0.0, s) for s in VELOCITY_SPREAD)
        out.append(Inputs(k, release, mass, velocity))
    return out


def fly(inputs: Inputs) -> Outcome:
    """One flight of the recovery example with the given inputs."""
    s = START
    with quva.Simulation.from_text(TEXT, name=SCENARIO, telemetry=["drag", "vertical_speed"],
                                   assembly="combined") as sim:
        capsule = sim.vessel("Capsule")
        velocity = tuple(a + b for a, b in zip(s.velocity, inputs.velocity))
        capsule.place(latitude=s.latitude, longitude=s.longitude, altitude=s.altitude, velocity=velocity,
                      relative_to="air", heading=s.heading, pitch=s.pitch, bank=s.bank)
        capsule.empty_mass = inputs.mass
        sim.when(f"alt<{inputs.release_altitude:.6f}", vessel="Drogue", action="release")
        # Sinking, the capsule never stops: it has touched down once it no longer sinks.
        touchdown = sim.when("vz>-0.5", vessel="Capsule", action="stop")
        sim.run(until=TIME_LIMIT)
        drag = sim.telemetry(columns=["drag"])
        vz = sim.telemetry("Capsule", columns=["vertical_speed"])["vertical_speed"]
        # The descent rate at touchdown: the steady one under the canopies in the last seconds
        # before the stop. (In the step that meets the ground the impact is already cut to 1 m per
        # step and the heat shield's springs take the rest.)
        descent = -min(vz[-TOUCHDOWN_SAMPLES:])
        # Peaks over the steps flown: at time 0 the canopies have not yet had a step to open in.
        return Outcome(inputs, touchdown.fired, sim.t, capsule.latitude, capsule.longitude, descent,
                       peak(drag["Drogue"]["drag"][1:]), peak(drag["Main"]["drag"][1:]))


def peak(values) -> float:
    """The largest value, of a NumPy array or a list."""
    return float(values.max()) if hasattr(values, "max") else max(values)


def ground_offsets(outcomes: List[Outcome]) -> Tuple[List[Tuple[float, float]], Tuple[float, float]]:
    """Touchdown points in metres east and north of their mean (latitude, longitude), which is returned too."""
    landed = [o for o in outcomes if o.landed]
    if not landed:
        return [], (math.nan, math.nan)
    lat0 = sum(o.latitude for o in landed) / len(landed)
    lon0 = sum(o.longitude for o in landed) / len(landed)
    k = math.radians(1.0) * EARTH_RADIUS
    return [((o.longitude - lon0) * k * math.cos(math.radians(lat0)), (o.latitude - lat0) * k) for o in landed], (lat0, lon0)


def covariance_ellipse(points: List[Tuple[float, float]], scale: float) -> Tuple[float, float, float]:
    """Semi-axes (m) and angle (deg, from east toward north) of the ellipse of the points' covariance
    scaled by `scale` (a chi-square value with two degrees of freedom)."""
    n = len(points)
    if n < 2:
        return 0.0, 0.0, 0.0
    see = sum(e * e for e, _ in points) / (n - 1)
    snn = sum(nn * nn for _, nn in points) / (n - 1)
    sen = sum(e * nn for e, nn in points) / (n - 1)
    middle, half = (see + snn) / 2.0, math.hypot((see - snn) / 2.0, sen)
    angle = 0.5 * math.degrees(math.atan2(2.0 * sen, see - snn))
    return math.sqrt(scale * (middle + half)), math.sqrt(scale * max(middle - half, 0.0)), angle


def write_table(path: Path, outcomes: List[Outcome], offsets: List[Tuple[float, float]]) -> None:
    landed = iter(offsets)
    with open(path, "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(["run", "release_altitude_m", "capsule_mass_kg", "dv_east_mps", "dv_north_mps", "dv_up_mps", "landed",
                    "touchdown_s", "latitude_deg", "longitude_deg", "east_m", "north_m", "descent_rate_mps",
                    "drogue_peak_drag_n", "main_peak_drag_n"])
        for o in outcomes:
            i = o.inputs
            east, north = next(landed) if o.landed else (math.nan, math.nan)
            w.writerow([i.run, f"{i.release_altitude:.3f}", f"{i.mass:.3f}", *(f"{v:.4f}" for v in i.velocity),
                        int(o.landed), f"{o.touchdown_time:.2f}", f"{o.latitude:.7f}", f"{o.longitude:.7f}",
                        f"{east:.3f}", f"{north:.3f}", f"{o.descent_rate:.4f}", f"{o.drogue_peak:.1f}",
                        f"{o.main_peak:.1f}"])


def nice_step(span: float) -> float:
    raw = span / 6.0
    power = 10 ** math.floor(math.log10(raw)) if raw > 0 else 1.0
    return next(m * power for m in (1, 2, 5, 10) if m * power >= raw)


def write_footprint(path: Path, offsets: List[Tuple[float, float]], centre: Tuple[float, float], runs: int,
                    seed: int) -> None:
    """Touchdown points seen from above, east to the right and north up, on one scale for both axes."""
    size, left, top, bottom = 600, 70, 70, 90
    ellipses = {p: covariance_ellipse(offsets, s) for p, s in CHI2_2DOF.items()}
    reach = max([abs(c) for p in offsets for c in p] + [e[0] for e in ellipses.values()] + [1.0]) * 1.08
    step = nice_step(2 * reach)
    reach = math.ceil(reach / step) * step
    plot = size - left - 30
    scale = plot / (2 * reach)

    def sx(e: float) -> float:
        return left + (e + reach) * scale

    def sy(n: float) -> float:
        return top + (reach - n) * scale

    height = top + plot + bottom
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{height}" font-family="sans-serif" font-size="12">',
             f'<rect width="{size}" height="{height}" fill="white"/>',
             f'<text x="{size / 2}" y="24" text-anchor="middle" font-size="15">Recovery example: touchdown footprint over the ground</text>',
             f'<text x="{size / 2}" y="44" text-anchor="middle" fill="#555">{len(offsets)} of {runs} runs landed, seed {seed}; '
             f'mean touchdown {centre[0]:.5f}° N, {centre[1]:.5f}° E</text>']
    ticks = [k * step for k in range(-int(round(reach / step)), int(round(reach / step)) + 1)]
    for t in ticks:
        parts.append(f'<line x1="{sx(t):.1f}" y1="{sy(-reach):.1f}" x2="{sx(t):.1f}" y2="{sy(reach):.1f}" stroke="#e4e4e4"/>')
        parts.append(f'<line x1="{sx(-reach):.1f}" y1="{sy(t):.1f}" x2="{sx(reach):.1f}" y2="{sy(t):.1f}" stroke="#e4e4e4"/>')
        parts.append(f'<text x="{sx(t):.1f}" y="{sy(-reach) + 16:.1f}" text-anchor="middle">{t:g}</text>')
        parts.append(f'<text x="{sx(-reach) - 6:.1f}" y="{sy(t) + 4:.1f}" text-anchor="end">{t:g}</text>')
    parts.append(f'<rect x="{sx(-reach):.1f}" y="{sy(reach):.1f}" width="{plot:.1f}" height="{plot:.1f}" fill="none" stroke="#888"/>')
    parts.append(f'<text x="{sx(0):.1f}" y="{sy(-reach) + 36:.1f}" text-anchor="middle">east of the mean touchdown point (m)</text>')
    parts.append(f'<text x="18" y="{sy(0):.1f}" text-anchor="middle" transform="rotate(-90 18 {sy(0):.1f})">north of the mean touchdown point (m)</text>')
    for e, n in offsets:
        parts.append(f'<circle cx="{sx(e):.2f}" cy="{sy(n):.2f}" r="2.2" fill="#1f77b4" fill-opacity="0.6"/>')
    colours = {50: "#d62728", 95: "#ff7f0e"}
    for p, (a, b, angle) in ellipses.items():
        parts.append(f'<ellipse cx="{sx(0):.2f}" cy="{sy(0):.2f}" rx="{a * scale:.2f}" ry="{b * scale:.2f}" '
                     f'transform="rotate({-angle:.3f} {sx(0):.2f} {sy(0):.2f})" fill="none" stroke="{colours[p]}" stroke-width="1.5"/>')
    parts.append(f'<line x1="{sx(0) - 6:.1f}" y1="{sy(0):.1f}" x2="{sx(0) + 6:.1f}" y2="{sy(0):.1f}" stroke="black"/>')
    parts.append(f'<line x1="{sx(0):.1f}" y1="{sy(0) - 6:.1f}" x2="{sx(0):.1f}" y2="{sy(0) + 6:.1f}" stroke="black"/>')
    legend = sy(-reach) + 58
    for k, (p, (a, b, _)) in enumerate(ellipses.items()):
        parts.append(f'<text x="{size / 2}" y="{legend + 16 * k:.1f}" text-anchor="middle" fill="{colours[p]}">'
                     f'{p} % ellipse: semi-axes {a:.1f} m and {b:.1f} m</text>')
    parts.append("</svg>\n")
    path.write_text("\n".join(parts))


def summary(outcomes: List[Outcome], offsets: List[Tuple[float, float]], markdown: bool) -> str:
    landed = [o for o in outcomes if o.landed]
    if not landed:
        return "no run landed"

    def spread(values: List[float]) -> Tuple[float, float]:
        mean = sum(values) / len(values)
        return mean, math.sqrt(sum((v - mean) ** 2 for v in values) / max(len(values) - 1, 1))

    rows = [("touchdown time (s)", [o.touchdown_time for o in landed]),
            ("east of the mean (m)", [e for e, _ in offsets]),
            ("north of the mean (m)", [n for _, n in offsets]),
            ("descent rate at touchdown (m/s)", [o.descent_rate for o in landed]),
            ("drogue peak drag (kN)", [o.drogue_peak / 1000 for o in landed]),
            ("main peak drag (kN)", [o.main_peak / 1000 for o in landed])]
    lines = ["| | mean | standard deviation | min | max |", "|---|---:|---:|---:|---:|"] if markdown else []
    for name, values in rows:
        mean, sd = spread(values)
        if markdown:
            lines.append(f"| {name} | {mean:.1f} | {sd:.1f} | {min(values):.1f} | {max(values):.1f} |")
        else:
            lines.append(f"{name:32} mean {mean:9.2f}  sd {sd:7.2f}  min {min(values):9.2f}  max {max(values):9.2f}")
    return "\n".join(lines)


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description="Dispersion runs of the recovery example.")
    parser.add_argument("--runs", type=int, default=200, help="number of flights (default 200)")
    parser.add_argument("--seed", type=int, required=True, help="seed of the random inputs; the same seed repeats the runs")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1, help="processes (default: one per core)")
    parser.add_argument("--out", type=Path, default=Path("dispersion"), help="folder for footprint.svg and runs.csv")
    parser.add_argument("--markdown", action="store_true", help="print the summary as a Markdown table")
    args = parser.parse_args(argv)
    if args.runs < 1 or args.jobs < 1:
        parser.error("--runs and --jobs must be 1 or more")
    args.out.mkdir(parents=True, exist_ok=True)

    text = (quva.default_root() / "Scenarios" / (SCENARIO + ".scn")).read_text()
    inputs = draw_inputs(args.seed, args.runs)
    started = time.perf_counter()
    if args.jobs == 1:
        prepare(text)
        outcomes = [fly(i) for i in inputs]
    else:
        # Results come back in the order of the runs, whatever process flew them.
        with multiprocessing.Pool(args.jobs, initializer=prepare, initargs=(text,)) as pool:
            outcomes = pool.map(fly, inputs, chunksize=max(1, args.runs // (4 * args.jobs)))
    elapsed = time.perf_counter() - started

    offsets, centre = ground_offsets(outcomes)
    write_table(args.out / "runs.csv", outcomes, offsets)
    write_footprint(args.out / "footprint.svg", offsets, centre, len(outcomes), args.seed)
    landed = sum(o.landed for o in outcomes)
    print(f"{args.runs} runs in {elapsed:.2f} s with {args.jobs} process{'es' if args.jobs > 1 else ''}: "
          f"{args.runs / elapsed:.1f} runs/s; {landed} landed")
    print(summary(outcomes, offsets, args.markdown))
    print(f"wrote {args.out / 'footprint.svg'} and {args.out / 'runs.csv'}")
    return 0 if landed == len(outcomes) else 1


if __name__ == "__main__":
    sys.exit(main())
