#!/usr/bin/env bash
# Starts the window built in $1, or says what is missing.
set -euo pipefail
build=${1:-build/release}
app="$build/src/app/corvane"
if [ ! -x "$app" ]; then
  echo "The window is not built yet ($app is missing)." >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Corvane needs a graphical display: run it from a desktop session (DISPLAY or WAYLAND_DISPLAY set)," >&2
  echo "or under a virtual one, for example: xvfb-run -a make run" >&2
  exit 1
fi
exec "$app"
