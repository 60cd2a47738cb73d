#!/usr/bin/env bash
# The demo's updater step: runs the updater of an installation folder, which
# brings it up to date and starts the wizard, then waits for that wizard to
# close, so that what the demo keeps running (the lab, Xvfb) outlives it.
#   demo-updater.sh INSTALL-FOLDER PROFILE
set -euo pipefail
INSTALL=$(realpath "${1:?usage: demo-updater.sh INSTALL-FOLDER PROFILE}")
PROFILE=${2:?usage: demo-updater.sh INSTALL-FOLDER PROFILE}
WIZARD="$INSTALL/OrlavoW"

"$INSTALL/Halvane" "$PROFILE"

# Halvane has started the wizard (when it was not cancelled) before it ended;
# the wizard is the process whose program is this installation's OrlavoW.
wizard_running() {
  local p exe
  for p in /proc/[0-9]*; do
    exe=$(readlink "$p/exe" 2>/dev/null) || continue
    [ "${exe% (deleted)}" = "$WIZARD" ] && return 0
  done
  return 1
}
while wizard_running; do sleep 1; done
