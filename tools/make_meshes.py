#!/usr/bin/env python3
"""Generates the meshes of the parachutes and the descent stage in the host's text mesh format:

  Quva/Vantrels.msh   drogue parachute: groups 0 canopy, 1 suspension lines, 2 riser
  Quva/Ossums.msh     main cluster: groups 0, 1, 2 one canopy each, with its lines and riser
  Quva/Tarrowick.msh  descent stage with four landing legs, modelled extended

Vessel frame: x right, y up, z forward, metres; the meshes are in mesh coordinates.

Parachutes. The canopies are modelled open. Each vessel adds its mesh with the mesh origin on its
attachment point (offset 0, 0, -riser length), and the deploy animation scales the canopy groups
about the mesh origin, by 1/200 across and 1/1000 along z when packed. So the mesh origin is where
the parent holds the parachute, the lines run from there along +z, and the canopies sit about one
riser length further, around the vessel origin; packed, they shrink into the parent's bay.

Descent stage. Each leg hangs from three hinges on one axis: the upper strut turns about its
fitting on the outrigger, the knee link about the strut's lower end, and the lower leg with its
foot pad about the link's inner end. The stored mesh shows the gear extended; retracting turns the
upper strut by 45 degrees, the knee by -63 and the lower leg by 150 degrees about the leg's axis,
each part also moving with the parts above it, so the legs swing in under the deck and the pads
rise to just below it. Group layout (leg order +z, -z, -x, +x):
  0-4    deck walls, deck top, deck underside, engine bell (recessed), engine mount
  5-8    lower leg and foot pad of the -z, +z, -x, +x leg (hinge 3)
  9-12   outriggers carrying the hinge fittings, +z, -z, -x, +x
  13     equipment bay on the deck
  14     skirt under the deck
  15     ladder along the +z leg's upper strut (turns with that strut)
  16-19  upper struts of the -z, +z, -x, +x leg (hinge 1)
  20-21  antenna mast and dish
  22-25  strut braces of the -z, +z, -x, +x leg (hinge 1)
  26-29  knee links of the -z, +z, -x, +x leg (hinge 2)
  30-33  hinge fittings of the -z, +z, -x, +x leg (hinge 1)

Usage: make_meshes.py [OUTPUT_DIR]   (default: data/Meshes/Quva next to this script's folder)
"""
import math
import os
import sys


def add(a, b):
    return tuple(x + y for x, y in zip(a, b))


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def mul(a, s):
    return tuple(x * s for x in a)


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def normalized(v):
    n = math.sqrt(dot(v, v))
    return mul(v, 1.0 / n) if n > 0 else (0.0, 0.0, 0.0)


def basis(axis, hint=(0.0, 1.0, 0.0)):
    """Two unit vectors perpendicular to `axis` and to each other."""
    w = normalized(axis)
    if abs(dot(w, hint)) > 0.9:
        hint = (1.0, 0.0, 0.0)
    u = normalized(cross(hint, w))
    return u, cross(w, u)


