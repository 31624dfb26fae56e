#!/bin/sh
# Runs a program with a private session bus and desktop accessibility bus on a private virtual
# X server. Exits 77 (skipped) where the accessibility bus cannot be had.
launcher=/usr/libexec/at-spi-bus-launcher
if ! command -v dbus-run-session >/dev/null 2>&1 || [ ! -x "$launcher" ]; then
  echo "with_accessibility_bus: no dbus-run-session or at-spi-bus-launcher" >&2
  exit 77
fi
here=$(dirname "$0")
# The accessibility bridge lives in the window-system platform: an inherited offscreen choice
# would keep the program off the bus.
export QT_QPA_PLATFORM=xcb
exec dbus-run-session -- sh -c '
  "$0" --launch-immediately &
  bus=$!
  "$@"
  status=$?
  kill "$bus" 2>/dev/null
  exit $status
' "$launcher" "$here/with_display.sh" "$@"
