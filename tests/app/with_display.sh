#!/bin/sh
# Runs a program on a private virtual X server (1280x1024, no window manager); where xvfb-run
# is missing, on the display there is.
if command -v xvfb-run >/dev/null 2>&1; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
fi
if [ -z "$DISPLAY" ]; then
  echo "with_display: no xvfb-run and no DISPLAY" >&2
  exit 1
fi
exec "$@"