class Group:
    def __init__(self, label):
        self.label = label
        self.vertices = []  # (position, normal)
        self.triangles = []

    def vertex(self, p, n):
        self.vertices.append((p, n))
        return len(self.vertices) - 1

    def triangle(self, a, b, c):
        """Adds a triangle wound so that (b - a) x (c - a) points along its vertices' normals."""
        p = [self.vertices[k][0] for k in (a, b, c)]
        face = cross(sub(p[1], p[0]), sub(p[2], p[0]))
        if dot(face, face) < 1e-18:
            return  # no area
        n = add(add(self.vertices[a][1], self.vertices[b][1]), self.vertices[c][1])
        self.triangles.append((a, b, c) if dot(face, n) >= 0 else (a, c, b))

    def quad(self, a, b, c, d):
        self.triangle(a, b, c)
        self.triangle(a, c, d)

    def frustum(self, a, b, ra, rb, sides, caps=True, phase=0.0):
        """A prism or cone with `sides` faces from the circle of radius ra about point a to the one of
        radius rb about b, with smooth side normals and flat end caps."""
        axis = sub(b, a)
        length = math.sqrt(dot(axis, axis))
        w = normalized(axis)
        u, v = basis(axis)
        slope = (ra - rb) / length
        rings = []
        for centre, r in ((a, ra), (b, rb)):
            ring = []
            for k in range(sides):
                t = phase + 2.0 * math.pi * k / sides
                radial = add(mul(u, math.cos(t)), mul(v, math.sin(t)))
                ring.append(self.vertex(add(centre, mul(radial, r)), normalized(add(radial, mul(w, slope)))))
            rings.append(ring)
        for k in range(sides):
            k1 = (k + 1) % sides
            self.quad(rings[0][k], rings[0][k1], rings[1][k1], rings[1][k])
        if caps:
            for centre, r, facing in ((a, ra, mul(w, -1.0)), (b, rb, w)):
                if r <= 0:
                    continue
                mid = self.vertex(centre, facing)
                rim = []
                for k in range(sides):
                    t = phase + 2.0 * math.pi * k / sides
                    radial = add(mul(u, math.cos(t)), mul(v, math.sin(t)))
                    rim.append(self.vertex(add(centre, mul(radial, r)), facing))
                for k in range(sides):
                    self.triangle(mid, rim[k], rim[(k + 1) % sides])

    def box(self, centre, half):
        """An axis-aligned box with flat faces."""
        for axis in range(3):
            for sign in (-1.0, 1.0):
                n = [0.0, 0.0, 0.0]
                n[axis] = sign
                i, j = (axis + 1) % 3, (axis + 2) % 3
                corners = []
                for si, sj in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
                    p = list(centre)
                    p[axis] += sign * half[axis]
                    p[i] += si * half[i]
                    p[j] += sj * half[j]
                    corners.append(self.vertex(tuple(p), tuple(n)))
                self.quad(*corners)

    def dome(self, centre, axis, rim_radius, height, rings, segments):
        """A spherical cap, both faces: its rim a circle about `centre` square to `axis`, its apex
        `height` along `axis`. The outer face looks along `axis`, the inner one against it."""
        w = normalized(axis)
        u, v = basis(axis)
        sphere = (rim_radius ** 2 + height ** 2) / (2.0 * height)
        sphere_centre = add(centre, mul(w, height - sphere))
        rim_angle = math.asin(min(1.0, rim_radius / sphere))
        for side in (1.0, -1.0):
            grid = []
            for i in range(rings + 1):
                polar = rim_angle * (1.0 - i / rings)
                row = []
                for k in range(segments if i < rings else 1):
                    t = 2.0 * math.pi * k / segments
                    radial = add(mul(u, math.cos(t)), mul(v, math.sin(t)))
                    d = add(mul(radial, math.sin(polar)), mul(w, math.cos(polar)))
                    row.append(self.vertex(add(sphere_centre, mul(d, sphere)), mul(d, side)))
                grid.append(row)
            for i in range(rings):
                for k in range(segments):
                    k1 = (k + 1) % segments
                    if i + 1 < rings:
                        self.quad(grid[i][k], grid[i][k1], grid[i + 1][k1], grid[i + 1][k])
                    else:
                        self.triangle(grid[i][k], grid[i][k1], grid[i + 1][0])

    def text(self):
        out = ["LABEL " + self.label, "MATERIAL 0", "TEXTURE 0",
               "GEOM %d %d" % (len(self.vertices), len(self.triangles))]
        for (p, n) in self.vertices:
            out.append("%.5f %.5f %.5f %.4f %.4f %.4f" % tuple(round(c, 5) + 0.0 for c in p + n))
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


# ---------------------------------------------------------------------------------------------
# Parachutes

def canopy_rig(canopy, lines, riser, axis, riser_length, rim_radius, line_count, thickness):
    """A canopy on `axis` (a unit vector from the mesh origin), its rim `riser_length` from the
    origin, with suspension lines from the rim to a confluence point and one riser from there to
    the origin."""
    w = normalized(axis)
    u, v = basis(w)
    rim_centre = mul(w, riser_length)
    canopy.dome(rim_centre, w, rim_radius, 0.45 * rim_radius, 6, 24)
    confluence = mul(w, 0.45 * riser_length)
    for k in range(line_count):
        t = 2.0 * math.pi * k / line_count
        rim_point = add(rim_centre, mul(add(mul(u, math.cos(t)), mul(v, math.sin(t))), rim_radius))
        lines.frustum(confluence, rim_point, thickness, thickness, 3, caps=False)
    riser.frustum((0.0, 0.0, 0.0), confluence, 2.0 * thickness, 2.0 * thickness, 6)


