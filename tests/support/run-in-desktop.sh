#!/usr/bin/env bash
# Runs a command inside a private desktop: an Xvfb server on a free display and a
# private D-Bus session bus. Both are stopped by process id when the command ends.
# Tests that need neither still run (offscreen); those that do carry the ctest
# label "desktop".
set -uo pipefail

xvfb_pid=""
bus_pid=""
bus_folder=""
# The tests run on the private X server even when started from a Wayland session.
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
cleanup() {
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  [ -n "$bus_pid" ] && for _ in $(seq 1 100); do kill -0 "$bus_pid" 2>/dev/null || break; sleep 0.05; done
  [ -n "$bus_folder" ] && rm -rf "$bus_folder"
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT INT TERM

if command -v Xvfb >/dev/null; then
  # The server picks a free display itself and writes its number once it is ready: a
  # run whose /tmp is private (tools/check-test-leftovers) does not see the other
  # servers' sockets and locks there, but the server finds their names taken.
  number_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 "${CHRONARK_TEST_SCREEN:-1280x800}x24" -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 200); do
    [ -s "$number_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  display="$(tr -dc 0-9 <"$number_file")"
  rm -f "$number_file"
  if [ -n "$display" ]; then
    export DISPLAY=":$display"
  else
    echo "run-in-desktop: Xvfb did not start; desktop tests will fail" >&2
  fi
else
  echo "run-in-desktop: Xvfb not found; desktop tests will fail" >&2
fi

if command -v dbus-daemon >/dev/null; then
  # The bus's socket in a folder of its own, removed with the bus (the session bus's own
  # configuration leaves one in /tmp).
  bus_folder="$(mktemp -d)"
  # (The bus keeps its runtime folder there too: not the run's.)
  out="$(XDG_RUNTIME_DIR="$bus_folder" dbus-daemon --session --fork --address="unix:dir=$bus_folder" --print-address=1 --print-pid=1)"
  export DBUS_SESSION_BUS_ADDRESS="$(echo "$out" | sed -n 1p)"
  bus_pid="$(echo "$out" | sed -n 2p)"
fi

"$@"
status=$?
exit $status
