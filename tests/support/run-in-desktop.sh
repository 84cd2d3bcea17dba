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
  display=""
  for n in $(seq 90 250); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
  done
  if [ -n "$display" ]; then
    Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$display" ] && break
      sleep 0.05
    done
    export DISPLAY=":$display"
  fi
else
  echo "run-in-desktop: Xvfb not found; desktop tests will fail" >&2
fi

if command -v dbus-daemon >/dev/null; then
  # The bus's socket in a folder of its own, removed with the bus (the session bus's own
  # configuration leaves one in /tmp).
  bus_folder="$(mktemp -d)"
  out="$(dbus-daemon --session --fork --address="unix:dir=$bus_folder" --print-address=1 --print-pid=1)"
  export DBUS_SESSION_BUS_ADDRESS="$(echo "$out" | sed -n 1p)"
  bus_pid="$(echo "$out" | sed -n 2p)"
fi

"$@"
status=$?
exit $status