def vantrels():
    # Drogue: one canopy of 2.5 m radius, its rim 19.812 m from the attachment.
    canopy, lines, riser = Group("Drogue canopy"), Group("Drogue lines"), Group("Drogue riser")
    canopy_rig(canopy, lines, riser, (0.0, 0.0, 1.0), 19.3, 2.5, 16, 0.015)
    return [canopy, lines, riser]


def ossums():
    # Three main canopies of 12.725 m radius, splayed 32 degrees from the axis, 120 degrees apart.
    groups = []
    splay = math.radians(32.0)
    for k in range(3):
        t = 2.0 * math.pi * k / 3 + math.pi / 2
        axis = (math.sin(splay) * math.cos(t), math.sin(splay) * math.sin(t), math.cos(splay))
        g = Group("Main canopy %d" % (k + 1))
        canopy_rig(g, g, g, axis, 29.0, 12.725, 24, 0.04)
        groups.append(g)
    return groups


# ---------------------------------------------------------------------------------------------
# Descent stage

# Hinge points of the leg on the +z side (the other legs are the same turned about y).
UPPER_HINGE = (0.0, 0.42465, 2.88195)
KNEE_HINGE = (0.0, -1.1995, 3.6266)
LOWER_HINGE = (0.0, -1.05769, 2.83017)
FOOT = (0.0, -2.25, 3.0)   # centre of the foot pad, its sole 0.05 m lower
DECK_TOP, DECK_BOTTOM = 0.75, -0.3
DECK_RADIUS = 2.25           # corner radius of the octagonal deck; its flats face the legs

# The legs in the order of their lower-leg groups (5-8): -z, +z, -x, +x. Each is the +z leg turned
# about y by this many degrees.
LEG_TURNS = (180.0, 0.0, -90.0, 90.0)


