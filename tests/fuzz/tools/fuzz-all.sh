#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in BUILD and runs each for SECONDS,
# one after another; prints per target the executions and any crash.
#   fuzz-all.sh BUILD SECONDS [TARGET...]
# FUZZ_JOBS=2 runs two targets at a time. Exits 1 when a target crashed.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
BUILD="$1"
SECONDS_EACH="$2"
shift 2
FUZZ="$ROOT/tests/fuzz"

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORLAVO_FUZZ=ON -DORLAVO_BUILD_TESTS=OFF -DORLAVO_BUILD_BENCH=OFF >/dev/null || exit 1
cmake --build "$BUILD" -j "$(nproc)" --target fuzz-all || exit 1

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in "$FUZZ"/corpus/*/; do
    targets+=("$(basename "$dir")")
  done
fi

# One target: its log is BUILD/logs/<target>.log.
run_one() {
  local t="$1"
  local work="$BUILD/corpus/$t" crashes="$BUILD/crashes/$t"
  mkdir -p "$work" "$crashes" "$BUILD/logs"
  local args=(-max_total_time="$SECONDS_EACH" -timeout=30 -rss_limit_mb=2560
              -print_final_stats=1 -artifact_prefix="$crashes/")
  [ -f "$FUZZ/dict/$t.dict" ] && args+=(-dict="$FUZZ/dict/$t.dict")
  # The lab target judges its own time limit by the processor time it used.
  [ "$t" = lab_request ] && args+=(-max_len=16384 -timeout=400)
  # Keep going after a crash so that one fault does not hide the next.
  "$BUILD/bin/fuzz-$t" "${args[@]}" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    "$work" "$FUZZ/corpus/$t" >"$BUILD/logs/$t.log" 2>&1
}

report() {
  local t="$1" log="$BUILD/logs/$1.log"
  local execs crashes
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | awk '{s+=$2} END {print s+0}')
  if [ "$execs" = 0 ]; then
    execs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
  fi
  crashes=$(find "$BUILD/crashes/$t" -type f -newer "$BUILD/logs/.start-$t" | sort)
  printf '%-16s %12s executions in %ss' "$t" "${execs:-0}" "$SECONDS_EACH"
  if [ -n "$crashes" ]; then
    printf ', CRASHES:\n'
    printf '    %s\n' $crashes
    return 1
  fi
  printf ', no crash\n'
}

jobs="${FUZZ_JOBS:-1}"
status=0
pending=()
for t in "${targets[@]}"; do
  if [ ! -x "$BUILD/bin/fuzz-$t" ]; then
    echo "$t: no such target" >&2
    status=1
    continue
  fi
  mkdir -p "$BUILD/logs"
  touch "$BUILD/logs/.start-$t"
  run_one "$t" &
  pending+=("$t:$!")
  if [ ${#pending[@]} -ge "$jobs" ]; then
    entry="${pending[0]}"
    pending=("${pending[@]:1}")
    wait "${entry#*:}"
    report "${entry%%:*}" || status=1
  fi
done
for entry in "${pending[@]}"; do
  wait "${entry#*:}"
  report "${entry%%:*}" || status=1
done
exit $status
