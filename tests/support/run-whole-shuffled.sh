#!/usr/bin/env bash
# Runs every test program of a build with a ctest label whole, in one process each and
# in a shuffled order, to find tests that depend on the ones before them (ctest runs
# each test case in a process of its own, which hides that).
#   run-whole-shuffled.sh BUILD_DIR [LABEL]
# LABEL is "unit" (the offscreen programs, the default) or "desktop" (the programs that
# need the X server and the session bus: run this inside tests/support/run-in-desktop.sh).
# The seed is fixed and printed, so a failure can be replayed; CHRONARK_SHUFFLE_SEED
# runs another order (try a few when adding tests).
set -uo pipefail
build="${1:?build folder}"
label="${2:-unit}"
case "$label" in
  unit) platform=offscreen ;;
  desktop) platform=xcb ;;
  *) echo "run-whole-shuffled: label unit or desktop, not $label" >&2; exit 2 ;;
esac
seed="${CHRONARK_SHUFFLE_SEED:-44444}"
# A program that hangs is stopped after this many seconds, named, and counted as failed
# (far above what the slowest whole program takes).
limit="${CHRONARK_PROGRAM_TIME_LIMIT:-900}"
echo "run-whole-shuffled: seed $seed (replay with CHRONARK_SHUFFLE_SEED=$seed)"

# The programs are those ctest runs with the label (the Wayland programs start their
# own sessions and keep their own runs).
mapfile -t programs < <(ctest --test-dir "$build" -L "^${label}\$" --show-only=json-v1 2>/dev/null \
  | python3 -c '
import json, sys
seen = []
for t in json.load(sys.stdin).get("tests", []):
    cmd = t.get("command") or []
    if cmd and "/test_" in cmd[0] and cmd[0] not in seen:
        seen.append(cmd[0])
print("\n".join(seen))')
if [ ${#programs[@]} -eq 0 ]; then
  echo "run-whole-shuffled: no $label test program found in $build" >&2
  exit 1
fi

failed=()
passed=0
for program in "${programs[@]}"; do
  name="$(basename "$program")"
  log="$(mktemp)"
  status=0
  QT_QPA_PLATFORM="$platform" timeout --kill-after=10 "$limit" \
    "$program" --gtest_shuffle --gtest_random_seed="$seed" >"$log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    echo "  ok    $name ($(grep -c '^\[       OK \]' "$log") tests)"
  else
    failed+=("$name")
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
      echo "  FAIL  $name: stopped at its time limit of $limit s, in $(grep '^\[ RUN      \]' "$log" | tail -1 | sed 's/^\[ RUN      \] //')"
    else
      echo "  FAIL  $name"
    fi
    grep -E '^\[  FAILED  \]|^\[  STRICT  \]|Failure|ERROR: ' "$log" | head -40 | sed 's/^/        /'
  fi
  rm -f "$log"
done
echo "${passed} passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
