#!/usr/bin/python3
"""Replay pages in a real browser: Debian's headless Chromium, driven over its DevTools protocol
through a pipe (--remote-debugging-pipe), with nothing but the standard library: no server, no
network, no package to download. The protocol lets a test run the page's own quvaReplay interface
and read every console message, which a plain --dump-dom or --screenshot run cannot.

    replay_page_test.py --quva BIN CASE [CASE...]   run test cases (loads, poses, screenshot, broken)
    replay_page_test.py measure PAGE [PAGE...]      print each page's size, load time and frame time
    replay_page_test.py shoot PAGE#HASH OUT.png     a screenshot of a page at a moment

Each case prints a line and exits non-zero when it fails; with no Chromium on the machine it
prints "skipped: ..." (CTest's skip pattern) and exits 0.
"""
import argparse
import base64
import json
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib
from pathlib import Path

WIDTH, HEIGHT = 1280, 800
VIEW = (960, 650)  # the 3-D view's size on the page: the panel and the chart take the rest
BACKGROUND = (0x0B, 0x10, 0x20)


class Browser:
    """One headless Chromium with one page, spoken to over the DevTools pipe (file descriptors 3
    and 4 of the browser; messages are JSON, each ended by a NUL byte)."""

    def __init__(self, chromium):
        self.profile = tempfile.mkdtemp(prefix="quva-chromium-")
        to_browser_read, self.to_browser = os.pipe()
        self.from_browser, from_browser_write = os.pipe()
        args = [chromium, "--headless", "--remote-debugging-pipe", f"--user-data-dir={self.profile}",
                "--no-first-run", "--no-default-browser-check", "--disable-extensions", "--mute-audio",
                # WebGL without a graphics card: the software renderer.
                "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                f"--window-size={WIDTH},{HEIGHT}", "about:blank"]
        if os.geteuid() == 0:
            args.insert(1, "--no-sandbox")  # Chromium refuses to run as root inside its sandbox

        def pipes():
            # Through copies, so that neither lands on 3 or 4 before it is moved there, and each
            # ends up open in the browser (dup2 onto another number clears close-on-exec).
            read, write = os.dup(to_browser_read), os.dup(from_browser_write)
            os.dup2(read, 3)
            os.dup2(write, 4)

        # A session of its own: the browser's processes form one group, ended together.
        self.process = subprocess.Popen(args, preexec_fn=pipes, close_fds=False, start_new_session=True,
                                        stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=None if os.environ.get("QUVA_BROWSER_LOG") else subprocess.DEVNULL)
        os.close(to_browser_read)
        os.close(from_browser_write)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.call(f"{domain}.enable", session=True)
        # The page's size, whatever room the headless window keeps for itself.
        self.call("Emulation.setDeviceMetricsOverride", session=True, width=WIDTH, height=HEIGHT,
                  deviceScaleFactor=1, mobile=False)

    def close(self):
        try:
            os.killpg(self.process.pid, 9)
        except ProcessLookupError:
            pass
        self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        # The browser's other processes may still be writing to the profile as they end.
        for _ in range(40):
            shutil.rmtree(self.profile, ignore_errors=True)
            if not os.path.exists(self.profile):
                break
            time.sleep(0.05)

    def _read(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("the browser did not answer in time")
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise RuntimeError("the browser closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, session=False, timeout=60, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read(deadline)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            self.events.append(reply)

    def wait_for(self, method, timeout=60):
        deadline = time.monotonic() + timeout
        while True:
            for i, e in enumerate(self.events):
                if e.get("method") == method:
                    return self.events.pop(i)
            self.events.append(self._read(deadline))

    def open(self, url):
        """Loads the page; returns the seconds from the request to its load event."""
        # From a blank page, so that a page opened again (or at another #moment) loads anew.
        self.call("Page.navigate", session=True, url="about:blank")
        self.wait_for("Page.loadEventFired")
        self.events = []
        start = time.monotonic()
        self.call("Page.navigate", session=True, url=url)
        self.wait_for("Page.loadEventFired", timeout=120)
        return time.monotonic() - start

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", session=True, expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def errors(self):
        """Console errors and uncaught exceptions seen so far."""
        found = []
        for e in self.events:
            m, p = e.get("method"), e.get("params", {})
            if m == "Runtime.exceptionThrown":
                found.append(p["exceptionDetails"].get("text", "exception"))
            elif m == "Runtime.consoleAPICalled" and p.get("type") in ("error", "assert"):
                found.append(" ".join(str(a.get("value", a.get("description"))) for a in p.get("args", [])))
            elif m == "Log.entryAdded" and p["entry"].get("level") == "error":
                found.append(p["entry"].get("text", ""))
        return found

    def screenshot(self):
        return base64.b64decode(self.call("Page.captureScreenshot", session=True, format="png")["data"])


def decode_png(data):
    """(width, height, rows of (r, g, b) tuples) of an 8-bit RGB or RGBA PNG."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    assert depth == 8 and colour in (2, 6), f"PNG depth {depth}, colour type {colour}"
    bpp = 3 if colour == 2 else 4
    raw, stride, rows, prev = zlib.decompress(idat), width * bpp, [], bytearray(width * bpp)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * bpp:x * bpp + 3]) for x in range(width)])
        prev = line
    return width, height, rows


def is_background(pixel):
    return all(abs(p - q) <= 3 for p, q in zip(pixel, BACKGROUND))


# ----- The cases ------------------------------------------------------------------------------

class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def make_run(quva, work, name="r"):
    """The demo run's page and telemetry table (every step)."""
    page, table = work / f"{name}.html", work / f"{name}.csv"
    subprocess.run([quva, "run", "Quva/Recovery", "--until", "480", "--release", "20:Drogue", "--assembly", "combined",
                    "--replay", page, "--csv", table], check=True, stdout=subprocess.DEVNULL)
    return page, table


def read_table(path):
    rows = {}
    with open(path) as f:
        header = f.readline().strip().split(",")
        for line in f:
            cells = dict(zip(header, line.strip().split(",")))
            rows[(cells["vessel"], round(float(cells["time"]), 6))] = cells
    return rows


def case_loads(browser, quva, work):
    page, _ = make_run(quva, work)
    browser.open(page.as_uri())
    check(browser.errors() == [], f"console errors: {browser.errors()}")
    check(browser.evaluate("document.getElementById('error').hidden") is True,
          "the error box shows: " + str(browser.evaluate("document.getElementById('error').textContent")))
    vessels = browser.evaluate("quvaReplay.vessels()")
    check([v["name"] for v in vessels] == ["Capsule", "Drogue", "Main"], f"vessels: {vessels}")
    check(all(0 < v["samples"] <= 2000 for v in vessels), f"samples: {vessels}")
    check(browser.evaluate("document.querySelectorAll('#events li').length") == len(browser.evaluate("quvaReplay.events()")),
          "one list entry per event")
    # The controls move the time, and the address of an event jumps to it.
    check(browser.evaluate("quvaReplay.setTime(123.4)") == 123.4, "setTime")
    check(browser.evaluate("quvaReplay.setTime(1e9)") == 480, "setTime past the end is held at the end")
    browser.evaluate("[...document.querySelectorAll('#events li button')]"
                     ".find(b => b.textContent.includes('released from')).click()")
    check(browser.evaluate("[quvaReplay.time(), quvaReplay.following()]") == [20, "Drogue"],
          "the release event's entry jumps to it and follows the drogue")


def case_names(browser, quva, work):
    """A vessel named to break out of the page's script: the page shows the name as text."""
    name = '</script><!--"x"\u00e9\u2028<b>&amp'  # no ';', which starts a scenario comment
    scenario = work / "hostile.scn"
    scenario.write_text(f"BEGIN_SHIPS\n{name}:Pilmont\n  STATUS Orbiting Earth\n  RPOS 0 6374010 0\n  RVEL 0 0 0\nEND\n"
                        "END_SHIPS\n", encoding="utf-8")
    page = work / "hostile.html"
    subprocess.run([quva, "run", scenario, "--steps", "20", "--replay", page], check=True, stdout=subprocess.DEVNULL)
    browser.open(page.as_uri())
    check(browser.errors() == [], f"console errors: {browser.errors()}")
    check(browser.evaluate("document.getElementById('error').hidden") is True, "the error box shows")
    check(browser.evaluate("quvaReplay.vessels()[0].name") == name, "the name changed on its way")
    # The page's four scripts (guard, library, viewer, data) and nothing the name would have made.
    check(browser.evaluate("[document.querySelectorAll('script').length, document.querySelectorAll('b').length]") == [4, 0],
          "the name made an element")
    check(name in browser.evaluate("document.getElementById('events').textContent"), "the events list lacks the name")


def quaternion_turn(q, v):
    x, y, z, w = q
    t = [2 * (y * v[2] - z * v[1]), 2 * (z * v[0] - x * v[2]), 2 * (x * v[1] - y * v[0])]
    return [v[0] + w * t[0] + y * t[2] - z * t[1], v[1] + w * t[1] + z * t[0] - x * t[2],
            v[2] + w * t[2] + x * t[1] - y * t[0]]


def case_poses(browser, quva, work):
    page, table = make_run(quva, work)
    rows = read_table(table)
    browser.open(page.as_uri())
    radius = browser.evaluate("JSON.parse(document.getElementById('quva-replay-data').textContent).bodies[0].radius")
    compared = 0
    for name in ("Capsule", "Drogue", "Main"):
        times = browser.evaluate(f"quvaReplay.sampleTimes({json.dumps(name)})")
        picks = times[::max(len(times) // 25, 1)] + [times[-1]]
        poses = browser.evaluate(f"{json.dumps(picks)}.map(t => quvaReplay.poseAt({json.dumps(name)}, t))")
        for t, pose in zip(picks, poses):
            row = rows[(name, round(t, 6))]
            p, q = pose["position"], pose["quaternion"]
            altitude = math.sqrt(sum(c * c for c in p)) - radius
            check(abs(altitude - float(row["altitude"])) < 2e-3, f"{name} at {t}: altitude {altitude} vs {row['altitude']}")
            # The nose (the simulator's +z, the page's -z) against the local vertical: the pitch.
            nose = quaternion_turn(q, [0, 0, -1])
            up = [c / math.sqrt(sum(c * c for c in p)) for c in p]
            # From the vertical and horizontal parts, which stays exact near ±90° where asin does not.
            vertical = sum(a * b for a, b in zip(nose, up))
            horizontal = math.sqrt(sum((n - vertical * u) ** 2 for n, u in zip(nose, up)))
            pitch = math.degrees(math.atan2(vertical, horizontal))
            check(abs(pitch - float(row["pitch"])) < 1e-3, f"{name} at {t}: pitch {pitch} vs {row['pitch']}")
            if row.get("anim0", "") != "":
                check(abs(pose["animations"][0] - float(row["anim0"])) < 1e-6, f"{name} at {t}: animation")
            compared += 1
    # Between two samples the pose lies between theirs; after its removal a vessel has none.
    between = browser.evaluate("(() => { const t = quvaReplay.sampleTimes('Capsule'); const m = (t[10] + t[11]) / 2;"
                               " return [quvaReplay.poseAt('Capsule', t[10]).altitude, quvaReplay.poseAt('Capsule', m).altitude,"
                               " quvaReplay.poseAt('Capsule', t[11]).altitude]; })()")
    check(min(between[0], between[2]) <= between[1] <= max(between[0], between[2]), f"interpolation: {between}")
    check(browser.evaluate("quvaReplay.poseAt('Drogue', 470)") is None, "the drogue is gone at 470 s")
    check(browser.errors() == [], f"console errors: {browser.errors()}")
    print(f"compared {compared} poses with the telemetry table")


def case_groups(browser, quva, work, probe, root):
    """The page poses mesh groups as the pose drawings do: the landing gear halfway down."""
    page = work / "gear.html"
    subprocess.run([quva, "run", "Quva/LunarGear", "--dt", "0.05", "--until", "4", "--key", "1:Descent:G",
                    "--key", "2.5:Descent:G", "--replay", page], check=True, stdout=subprocess.DEVNULL)
    browser.open(page.as_uri())
    times = browser.evaluate("quvaReplay.sampleTimes('Descent')")
    t = min(times, key=lambda x: abs(x - 2.65))  # the gear on its way down
    states = browser.evaluate(f"quvaReplay.poseAt('Descent', {t}).animations")
    check(0.05 < states[0] < 0.95, f"the gear is not between its ends at {t} s: {states}")
    done = subprocess.run([probe, root, "Tarrowick", *map(repr, states)], check=True, capture_output=True, text=True)
    expected = json.loads(done.stdout)
    moved = 0
    for g in expected:
        got = browser.evaluate(f"quvaReplay.posedGroup('Descent', {g['slot']}, {g['group']}, {t})")
        want = [c if i % 3 != 2 else -c for i, c in enumerate(g["posed"])]  # the page's z is the other way
        check(got is not None and len(got) == len(want), f"group {g['slot']}/{g['group']}: {got and len(got)} points")
        worst = max((abs(a - b) for a, b in zip(got, want)), default=0)
        check(worst < 5e-4, f"group {g['slot']}/{g['group']} is posed {worst} m away from the pose drawings'")
        if max((abs(a - b) for a, b in zip(g["posed"], g["stored"])), default=0) > 0.01:
            moved += 1
    check(moved > 0, "no group moved: the comparison shows nothing")
    print(f"{len(expected)} groups ({moved} moved by the gear) posed as the pose drawings pose them at {t} s")


def case_screenshot(browser, quva, work):
    page, _ = make_run(quva, work)
    # From below the drogue, against the sky, without the markers and trajectories that would
    # otherwise put pixels at the centre whether or not the vessel is drawn.
    browser.open(page.as_uri() + "#t=100&follow=Drogue&elevation=-0.3&paths=0&dots=0")
    check(browser.errors() == [], f"console errors: {browser.errors()}")
    width, height, rows = decode_png(browser.screenshot())
    check((width, height) == (WIDTH, HEIGHT), f"screenshot size {width}x{height}")
    cx, cy = VIEW[0] // 2, VIEW[1] // 2
    centre = [rows[y][x] for y in range(cy - 30, cy + 30) for x in range(cx - 30, cx + 30)]
    drawn = sum(not is_background(p) for p in centre)
    corner = [rows[y][x] for y in range(2, 8) for x in range(2, 8)]
    check(drawn >= 300, f"only {drawn} of {len(centre)} pixels at the centre show the followed vessel")
    check(all(is_background(p) for p in corner), f"the corner is not background: {corner[:3]}")
    # The same view a second later on: the vessel stays at the centre, the camera follows it.
    browser.evaluate("quvaReplay.setTime(101)")
    _, _, rows = decode_png(browser.screenshot())
    later = sum(not is_background(rows[y][x]) for y in range(cy - 30, cy + 30) for x in range(cx - 30, cx + 30))
    check(later >= 300, f"only {later} pixels at the centre a second later")
    print(f"{drawn} and {later} of {len(centre)} pixels at the centre show the drogue")


def case_broken(browser, quva, work):
    page, _ = make_run(quva, work)
    text = page.read_text(encoding="utf-8")
    start = text.index('<script type="application/json" id="quva-replay-data">')
    start = text.index(">", start) + 1
    end = text.index("</script>", start)
    data = text[start:end]
    broken = json.loads(data)
    broken["vessels"][1]["position"] = broken["vessels"][1]["position"][:-1]
    cases = {
        "cut data": (text[:start] + data[:len(data) // 2] + text[end:], "not valid JSON"),
        "file cut in its data": (text[:start + len(data) // 2], "not valid JSON"),
        "file cut in the library": (text[:len(text) // 4], "incomplete"),
        "malformed data": (text[:start] + json.dumps(broken) + text[end:], "positions do not match"),
        "unknown format": (text[:start] + '{"format":"other"}' + text[end:], "not a quva replay"),
    }
    for what, (content, message) in cases.items():
        target = work / "broken.html"
        target.write_text(content, encoding="utf-8")
        browser.open(target.as_uri())
        shown = browser.evaluate("(() => { const b = document.getElementById('error');"
                                 " return b && !b.hidden && b.getBoundingClientRect().height > 0 ? b.textContent : null; })()")
        check(shown is not None and message in shown, f"{what}: the page shows {shown!r}")
    print(f"{len(cases)} broken pages each show their message")


CASES = {"loads": case_loads, "names": case_names, "poses": case_poses, "groups": case_groups, "screenshot": case_screenshot,
         "broken": case_broken}


def find_chromium():
    # Debian's browser itself rather than its launcher script, which stays in between.
    if os.access("/usr/lib/chromium/chromium", os.X_OK):
        return "/usr/lib/chromium/chromium"
    for name in ("chromium", "chromium-browser"):
        found = shutil.which(name)
        if found:
            return found
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quva", help="the built quva command")
    parser.add_argument("--probe", help="the built quva_pose_probe (tests/browser/pose_probe.cpp)")
    parser.add_argument("--root", help="the build tree, for the probe")
    parser.add_argument("what", nargs="+")
    args = parser.parse_args()
    chromium = find_chromium()
    if not chromium:
        print("skipped: no chromium on this machine (Debian: apt-get install chromium)")
        return 0
    browser = Browser(chromium)
    try:
        if args.what[0] == "measure":
            for page in args.what[1:]:
                path = Path(page).resolve()
                seconds = min(browser.open(path.as_uri()) for _ in range(3))
                errors = browser.errors()
                # A frame: the time set, every vessel posed, the scene drawn (software WebGL here).
                frame = browser.evaluate("(() => { const t0 = performance.now(), v = quvaReplay.vessels(), n = 20;"
                                         " for (let i = 0; i < n; ++i) quvaReplay.setTime(v[0].firstTime + i * 0.37);"
                                         " return (performance.now() - t0) / n; })()")
                print(f"{path.name}: {path.stat().st_size / 1e6:.2f} MB, loaded in {seconds:.2f} s, "
                      f"{frame:.0f} ms a frame" + (f" ERRORS {errors}" if errors else ""))
            return 0
        if args.what[0] == "shoot":
            browser.open(Path(args.what[1].split("#")[0]).resolve().as_uri() + "#" + args.what[1].partition("#")[2])
            Path(args.what[2]).write_bytes(browser.screenshot())
            return 0
        failed = 0
        with tempfile.TemporaryDirectory(prefix="quva-replay-") as work:
            for name in args.what:
                try:
                    extra = (args.probe, args.root) if name == "groups" else ()
                    CASES[name](browser, args.quva, Path(work), *extra)
                    print(f"{name}: passed")
                except Failure as e:
                    failed += 1
                    print(f"{name}: FAILED: {e}")
        return 1 if failed else 0
    finally:
        browser.close()


if __name__ == "__main__":
    sys.exit(main())
