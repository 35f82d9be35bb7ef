#!/usr/bin/env python3
"""Checks that the host runtime's includes run one way between its rooms.

The runtime lives in rooms under host/runtime/: interface -> core -> {files, world, platform},
files -> {world, platform}. A file may include headers of its own room and of the rooms below
it, always written with the room ("core/simulation.h"), and the host interface's public headers.
The command (host/cli), the Python extension (python/src), the tests, benchmarks and fuzzers may
use any room but interface, which is for the modules alone.

    check_rooms.py [SOURCE_ROOT]     check the tree (default: the checkout this script is in)
    check_rooms.py --self-test       also show that a wrong-way include is caught

Prints one line FILE:LINE: what for each include that runs the wrong way; exits 1 if any does.
"""
import os
import re
import shutil
import sys
import tempfile

ROOMS = {
    "interface": {"interface", "core", "files", "world", "platform"},
    "core": {"core", "files", "world", "platform"},
    "files": {"files", "world", "platform"},
    "world": {"world"},
    "platform": {"platform"},
}
PUBLIC_HEADERS = {"OrbiterAPI.h", "VesselAPI.h", "Orbitersdk.h"}
# Users of the runtime from outside it: every room but interface.
OUTSIDE = ["host/cli", "python/src", "tests", "bench", "fuzz"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE = re.compile(r"\.(h|hpp|cpp|cc)$")


def sources(folder):
    for base, _, names in os.walk(folder):
        for name in sorted(names):
            if SOURCE.search(name):
                yield os.path.join(base, name)


def includes(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1)


def check_runtime(root, problems):
    runtime = os.path.join(root, "host", "runtime")
    for entry in sorted(os.listdir(runtime)):
        path = os.path.join(runtime, entry)
        if os.path.isfile(path) and SOURCE.search(entry):
            problems.append(f"{path}: a source outside every room (put it in one of {', '.join(ROOMS)})")
        elif os.path.isdir(path) and entry not in ROOMS:
            problems.append(f"{path}: a folder that is no room (the rooms: {', '.join(ROOMS)})")
    for room, allowed in ROOMS.items():
        folder = os.path.join(runtime, room)
        if not os.path.isdir(folder):
            continue
        for path in sources(folder):
            for number, name in includes(path):
                if name in PUBLIC_HEADERS:
                    continue
                target_room = name.split("/", 1)[0] if "/" in name else None
                where = f"{path}:{number}"
                if ".." in name.split("/"):
                    problems.append(f'{where}: "{name}" climbs out of the rooms; write the room instead')
                elif target_room not in ROOMS:
                    problems.append(f'{where}: "{name}" names no room; write it as ROOM/{name}')
                elif target_room not in allowed:
                    problems.append(f'{where}: {room} includes "{name}", but {target_room} is above it '
                                    f"({room} may use {', '.join(sorted(allowed))})")
                elif not os.path.isfile(os.path.join(runtime, name)):
                    problems.append(f'{where}: "{name}" does not exist')


def check_outside(root, problems):
    for folder in OUTSIDE:
        for path in sources(os.path.join(root, folder)):
            if os.sep + "layering" + os.sep in path:
                continue
            for number, name in includes(path):
                if name.startswith("interface/"):
                    problems.append(f'{path}:{number}: "{name}" is the modules\' room, not for {folder}')


def check(root):
    problems = []
    check_runtime(root, problems)
    check_outside(root, problems)
    return problems


def self_test(root):
    """Copies the runtime, adds a wrong-way include to a world and a files source, and checks that
    each is reported at its file and line."""
    failures = []
    cases = [("world", "vec3.cpp", "core/simulation.h"), ("files", "scenario.cpp", "core/simulation.h"),
             ("files", "mesh.cpp", "interface/oapi.h"), ("platform", "host_platform.h", "files/scenario.h"),
             ("world", "body.cpp", "simulation.h")]
    for room, name, wrong in cases:
        with tempfile.TemporaryDirectory() as tmp:
            shutil.copytree(os.path.join(root, "host", "runtime"), os.path.join(tmp, "host", "runtime"))
            path = os.path.join(tmp, "host", "runtime", room, name)
            with open(path, encoding="utf-8") as f:
                lines = f.read().split("\n")
            lines.insert(1, f'#include "{wrong}"')
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(lines))
            found = [p for p in check(tmp) if p.startswith(f"{path}:2:")]
            if not found:
                failures.append(f'self-test: {room}/{name} including "{wrong}" was not reported')
    return failures


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    args = [a for a in argv if a != "--self-test"]
    root = os.path.abspath(args[0]) if args else os.path.abspath(os.path.join(here, "..", ".."))
    problems = check(root)
    if "--self-test" in argv:
        problems += self_test(root)
    for p in problems:
        print(p)
    if problems:
        return 1
    print(f"rooms of {os.path.join(root, 'host', 'runtime')}: every include runs one way")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
