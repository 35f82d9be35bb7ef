#!/usr/bin/env bash
# Runs an example scenario as its description says ("Run: quva run ...") with the Linux build and,
# under Wine, with the Windows build, each with a trace and a saved scenario, and compares the two
# runs' files.
#
#   windows_parity.sh SCENARIO LINUX_BUILD WINDOWS_BUILD WINE_RUN WORK_DIR
set -euo pipefail
scenario=$1 linux=$2 windows=$3 wine_run=$4 work=$5

run=$(grep -m1 '^Run: quva run ' "$scenario" | sed 's/^Run: quva run //') || {
  echo "$scenario: no \"Run: quva run ...\" line" >&2
  exit 1
}
# The run's own output files are left out; both runs write the same two files instead.
read -ra given <<<"$run"
args=()
skip=0
for a in "${given[@]}"; do
  if [ "$skip" = 1 ]; then skip=0; continue; fi
  case $a in --save | --trace | --csv | --plot) skip=1 ;; *) args+=("$a") ;; esac
done

rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"
(cd "$work/linux" && "$linux/bin/quva" run "${args[@]}" --trace trace.jsonl --save saved.scn >timeline.txt)
(cd "$work/windows" && "$wine_run" "$windows/bin/quva.exe" run "${args[@]}" --trace trace.jsonl --save saved.scn >timeline.txt)
for file in trace.jsonl saved.scn; do
  "$linux/bin/quva_compare_runs" "$work/linux/$file" "$work/windows/$file"
done