def turn_about_y(p, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    return (c * p[0] + s * p[2], p[1], -s * p[0] + c * p[2])


def turned(group, degrees):
    out = Group(group.label)
    out.vertices = [(turn_about_y(p, degrees), turn_about_y(n, degrees)) for (p, n) in group.vertices]
    out.triangles = list(group.triangles)
    return out


def leg_parts():
    """The +z leg: lower leg with pad, strut, brace, knee link and hinge fitting."""
    lower = Group("Lower leg")
    lower.frustum(LOWER_HINGE, add(FOOT, (0.0, 0.1, 0.0)), 0.06, 0.06, 8)
    lower.frustum(add(FOOT, (0.0, -0.05, 0.0)), add(FOOT, (0.0, 0.1, 0.0)), 0.4, 0.25, 16)
    strut = Group("Upper strut")
    strut.frustum(UPPER_HINGE, KNEE_HINGE, 0.08, 0.08, 8)
    brace = Group("Strut brace")
    for side in (-1.0, 1.0):
        brace.frustum(add(UPPER_HINGE, (0.45 * side, -0.05, -0.1)), KNEE_HINGE, 0.035, 0.035, 6)
    knee = Group("Knee link")
    knee.frustum(KNEE_HINGE, LOWER_HINGE, 0.05, 0.05, 8)
    knee.frustum(add(KNEE_HINGE, (-0.12, 0.0, 0.0)), add(KNEE_HINGE, (0.12, 0.0, 0.0)), 0.07, 0.07, 8)
    fitting = Group("Hinge fitting")
    fitting.frustum(add(UPPER_HINGE, (-0.5, 0.0, 0.0)), add(UPPER_HINGE, (0.5, 0.0, 0.0)), 0.09, 0.09, 8)
    return lower, strut, brace, knee, fitting


def ladder():
    """Two rails and rungs along the +z leg's strut, on its outer side."""
    g = Group("Ladder")
    out = normalized(cross((1.0, 0.0, 0.0), sub(KNEE_HINGE, UPPER_HINGE)))  # away from the deck
    top, bottom = add(UPPER_HINGE, mul(out, 0.15)), add(KNEE_HINGE, mul(out, 0.15))
    for side in (-0.22, 0.22):
        g.frustum(add(top, (side, 0.0, 0.0)), add(bottom, (side, 0.0, 0.0)), 0.02, 0.02, 6)
    for k in range(1, 6):
        p = add(top, mul(sub(bottom, top), k / 6.0))
        g.frustum(add(p, (-0.22, 0.0, 0.0)), add(p, (0.22, 0.0, 0.0)), 0.015, 0.015, 6)
    return g


def tarrowick():
    body = {}
    walls = Group("Deck walls")
    walls.frustum((0.0, DECK_BOTTOM, 0.0), (0.0, DECK_TOP, 0.0), DECK_RADIUS, DECK_RADIUS, 8, caps=False,
                  phase=math.pi / 8)
    body[0] = walls
    top = Group("Deck top")
    top.frustum((0.0, DECK_TOP - 0.01, 0.0), (0.0, DECK_TOP, 0.0), DECK_RADIUS, DECK_RADIUS, 8, phase=math.pi / 8)
    body[1] = top
    bottom = Group("Deck underside")
    bottom.frustum((0.0, DECK_BOTTOM, 0.0), (0.0, DECK_BOTTOM + 0.01, 0.0), DECK_RADIUS, DECK_RADIUS, 8,
                   phase=math.pi / 8)
    body[2] = bottom
    # The engine sits recessed in the deck, its bell's exit flush with the underside, so that the
    # folded legs find room beneath.
    bell = Group("Engine bell")
    bell.frustum((0.0, DECK_BOTTOM + 0.6, 0.0), (0.0, DECK_BOTTOM - 0.01, 0.0), 0.2, 0.5, 16, caps=False)
    body[3] = bell
    mount = Group("Engine mount")
    mount.frustum((0.0, DECK_BOTTOM + 0.6, 0.0), (0.0, DECK_BOTTOM + 0.7, 0.0), 0.25, 0.25, 16)
    body[4] = mount
    flat = DECK_RADIUS * math.cos(math.pi / 8)
    for k, turn in enumerate((0.0, 180.0, -90.0, 90.0)):
        g = Group("Outrigger")
        for side in (-0.5, 0.5):
            g.frustum((side, UPPER_HINGE[1], flat), (side, UPPER_HINGE[1], UPPER_HINGE[2] - 0.05), 0.06, 0.06, 6)
            g.frustum((side, DECK_BOTTOM + 0.05, flat), (side, UPPER_HINGE[1] - 0.05, UPPER_HINGE[2] - 0.05),
                      0.04, 0.04, 6)
        body[9 + k] = turned(g, turn)
    bay = Group("Equipment bay")
    bay.box((0.0, DECK_TOP + 0.3, 0.0), (1.0, 0.3, 1.0))
    body[13] = bay
    skirt = Group("Skirt")
    skirt.frustum((0.0, DECK_BOTTOM, 0.0), (0.0, DECK_BOTTOM - 0.12, 0.0), DECK_RADIUS * 0.92, DECK_RADIUS * 0.85,
                  8, caps=False, phase=math.pi / 8)
    body[14] = skirt
    mast = Group("Antenna mast")
    mast.frustum((-1.3, DECK_TOP, -1.3), (-1.3, DECK_TOP + 0.9, -1.3), 0.03, 0.03, 6)
    body[20] = mast
    dish = Group("Antenna dish")
    dish.dome((-1.3, DECK_TOP + 0.9, -1.3), (0.0, 1.0, 0.0), 0.35, 0.12, 3, 16)
    body[21] = dish

    lower, strut, brace, knee, fitting = leg_parts()
    groups = dict(body)
    groups[15] = ladder()
    for slot, turn in enumerate(LEG_TURNS):
        groups[5 + slot] = turned(lower, turn)
        groups[16 + slot] = turned(strut, turn)
        groups[22 + slot] = turned(brace, turn)
        groups[26 + slot] = turned(knee, turn)
        groups[30 + slot] = turned(fitting, turn)
    assert sorted(groups) == list(range(34))
    return [groups[k] for k in range(34)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "Meshes", "Quva")
    os.makedirs(out_dir, exist_ok=True)
    for name, groups in (("Vantrels", vantrels()), ("Ossums", ossums()), ("Tarrowick", tarrowick())):
        write_mesh(os.path.join(out_dir, name + ".msh"), groups)


if __name__ == "__main__":
    main()
