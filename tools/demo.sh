#!/usr/bin/env bash
# The demo: a lab server on loopback with its demo catalogue, sample photos,
# a "Demo" profile in the settings store pointing at the lab, then the
# updater, which brings the demo's installation folder up to date and starts
# the wizard.
set -euo pipefail
BUILD=${1:?usage: demo.sh BUILD-FOLDER}
BIN="$BUILD/bin"
DATA="${ORLAVO_DEMO_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/orlavo-demo}"
PROFILE=Demo

mkdir -p "$DATA/lab" "$DATA/photos"
if [ -z "$(ls -A "$DATA/photos")" ]; then
  echo "Making sample photos in $DATA/photos"
  "$BIN/orlavo-lab" --make-sample-photos "$DATA/photos" 12
fi

LOG="$DATA/lab.log"
MARK="$DATA/lab/.demo-started"
touch "$MARK"
"$BIN/orlavo-lab" --data "$DATA/lab" --host 127.0.0.1 --port 0 >"$LOG" 2>&1 &
LAB_PID=$!
# When the demo ends: stop the lab, then say where it kept what was ordered.
report_orders() {
  kill "$LAB_PID" 2>/dev/null; wait "$LAB_PID" 2>/dev/null || true
  [ -n "${URL:-}" ] || return 0
  local found=0 dir photos
  # Read whole names: the demo's folder may have spaces in its path.
  while IFS= read -r -d '' dir; do
    [ $found -eq 1 ] || echo "The lab kept what you ordered:"
    found=1
    photos=$(find "$dir" -maxdepth 1 -name 'photo-*.xml' | wc -l)
    echo "  order $(basename "$dir"), $photos photo(s): $dir"
  done < <(find "$DATA/lab/orders" -mindepth 1 -maxdepth 1 -type d -newer "$MARK" -print0 2>/dev/null)
  [ $found -eq 1 ] || echo "No order reached the lab in this demo."
  echo "Its album was at $URL/album; the lab has stopped. To look at the album again:"
  echo "  $BIN/orlavo-lab --data \"$DATA/lab\" --port ${URL##*:}   and open $URL/album"
}
trap report_orders EXIT
URL=""
for _ in $(seq 1 100); do
  URL=$(head -n 1 "$LOG" 2>/dev/null | grep -oE 'http://[0-9.]+:[0-9]+' || true)
  [ -n "$URL" ] && break
  kill -0 "$LAB_PID" 2>/dev/null || { cat "$LOG" >&2; exit 1; }
  sleep 0.1
done
[ -n "$URL" ] || { echo "The lab server did not start; see $LOG" >&2; exit 1; }
echo "Lab server at $URL (its album: $URL/album)"

# The updater's part: an installation folder of the demo's own (the build
# folder is never changed), and an update on the lab with one newer picture.
INSTALL="$DATA/install"
HERE=$(cd "$(dirname "$0")" && pwd)
put() { cp "$1" "$2/.$(basename "$1").new" && mv -f "$2/.$(basename "$1").new" "$2/$(basename "$1")"; }
if [ ! -d "$INSTALL" ]; then
  mkdir -p "$INSTALL"
  for f in 1.jpg 2.jpg 3.jpg; do put "$BIN/$f" "$INSTALL"; done
fi
put "$BIN/OrlavoW" "$INSTALL"
put "$BIN/Halvane" "$INSTALL"
UPDATE="$DATA/lab/update/files"
rm -rf "$UPDATE" && mkdir -p "$UPDATE"
for f in OrlavoW 2.jpg 3.jpg; do cp "$BIN/$f" "$UPDATE/"; done
cp "$HERE/demo-update/1.jpg" "$UPDATE/"
"$BIN/orlavo-lab" --make-update "$DATA/lab" --base-url "$URL/update/files/" >/dev/null

reg() { "$BIN/orlavo-reg" --profile "$PROFILE" "$@" >/dev/null; }
reg set DownloadInfo DownloadURL "$URL/catalogue.xml"
reg set DownloadInfo UploadURL "$URL/upload"
reg set DownloadInfo PriceRequestURL "$URL/price"
reg set DownloadInfo OnlineAlbumURL "$URL/album"
reg set DownloadInfo HelpURL "$URL/help"
reg set DownloadInfo TermsOfServiceURL "$URL/terms"
reg set Settings UpdateURL "$URL/update/auto_update.xml"
reg set Settings LocalPath "$INSTALL/"
reg set UserDetails PicturesFolder "$DATA/photos"

run_gui() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found; running under Xvfb (nothing will be visible)." >&2
    xvfb-run -a "$@"
  else
    "$@"
  fi
}
# The updater with the demo profile, which starts the wizard; the lab stops
# when the wizard closes.
run_gui "$HERE/demo-updater.sh" "$INSTALL" "$PROFILE"
