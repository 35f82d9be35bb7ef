#!/usr/bin/env python3
"""Generates the meshes of the jettisoned covers in the host's text mesh format:

  Quva/Pilmont.msh      apex cover: a shallow dome of 0.85 m radius, docking ring at the apex
  Quva/Draskel.msh      bay cover: a curved panel cut from a service module's hull
  Quva/DockingProbe.msh docking probe: a support cone, a shaft and a probe head

Vessel frame: x right, y up, z forward, metres. Each part is centred on the vessel origin, where
its class puts its docking port and attachment points.

Usage: make_cover_meshes.py [OUTPUT_DIR]   (default: data/Meshes/Quva next to this script's folder)
"""
import math
import os
import sys

SEGMENTS = 32  # around each surface of revolution


def normalized(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v) if n > 0 else (0.0, 0.0, 0.0)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


class Group:
    def __init__(self, label):
        self.label = label
        self.vertices = []  # (position, normal)
        self.triangles = []

    def grid(self, rows, point, normal):
        """A quad grid over (i, j) in rows × columns; point(i, j) and normal(i, j) give each vertex.
        Triangles are wound so that (b - a) × (c - a) points along the given normals."""
        base = len(self.vertices)
        nj = len(rows[0])
        for i, row in enumerate(rows):
            for j, _ in enumerate(row):
                self.vertices.append((point(i, j), normal(i, j)))
        for i in range(len(rows) - 1):
            for j in range(nj - 1):
                a = base + i * nj + j
                b, c, d = a + 1, a + nj, a + nj + 1
                self.add_quad(a, b, d, c)

    def add_quad(self, a, b, c, d):
        for tri in ((a, b, c), (a, c, d)):
            p = [self.vertices[k][0] for k in tri]
            face = cross(sub(p[1], p[0]), sub(p[2], p[0]))
            if sum(f * f for f in face) < 1e-18:
                continue  # collapsed at an axis point: no area, nothing to draw
            avg = [sum(self.vertices[k][1][m] for k in tri) for m in range(3)]
            if sum(f * n for f, n in zip(face, avg)) < 0:
                tri = (tri[0], tri[2], tri[1])
            self.triangles.append(tri)

    def revolve(self, profile):
        """Surface of revolution about the z axis. `profile` lists (r, z, nr, nz): radius, height and
        the profile normal (radial and axial parts) at each point."""
        rows = [[None] * (SEGMENTS + 1) for _ in profile]

        def angle(j):
            return 2.0 * math.pi * j / SEGMENTS

        def point(i, j):
            r, z = profile[i][0], profile[i][1]
            return (r * math.cos(angle(j)), r * math.sin(angle(j)), z)

        def normal(i, j):
            nr, nz = profile[i][2], profile[i][3]
            return normalized((nr * math.cos(angle(j)), nr * math.sin(angle(j)), nz))

        self.grid(rows, point, normal)

    def disc(self, radius, z, facing):
        """A flat disc at height z, facing +z (facing=1) or -z (facing=-1)."""
        self.revolve([(0.0, z, 0.0, facing), (radius, z, 0.0, facing)])

    def text(self):
        out = ["LABEL " + self.label, "MATERIAL 0", "TEXTURE 0",
               "GEOM %d %d" % (len(self.vertices), len(self.triangles))]
        for (p, n) in self.vertices:
            out.append("%.4f %.4f %.4f %.4f %.4f %.4f" % tuple(round(c, 4) + 0.0 for c in p + n))
        for t in self.triangles:
            out.append("%d %d %d" % t)
        return out


def write_mesh(path, groups):
    lines = ["MSHX1", "GROUPS %d" % len(groups)]
    for g in groups:
        lines += g.text()
    lines += ["MATERIALS 0", "TEXTURES 0"]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def cap_profile(rim_radius, rim_z, apex_z, inner_radius, steps=8):
    """Points of a spherical cap from its rim up to a ring of `inner_radius`, with outward normals."""
    h = apex_z - rim_z
    sphere = (rim_radius ** 2 + h ** 2) / (2.0 * h)  # radius of the sphere through rim and apex
    centre = apex_z - sphere
    top = math.asin(inner_radius / sphere)
    bottom = math.asin(rim_radius / sphere)
    out = []
    for k in range(steps + 1):
        a = bottom + (top - bottom) * k / steps
        out.append((sphere * math.sin(a), centre + sphere * math.cos(a), math.sin(a), math.cos(a)))
    return out


