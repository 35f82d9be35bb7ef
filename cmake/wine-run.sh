#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly and without a display:
#   wine-run.sh PROGRAM.exe ARGS...
# The Wine prefix lives in the build folder (WINEPREFIX overrides it), so that a build never
# touches the user's own prefix; Wine creates it on first use.
#
#   wine-run.sh --start-server    keeps one Wine server running for the prefix until stopped,
#   wine-run.sh --stop-server     so that many short programs in a row (a test run) do not race
#                                 a server that is just shutting down after the previous one.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  export WINEPREFIX="$here/build/windows/wine"
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No installer dialogs for the .NET and HTML engines, which console programs never need.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY
case "${1:-}" in
  --start-server)
    # A new prefix is made first, the way Wine makes it on first use.
    if [ ! -d "$WINEPREFIX" ]; then
      mkdir -p "$(dirname "$WINEPREFIX")"
      log=$(wine wineboot --init 2>&1) || { echo "$log" >&2; echo "wine-run.sh: cannot make the Wine prefix $WINEPREFIX" >&2; exit 1; }
    fi
    # A server still running for the prefix would keep its own idle time-out: replace it.
    wineserver --kill 2>/dev/null || true
    wineserver --persistent
    # Wine's own background programs start with the first program a server sees and stay as long
    # as it runs, holding on to that program's output: start them here, with no output to hold,
    # so that a caller waiting for a program's output to end does not wait for them.
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
    exit 0
    ;;
  --stop-server)
    wineserver --kill 2>/dev/null || true
    exit 0
    ;;
esac
exec wine "$@"
