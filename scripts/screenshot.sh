#!/usr/bin/env bash
# Renders the real main window, connected to a fake receiver, into a PNG without any display.
# Usage: scripts/screenshot.sh <build dir> <out.png> [<messages.png>] [corvane-screenshot options]
set -euo pipefail
build=${1:?usage: screenshot.sh <build dir> <out.png>}
out=${2:?usage: screenshot.sh <build dir> <out.png>}
shift 2
tool="$build/tools/screenshot/corvane-screenshot"
if [ ! -x "$tool" ]; then
  echo "The screenshot tool is not built yet ($tool is missing)." >&2
  exit 1
fi
state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
mkdir -p "$(dirname "$out")"
# The diagnostic log of this run goes to a throw-away directory.
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} XDG_STATE_HOME="$state" XDG_RUNTIME_DIR="$state" \
  "$tool" "$out" "$@"
echo "Wrote $out${1:+ and more}"
