#!/usr/bin/env bash
# Runs a test program on a virtual X display managed by openbox. Exits 77 (skipped) when either is
# missing or the program skipped its tests.
set -u
command -v xvfb-run >/dev/null && command -v openbox >/dev/null || exit 77
ready=$(mktemp -u)
output=$(xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  ready=$1
  shift
  openbox --sm-disable --startup "touch $ready" >/dev/null 2>&1 &
  wm=$!
  # Windows shown before the window manager has started would not be decorated at first.
  for _ in $(seq 100); do [ -e "$ready" ] && break; sleep 0.1; done
  # The virtual display has no session bus, and the test needs none: without this D-Bus would try to
  # start one of its own for the platform integration.
  DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb "$@"
  status=$?
  kill "$wm" 2>/dev/null
  exit "$status"' run-under-window-manager "$ready" "$@" 2>&1)
status=$?
rm -f "$ready"
printf '%s\n' "$output"
[ "$status" -eq 0 ] && grep -q '^\[  SKIPPED \]' <<<"$output" && exit 77
exit "$status"
