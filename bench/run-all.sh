#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs each beside its peer, then
# prints one table and writes it to docs/performance.md.
#   bench/run-all.sh SOURCE BUILD-FOLDER
# ORLAVO_BENCH_ROUNDS sets the rounds (at least 5 for a table worth keeping;
# fewer for a quick look, which then does not touch docs/performance.md).
# ORLAVO_BENCH_LOAD_NOTE is added to the load line (what else ran meanwhile).
set -euo pipefail
ROOT=${1:?usage: run-all.sh SOURCE BUILD-FOLDER}
BUILD=${2:?usage: run-all.sh SOURCE BUILD-FOLDER}
ROUNDS=${ORLAVO_BENCH_ROUNDS:-5}
BIN="$BUILD/bin"
START=$(date +%s)
TARGETS=(bench_table catalogue_bench bench_upload bench_order bench_product_page
         bench_thumbnails bench_shared_thumbnails bench_wizard bench_prepare
         bench_phone)

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target "${TARGETS[@]}"

ROWS="$BUILD/bench-rows.tsv"
rm -f "$ROWS"
LOADS=()
failed=()
# Runs one benchmark program; a failure is reported and the others still run.
run() {
  local name=$1
  shift
  echo
  echo "== $name (load average $(cut -d' ' -f1 /proc/loadavg))"
  LOADS+=("$(cut -d' ' -f1 /proc/loadavg)")
  "$BIN/$name" "$@" --rows "$ROWS" || failed+=("$name")
}

# The thumbnails' photos are kept between runs: making them takes a while.
run bench_thumbnails --runs "$ROUNDS" --corpus "$BUILD/bench-photos" --listing 2000
# ORLAVO_BENCH_SHARED_PHOTOS makes the shared cache's folder smaller for a quick look.
run bench_shared_thumbnails --runs "$ROUNDS" --corpus "$BUILD/bench-photos" \
  --photos "${ORLAVO_BENCH_SHARED_PHOTOS:-1000}"
run bench_upload --runs "$ROUNDS"
run bench_order --runs "$ROUNDS"
run bench_prepare --runs "$ROUNDS"
run bench_phone --runs "$ROUNDS"
run catalogue_bench --runs "$ROUNDS" --benchmark_filter='BM_LoadAndListEveryName' --benchmark_color=false
run bench_product_page --runs "$ROUNDS" --benchmark_filter='^Activation$' --benchmark_color=false
run bench_wizard --runs "$ROUNDS"
LOADS+=("$(cut -d' ' -f1 /proc/loadavg)")

MINUTES=$(awk -v s="$(( $(date +%s) - START ))" 'BEGIN { printf "%.1f", s / 60 }')
LOAD="load average (1 minute) ${LOADS[*]} at the start of each program and at the end, on $(nproc) cores${ORLAVO_BENCH_LOAD_NOTE:+: $ORLAVO_BENCH_LOAD_NOTE}"
OUT=()
if [ "$ROUNDS" -ge 5 ]; then
  OUT=(--markdown "$ROOT/docs/performance.md")
fi
"$BIN/bench_table" --rows "$ROWS" --notes "$ROOT/bench/notes.tsv" --load "$LOAD" \
  --minutes "$MINUTES" "${OUT[@]}"
echo "$LOAD; $MINUTES minutes"
if [ ${#failed[@]} -gt 0 ]; then
  echo "These benchmarks failed: ${failed[*]}" >&2
  exit 1
fi
