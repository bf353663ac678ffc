#!/usr/bin/env bash
# Rehearses the demonstration setup on the virtual coater: builds coflux with the default preset
# and starts it in real mode on one emulated card (master with analog section) whose outputs
# drive the sources of Default.chamber (a thermal boat and an electron-beam gun) and whose
# crystals they coat. No card needed. From anywhere:
#   bash scripts/rehearse-coflux.sh                                  # the window
#   bash scripts/rehearse-coflux.sh --run Default.dat --headless --minutes 2
# The rehearsal keeps its files in build/default/rehearsal (or $TLV880_HOME): a copy of
# Default.dat with Simulate=0, made once (later edits are kept), the chamber file, the log, and
# control.txt, to which `echo "replace 0 0" >> control.txt` adds a command (here: a fresh crystal
# on card 0, channel 0, which coflux calls sensor 1). Extra arguments are passed to coflux.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default --target coflux tlv880a

bin="$PWD/build/default/bin"
home="${TLV880_HOME:-$PWD/build/default/rehearsal}"
mkdir -p "$home"
[ -e "$home/Default.dat" ] || sed 's/^Simulate=1\r\{0,1\}$/Simulate=0/' "$bin/Default.dat" > "$home/Default.dat"
[ -e "$home/Default.chamber" ] || cp "$bin/Default.chamber" "$home/Default.chamber"
touch "$home/control.txt"

if [ "$#" -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "rehearse-coflux: no display. Run the window on a virtual one with" >&2
  echo "  xvfb-run -a -s \"-screen 0 1280x1024x24\" bash scripts/rehearse-coflux.sh" >&2
  echo "or rehearse without it: bash scripts/rehearse-coflux.sh --run Default.dat --headless" >&2
  exit 2
fi

export TLV880_HOME="$home"
export TLV880_DRIVER=emulated
export TLV880_EMU_CARDS="id=1E,fw=300,f=6000000"
export TLV880_EMU_CHAMBER="$home/Default.chamber"
export TLV880_EMU_CONTROL="$home/control.txt"
echo "rehearse-coflux: $home, chamber $TLV880_EMU_CHAMBER, commands to $TLV880_EMU_CONTROL" >&2
cd "$home" # the setup's log file (a name without folder) is written here
exec "$bin/coflux" "$@"
