#!/usr/bin/env bash
# Runs one acceptance scenario in a display and a D-Bus session of its own,
# with the accessibility bus up, as a desktop with a screen reader has them.
#   run-scenario.sh BIN-FOLDER OUT-FOLDER SCENARIO
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = "--inside" ]; then
  # In the display and the session: a window manager (focus goes back to the
  # window under a closed message box, windows have a close button), the
  # accessibility bus, then the scenario.
  mkdir -p "$ORLAVO_ACCEPTANCE_OUT"
  openbox --sm-disable >"$ORLAVO_ACCEPTANCE_OUT/openbox-$2.log" 2>&1 &
  wm=$!
  # The window manager is up once it names itself on the root window.
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  bus=$!
  for _ in $(seq 1 50); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
      org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
    sleep 0.1
  done
  status=0
  # Debian's own Python sees the system's pyatspi.
  /usr/bin/python3 "$HERE/scenarios/$2.py" || status=$?
  kill "$bus" "$wm" 2>/dev/null || true
  exit $status
fi

export ORLAVO_BIN_DIR=${1:?usage: run-scenario.sh BIN-FOLDER OUT-FOLDER SCENARIO}
export ORLAVO_ACCEPTANCE_OUT=${2:?}
SCENARIO=${3:?}
# The windows need a real display, not the offscreen one of the other tests.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
exec xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" \
  dbus-run-session -- "$0" --inside "$SCENARIO"
