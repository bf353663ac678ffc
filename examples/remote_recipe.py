#!/usr/bin/python3
"""Run a process recipe of coflux from a script, through its remote interface with PyVISA.

Start coflux first, for example in simulation and without a window:

    coflux --headless --remote 5025 --remote-control

then run this script (Debian: apt-get install python3-pyvisa python3-pyvisa-py):

    /usr/bin/python3 remote_recipe.py [HOST] [PORT] [RECIPE]

It loads the recipe file RECIPE of coflux's program folder (default "Example.rcp"), starts it,
prints the layer, phase and elapsed time whenever they change, and ends with the run's last
message. Ctrl+C aborts the recipe (every output to power 0). The exit status is 0 when the
recipe completed.
"""

import re
import sys
import time

import pyvisa

host = sys.argv[1] if len(sys.argv) > 1 else "127.0.0.1"
port = int(sys.argv[2]) if len(sys.argv) > 2 else 5025
recipe = sys.argv[3] if len(sys.argv) > 3 else "Example.rcp"

# <state>,<layer>,"<layer name>","<phase>",<elapsed>,"<message>"
STATUS = re.compile(r'([A-Z]+),(\d+),"((?:[^"]|"")*)","((?:[^"]|"")*)",([\d.]+),"((?:[^"]|"")*)"')

rm = pyvisa.ResourceManager("@py")
coflux = rm.open_resource(f"TCPIP::{host}::{port}::SOCKET",
                          read_termination="\n", write_termination="\n")
coflux.timeout = 5000  # ms


def send(command):
    """Sends a command and raises if coflux refused it (the error queue says why)."""
    coflux.write(command)
    error = coflux.query("SYST:ERR?")
    if not error.startswith("0,"):
        raise RuntimeError(f"{command}: {error}")


def status():
    state, layer, name, phase, elapsed, message = STATUS.fullmatch(
        coflux.query("PROC:REC:STAT?")).groups()
    return state, int(layer), name.replace('""', '"'), phase, float(elapsed), \
        message.replace('""', '"')


send("*CLS")
send(f'PROC:REC:LOAD "{recipe}"')
send("PROC:REC:STAR")
shown = None
try:
    state, layer, name, phase, elapsed, message = status()
    while state == "RUNNING":
        if (layer, phase) != shown:
            print(f"{elapsed:8.1f} s  layer {layer} {name}  {phase}")
            shown = (layer, phase)
        time.sleep(0.5)
        state, layer, name, phase, elapsed, message = status()
except KeyboardInterrupt:
    send("PROC:REC:ABOR")
    state, layer, name, phase, elapsed, message = status()

print(f"{elapsed:8.1f} s  {message}")
if state == "COMPLETE":
    send("PROC:STOP")  # the outputs held their idle power; the deposition ends here
coflux.close()
sys.exit(0 if state == "COMPLETE" else 1)
