#!/usr/bin/env bash
# The demo: a lab server on loopback with its demo catalogue, sample photos,
# a "Demo" profile in the settings store pointing at the lab, then the wizard.
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
  for dir in $(find "$DATA/lab/orders" -mindepth 1 -maxdepth 1 -type d -newer "$MARK" 2>/dev/null); do
    [ $found -eq 1 ] || echo "The lab kept what you ordered:"
    found=1
    photos=$(find "$dir" -maxdepth 1 -name 'photo-*.xml' | wc -l)
    echo "  order $(basename "$dir"), $photos photo(s): $dir"
  done
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

reg() { "$BIN/orlavo-reg" --profile "$PROFILE" "$@" >/dev/null; }
reg set DownloadInfo DownloadURL "$URL/catalogue.xml"
reg set DownloadInfo UploadURL "$URL/upload"
reg set DownloadInfo PriceRequestURL "$URL/price"
reg set DownloadInfo OnlineAlbumURL "$URL/album"
reg set DownloadInfo HelpURL "$URL/help"
reg set DownloadInfo TermsOfServiceURL "$URL/terms"
reg set Settings UpdateURL "$URL/update/auto_update.xml"
reg set Settings LocalPath "$BIN/"
reg set UserDetails PicturesFolder "$DATA/photos"

run_gui() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found; running under Xvfb (nothing will be visible)." >&2
    xvfb-run -a "$@"
  else
    "$@"
  fi
}
# The wizard with the demo profile; the lab stops when it closes.
run_gui "$BIN/OrlavoW" "$PROFILE"
