#!/usr/bin/env bash
# Renders the real main window, connected to a fake receiver, into a PNG: under Xvfb on a virtual
# 1920x1080 screen when xvfb-run is there, else on Qt's offscreen platform.
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
export XDG_STATE_HOME="$state" XDG_RUNTIME_DIR="$state"
if [ -z "${QT_QPA_PLATFORM:-}" ] && command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" "$tool" "$out" "$@"
else
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$tool" "$out" "$@"
fi
echo "Wrote $out${1:+ and more}"