def pilmont():
    # Dome from a rim of 0.85 m at z = 0 to a docking ring of 0.12 m at z = 0.43, where the port is.
    profile = cap_profile(0.85, 0.0, 0.43, 0.12)
    dome = Group("Apex dome")
    dome.revolve(profile)
    ring = Group("Docking ring")
    ring.disc(0.12, profile[-1][1], 1.0)
    underside = Group("Underside")
    underside.disc(0.80, -0.05, -1.0)
    rim = Group("Rim")
    chamfer = normalized((1.0, -1.0))  # 45 degree bevel from the underside up to the dome's rim
    rim.revolve([(0.80, -0.05, chamfer[0], chamfer[1]), (0.85, 0.0, chamfer[0], chamfer[1])])
    return [dome, ring, underside, rim]


def draskel():
    # A panel of a hull of 2 m radius whose axis runs along y, 40 degrees wide (1.37 m) and 1.4 m
    # high, 3 cm thick. Its outer face bulges towards +z through the origin.
    hull, thickness, half_arc, half_height = 2.0, 0.03, math.radians(20.0), 0.7
    cols, rows = 12, 2
    groups = []
    for label, radius, sign in (("Outer skin", hull, 1.0), ("Inner skin", hull - thickness, -1.0)):
        g = Group(label)
        grid = [[None] * (cols + 1) for _ in range(rows + 1)]

        def point(i, j, radius=radius):
            a = -half_arc + 2.0 * half_arc * j / cols
            y = -half_height + 2.0 * half_height * i / rows
            return (radius * math.sin(a), y, radius * math.cos(a) - hull)

        def normal(i, j, sign=sign):
            a = -half_arc + 2.0 * half_arc * j / cols
            return (sign * math.sin(a), 0.0, sign * math.cos(a))

        g.grid(grid, point, normal)
        groups.append(g)
    edges = Group("Edges")
    outer, inner = hull, hull - thickness
    for a, n in ((-half_arc, (-math.cos(half_arc), 0.0, math.sin(half_arc))),
                 (half_arc, (math.cos(half_arc), 0.0, math.sin(half_arc)))):
        corners = [(r * math.sin(a), y, r * math.cos(a) - hull)
                   for (r, y) in ((outer, -half_height), (outer, half_height), (inner, half_height), (inner, -half_height))]
        base = len(edges.vertices)
        edges.vertices += [(c, n) for c in corners]
        edges.add_quad(base, base + 1, base + 2, base + 3)
    for y, n in ((-half_height, (0.0, -1.0, 0.0)), (half_height, (0.0, 1.0, 0.0))):
        base = len(edges.vertices)
        for j in range(cols + 1):
            a = -half_arc + 2.0 * half_arc * j / cols
            edges.vertices.append(((outer * math.sin(a), y, outer * math.cos(a) - hull), n))
            edges.vertices.append(((inner * math.sin(a), y, inner * math.cos(a) - hull), n))
        for j in range(cols):
            a = base + 2 * j
            edges.add_quad(a, a + 2, a + 3, a + 1)
    groups.append(edges)
    return groups


def docking_probe():
    # Support cone from a 0.35 m mounting ring at the origin narrowing to the shaft, the shaft
    # forward along +z, and a pointed head at its end.
    slope = normalized((0.35, 0.30))  # outward normal of the support cone, (radial, axial)
    cone = Group("Support cone")
    cone.revolve([(0.35, 0.0, slope[0], slope[1]), (0.05, 0.35, slope[0], slope[1])])
    base = Group("Mounting plate")
    base.disc(0.35, 0.0, -1.0)
    shaft = Group("Shaft")
    shaft.revolve([(0.04, 0.35, 1.0, 0.0), (0.04, 0.95, 1.0, 0.0)])
    head_slope = normalized((0.15, 0.08))
    head = Group("Probe head")
    head.revolve([(0.04, 0.95, 0.0, -1.0), (0.08, 0.95, 0.0, -1.0)])
    tip = Group("Probe tip")
    tip.revolve([(0.08, 0.95, head_slope[0], head_slope[1]), (0.0, 1.10, head_slope[0], head_slope[1])])
    return [cone, base, shaft, head, tip]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "Meshes", "Quva")
    os.makedirs(out_dir, exist_ok=True)
    for name, groups in (("Pilmont", pilmont()), ("Draskel", draskel()), ("DockingProbe", docking_probe())):
        write_mesh(os.path.join(out_dir, name + ".msh"), groups)


if __name__ == "__main__":
    main()
