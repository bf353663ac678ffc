#!/usr/bin/env bash
# Long-run check of coflux with its chart open: runs a co-deposition in simulation at the shortest
# period (0.1 s) with the chart window showing 30 minutes, and samples the program's resident
# memory (RSS), its CPU use and that of its GUI (main) thread every 30 s into a CSV file. Not a CI test: run it by hand, e.g.
#   bash scripts/soak.sh --minutes 120 --csv soak.csv
# Options: --minutes N (default 120), --csv FILE (default soak.csv), --interval S (default 30),
# --bin DIR (the built programs, default build/default/bin). Without a display the program runs
# on Qt's offscreen platform, which paints the windows as a screen would.
# At the end it prints the RSS at the first and last sample, its growth and the mean CPU of the
# process and of its GUI thread.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=120
csv=soak.csv
interval=30
bin=build/default/bin
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes="$2"; shift 2 ;;
    --csv) csv="$2"; shift 2 ;;
    --interval) interval="$2"; shift 2 ;;
    --bin) bin="$2"; shift 2 ;;
    *) echo "soak: unknown option $1" >&2; exit 1 ;;
  esac
done
[ -x "$bin/coflux" ] || { echo "soak: no coflux in $bin (build it first)" >&2; exit 1; }

# A folder of its own for the setup file, the log and the user settings, so the soak leaves
# the operator's own untouched.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/TLV880"
cat >"$work/soak.dat" <<'DAT'
[Card]
LogEnabled=0
Filter=4
Period=.1
FMax=6100000
FMin=5000000
FInit=6000000
Simulate=1
[OUTPUT1]
Mode=3
Name=Silver
Input=1
Thick=999
Rate=5.00
PTerm=100.0
ITerm=1.0
FullScale=10.0
MaxPwr=100.0
SlewRate=100.0
XOut=-1
[OUTPUT2]
Mode=3
Name=Copper
Input=2
Thick=999
Rate=3.00
PTerm=100.0
ITerm=1.0
FullScale=10.0
MaxPwr=100.0
SlewRate=100.0
XOut=-1
DAT
# The chart window opens at start, showing the whole 30 minutes kept.
printf '[frmChart]\nForm%%20Visible=True\n' >"$work/config/TLV880/coflux.conf"

export XDG_CONFIG_HOME="$work/config" TLV880_HOME="$work" TLV880_DRIVER=none
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
fi

"$bin/coflux" --run "$work/soak.dat" --minutes "$minutes" >"$work/coflux.out" 2>&1 &
pid=$!
ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
# The main thread's own ticks: the GUI thread, where the chart is drawn.
gui_ticks() { awk '{print $14 + $15}' "/proc/$pid/task/$pid/stat"; }
percent() {
  awk -v d="$1" -v dt="$2" -v hz="$ticks" 'BEGIN { printf "%.2f", (dt > 0 ? 100 * d / hz / dt : 0) }'
}
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$pid/status"; }

echo "elapsed_s,rss_kb,cpu_percent,gui_cpu_percent" >"$csv"
start=$(date +%s)
last_t=$start
sleep 5 # let the windows open before the first sample
last_t=$(date +%s)
last_c=$(cpu_ticks)
last_g=$(gui_ticks)
echo "0,$(rss_kb),0,0" >>"$csv"
while kill -0 "$pid" 2>/dev/null; do
  sleep "$interval"
  kill -0 "$pid" 2>/dev/null || break
  now=$(date +%s)
  c=$(cpu_ticks) || break
  g=$(gui_ticks) || break
  r=$(rss_kb) || break
  echo "$((now - start)),$r,$(percent $((c - last_c)) $((now - last_t))),$(percent $((g - last_g)) $((now - last_t)))" >>"$csv"
  last_t=$now
  last_c=$c
  last_g=$g
done
wait "$pid" || true

awk -F, 'NR == 2 { first = $2 } NR > 2 { n++; cpu += $3; gui += $4 } NR > 1 { last = $2; t = $1 }
  END {
    if (NR < 3) { print "soak: too few samples"; exit }
    printf "soak: %d s, RSS %d kB at start, %d kB at end (%+d kB), mean CPU %.2f %% of a core " \
           "(GUI thread %.2f %%)\n", t, first, last, last - first, cpu / n, gui / n
  }' "$csv"
