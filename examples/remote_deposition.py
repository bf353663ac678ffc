#!/usr/bin/python3
"""Drive one deposition of coflux from a script, through its remote interface with PyVISA.

Start coflux first, for example in simulation and without a window:

    coflux --headless --remote 5025 --remote-control

then run this script (Debian: apt-get install python3-pyvisa python3-pyvisa-py):

    /usr/bin/python3 remote_deposition.py [HOST] [PORT] [SETUP]

It opens the setup file SETUP of coflux's program folder (default "Default.dat"), puts output 1
under rate control at 5 A/s up to 0.5 kA, starts, prints the readings every second until the
thickness setpoint stops the deposition, and prints the final thickness.
"""

import sys
import time

import pyvisa

host = sys.argv[1] if len(sys.argv) > 1 else "127.0.0.1"
port = int(sys.argv[2]) if len(sys.argv) > 2 else 5025
setup = sys.argv[3] if len(sys.argv) > 3 else "Default.dat"

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


print(coflux.query("*IDN?"))
send("*CLS")
send(f'MMEM:LOAD "{setup}"')
send("OUTP:MODE 1,AUTO")
send("OUTP:RATE 1,5")
send("OUTP:THIC 1,0.5")
send("PROC:STAR")

while coflux.query("PROC:STAT?") != "STOP":
    rate, thickness, power = (float(v) for v in coflux.query("MEAS:OUTP? 1").split(","))
    print(f"rate {rate:6.2f} A/s   thickness {thickness:7.4f} kA   power {power:5.1f} %")
    time.sleep(1.0)

rate, thickness, power = (float(v) for v in coflux.query("MEAS:OUTP? 1").split(","))
print(f"deposition stopped at {thickness:.4f} kA")
coflux.close()
