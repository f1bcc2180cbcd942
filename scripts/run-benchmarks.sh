#!/usr/bin/env bash
# Runs every benchmark program of the build in $1 and prints their reports.
set -euo pipefail
build=${1:-build/release}
shopt -s nullglob
status=0
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "==== $(basename "$b")"
  "$b" || status=1
done
exit $status
