#!/usr/bin/env bash
# Installs what is missing, builds with the default preset and starts coflux in simulation with
# the default setup. Run as root on a fresh Debian 12 machine, from anywhere:
#   bash scripts/run-coflux.sh
# Extra arguments are passed to coflux. Without a display, run it under a virtual one:
#   xvfb-run -a -s "-screen 0 1280x1024x24" bash scripts/run-coflux.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# xvfb and xauth give a virtual display to machines without one; the xcb platform plugin of Qt
# needs its X libraries.
bash scripts/install-deps.sh xvfb xauth libxkbcommon-x11-0 libxcb-cursor0 libxcb-icccm4 \
  libxcb-keysyms1 libxcb-shape0 libxcb-render-util0 libxcb-image0

cmake --preset default
cmake --build --preset default --target coflux tlv880a

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-coflux: no display. coflux is a window program; start it on a virtual display with" >&2
  echo "  xvfb-run -a -s \"-screen 0 1280x1024x24\" bash scripts/run-coflux.sh" >&2
  echo "or set DISPLAY to a running X server." >&2
  exit 2
fi

# No card: the library simulates. The program's folder (setup files, log) is build/default/bin
# unless TLV880_HOME says otherwise; a missing Default.dat starts with the default setup.
export TLV880_DRIVER="${TLV880_DRIVER:-none}"
exec build/default/bin/coflux "$@"
