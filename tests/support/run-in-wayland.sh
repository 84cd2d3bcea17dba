#!/usr/bin/env bash
# Runs a command inside a private Wayland session: a session bus of its own
# (dbus-run-session), a private XDG_RUNTIME_DIR and XDG config folders (in memory), and a headless
# compositor, started here and stopped by process id when the command ends.
#   run-in-wayland.sh mutter|kwin COMMAND [ARGS...]
# mutter: GNOME's compositor with one virtual monitor (XDG_CURRENT_DESKTOP=GNOME).
# kwin: KDE Plasma's kwin_wayland on a virtual framebuffer (XDG_CURRENT_DESKTOP=KDE),
# with its permission checks off so that a test may inject input through fake input.
# The desktop portal starts on demand on the private bus. Every waiting is bounded.
set -uo pipefail

compositor="${1:-}"
shift || true
case "$compositor" in
  mutter|kwin) ;;
  *) echo "usage: run-in-wayland.sh mutter|kwin COMMAND [ARGS...]" >&2; exit 2 ;;
esac
[ $# -gt 0 ] || { echo "run-in-wayland: no command" >&2; exit 2; }

# Polls (every 50 ms, at most $1 seconds) until the command in $2... succeeds.
wait_for() {
  local seconds="$1"; shift
  local tries=$((seconds * 20))
  for _ in $(seq 1 "$tries"); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

# Outside the bus: make the session's folders and environment, then enter the bus.
if [ -z "${CHRONARK_WAYLAND_INSIDE:-}" ]; then
  command -v dbus-run-session >/dev/null || { echo "run-in-wayland: dbus-run-session not found" >&2; exit 1; }
  # The session's folders are in memory (/dev/shm) where the system has it, as the
  # other test programs' are (tests/support/TestSupport.h): the settings written there
  # are synced to a disk that parallel programs may keep busy.
  memory=/dev/shm
  [ -d "$memory" ] && [ -w "$memory" ] || memory="${TMPDIR:-/tmp}"
  runtime="$(mktemp -d "$memory/chronark-wayland.XXXXXX")" || exit 1
  chmod 700 "$runtime"
  mkdir -p "$runtime/config" "$runtime/data" "$runtime/cache" "$runtime/state" "$runtime/bin"
  export XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime/config" XDG_DATA_HOME="$runtime/data"
  export XDG_CACHE_HOME="$runtime/cache" XDG_STATE_HOME="$runtime/state"
  export WAYLAND_DISPLAY="wayland-chronark" XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland
  export CHRONARK_TEST_COMPOSITOR="$compositor"
  unset DISPLAY DBUS_SESSION_BUS_ADDRESS
  if [ "$compositor" = mutter ]; then
    # The desktop portal gets no backend: none of Debian 12's GNOME backends offers
    # GlobalShortcuts, and the KDE one installed for the kwin runs would answer for it.
    mkdir -p "$runtime/portals"
    export XDG_CURRENT_DESKTOP=GNOME XDG_DESKTOP_PORTAL_DIR="$runtime/portals"
  else
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KWIN_WAYLAND_NO_PERMISSION_CHECKS=1
  fi
  CHRONARK_WAYLAND_INSIDE=1 dbus-run-session -- "$0" "$compositor" "$@"
  status=$?
  rm -rf "$runtime"
  exit $status
fi

compositor_pid=""
# Ends every other client of this private bus (the portal and its backends, started
# on demand) and then the compositor, each by its process id, waiting at most 10 s.
cleanup() {
  local pids=() name pid
  for name in $(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
                  org.freedesktop.DBus.ListNames 2>/dev/null | sed -n 's/.*string "\(:[^"]*\)".*/\1/p'); do
    pid="$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
             org.freedesktop.DBus.GetConnectionUnixProcessID "string:$name" 2>/dev/null | sed -n 's/.*uint32 //p')"
    [ -n "$pid" ] && [ "$pid" != "$$" ] && [ "$pid" != "$compositor_pid" ] && pids+=("$pid")
  done
  [ -n "$compositor_pid" ] && pids+=("$compositor_pid")
  for pid in $(printf '%s\n' "${pids[@]}" | sort -u); do kill "$pid" 2>/dev/null; done
  for pid in $(printf '%s\n' "${pids[@]}" | sort -u); do
    if ! wait_for 10 eval "! kill -0 $pid 2>/dev/null"; then kill -9 "$pid" 2>/dev/null; fi
  done
  [ -n "$compositor_pid" ] && wait "$compositor_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT INT TERM

has_name() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q "boolean true"
}
compositor_ready() {
  kill -0 "$compositor_pid" 2>/dev/null && [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && has_name "$ready_name"
}

log="$XDG_RUNTIME_DIR/compositor.log"
if [ "$compositor" = mutter ]; then
  command -v mutter >/dev/null || { echo "run-in-wayland: mutter not found" >&2; exit 1; }
  mutter --headless --wayland --no-x11 --virtual-monitor 1280x800 --wayland-display "$WAYLAND_DISPLAY" >"$log" 2>&1 &
  compositor_pid=$!
  ready_name=org.gnome.Mutter.IdleMonitor
else
  kwin="$(command -v kwin_wayland)" || { echo "run-in-wayland: kwin_wayland not found" >&2; exit 1; }
  # The packaged binary carries a file capability that a container refuses to exec;
  # a copy has none and keeps the name KWin looks itself up by.
  cp "$kwin" "$XDG_RUNTIME_DIR/bin/kwin_wayland"
  "$XDG_RUNTIME_DIR/bin/kwin_wayland" --virtual --no-lockscreen --socket "$WAYLAND_DISPLAY" \
    --width 1280 --height 800 >"$log" 2>&1 &
  compositor_pid=$!
  ready_name=org.kde.KWin
fi

if ! wait_for 60 compositor_ready; then
  echo "run-in-wayland: $compositor did not come up within 60 s; its log:" >&2
  tail -n 40 "$log" >&2
  exit 1
fi

"$@"
status=$?
if [ $status -ne 0 ] && [ -n "${CHRONARK_WAYLAND_SHOW_LOG:-}" ]; then tail -n 60 "$log" >&2; fi
exit $status
