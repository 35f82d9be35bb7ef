#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly and without a display. The Wine prefix lives in the
# build folder (WINEPREFIX overrides it), so that a build never touches the user's own prefix;
# Wine creates it on first use.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  export WINEPREFIX="$here/build/windows/wine"
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No installer dialogs for the .NET and HTML engines, which console programs never need.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
