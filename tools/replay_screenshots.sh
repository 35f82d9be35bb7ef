#!/usr/bin/env bash
# The README's pictures of replay pages: each example run as its description says, its page
# opened in headless Chromium at a telling moment, a screenshot written to docs/replay-NAME.png.
#   tools/replay_screenshots.sh [BUILD]     (BUILD: the build tree, default build/default)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build/default}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
shoot() {  # shoot NAME MOMENT RUN-ARGS...
  local name=$1 moment=$2
  shift 2
  "$build/bin/quva" run "$@" --replay "$work/$name.html" >/dev/null
  /usr/bin/python3 "$here/tests/browser/replay_page_test.py" shoot "$work/$name.html#$moment" "$here/docs/replay-$name.png"
  echo "docs/replay-$name.png"
}
shoot Recovery "t=30&follow=Main" Quva/Recovery --until 480 --release 20:Drogue --assembly combined
shoot ApexCover "t=4&follow=ApexCover" Quva/ApexCover --until 120 --release 2:ApexCover
shoot LunarGear "t=3.2&follow=Descent&elevation=0.15" Quva/LunarGear --dt 0.05 --until 4 --key 1:Descent:G --key 2.5:Descent:G
shoot ServiceModule "t=24&follow=Probe" Quva/ServiceModule --dt 1 --until 3700 --release 10:BayCover --release 20:Probe
