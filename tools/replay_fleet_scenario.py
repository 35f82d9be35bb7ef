#!/usr/bin/python3
"""Writes a scenario of N vessels falling together from about 3 km over the Earth's north pole,
for sizing replay pages of large runs: covers (Pilmont), drogues (Vantrel) and mains (Ossum),
each class a third, on a square grid 25 m apart.

    replay_fleet_scenario.py N OUT.scn
"""
import math
import sys

EARTH_RADIUS = 6371010.0  # m, the host's Earth
CLASSES = ["Pilmont", "Vantrel", "Ossum"]


def main():
    count, out = int(sys.argv[1]), sys.argv[2]
    side = math.ceil(math.sqrt(count))
    lines = ["BEGIN_SHIPS"]
    for i in range(count):
        a, b = divmod(i, side)
        x, z = 25.0 * (a - side / 2), 25.0 * (b - side / 2)
        y = EARTH_RADIUS + 3000.0 + 40.0 * (i % 5)
        lines += [f"Fleet{i}:{CLASSES[i % 3]}", "  STATUS Orbiting Earth", f"  RPOS {x:.3f} {y:.3f} {z:.3f}",
                  "  RVEL 0 0 0", "  AROT 0 0 0"]
        if CLASSES[i % 3] != "Pilmont":
            lines.append("  STATE 1 1.0000")  # the canopy open
        lines.append("END")
    lines.append("END_SHIPS")
    with open(out, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
