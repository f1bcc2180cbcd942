#!/usr/bin/env bash
# Runs each libFuzzer target of a fuzz build for a while, each on a copy of its seed corpus so the
# repository's corpus stays as committed. Exits non-zero when a target finds a crash; the crashing
# inputs are kept under <build dir>/fuzz-artifacts/.
#   usage: scripts/run-fuzzers.sh <build dir> <seconds per target>
set -euo pipefail
usage="usage: $0 <build dir> <seconds per target>"
build=${1:?$usage}
seconds=${2:?$usage}
root=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Recoverable UBSan findings must fail the run too; the diagnostic log stays in the temp dir.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export XDG_STATE_HOME="$work/state"

status=0
for target in parse_line response dc09_decrypt frame_reader records; do
  bin="$build/fuzz/fuzz_$target"
  if [ ! -x "$bin" ]; then
    echo "missing $bin (configure with: cmake --preset fuzz -B $build)" >&2
    status=1
    continue
  fi
  corpus="$work/$target/corpus"
  artifacts="$work/$target/artifacts"
  mkdir -p "$corpus" "$artifacts"
  cp -R "$root/fuzz/corpus/$target/." "$corpus/"
  echo "==== fuzz_$target for ${seconds}s"
  if ! "$bin" -max_total_time="$seconds" -artifact_prefix="$artifacts/" "$corpus"; then
    mkdir -p "$build/fuzz-artifacts"
    cp -R "$artifacts/." "$build/fuzz-artifacts/"
    echo "fuzz_$target FAILED; crashing inputs in $build/fuzz-artifacts/" >&2
    status=1
  fi
done
exit $status
