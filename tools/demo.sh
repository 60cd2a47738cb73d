#!/usr/bin/env bash
# Starts the demo from a built tree: the programs in BUILD/bin.
set -euo pipefail
BUILD=${1:?build folder}
BIN="$BUILD/bin"
run_gui() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found; running under Xvfb (nothing will be visible)." >&2
    exec xvfb-run -a "$@"
  fi
  exec "$@"
}
run_gui "$BIN/Halvane"
