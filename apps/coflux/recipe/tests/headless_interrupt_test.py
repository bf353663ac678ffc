#!/usr/bin/python3
"""The real coflux binary running a process recipe headless is ended by a signal mid-run.

    headless_interrupt_test.py COFLUX

Runs, each in a program folder and user settings of its own:
  - in simulation (the card library simulates its crystals), ended by SIGINT;
  - on an emulated card whose bus writes every register write to a trace file, ended by SIGINT,
    SIGHUP (a closed SSH session) and SIGQUIT.
Each starts `coflux --recipe Slow.rcp --headless`, waits until the data log shows output 1
driven above 1 % in pre-conditioning, sends the signal and then checks: exit status 3, "Recipe
aborted (interrupted)." and every output reported at power 0 on standard output and in the
progress log, the signal named on standard error; on the emulated card the last power word
written to the card is 0. The deadlines
only end a run that hangs; no verdict waits on the clock.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "..",
                                "tests", "support"))
from realrun import SLOW_RECIPE, check, output_words, read, verdict  # noqa: E402

DEADLINE_S = 120  # generous: a loaded 2-core machine

SETUP = """[Card]
LogEnabled=1
LogFile=run.log
Filter=1
Period=.25
FMax=6100000
FMin=5000000
FInit=6000000
Simulate={simulate}
[OUTPUT1]
Mode=0
Name=Silver
Input=1
Thick=1.000
Rate=5.00
PTerm=100.0
ITerm=1.0
FullScale=10.0
MaxPwr=100.0
SlewRate=100.0
"""

def wait_until(condition, what):
    deadline = time.monotonic() + DEADLINE_S
    while not condition():
        if time.monotonic() > deadline:
            check(False, "timed out waiting for " + what)
            return False
        time.sleep(0.1)
    return True


def highest_logged_power(log):
    """The highest power of output 1 in the data log's lines (time, name, thick, rate, power)."""
    best = 0.0
    for line in log.splitlines():
        fields = [f.strip() for f in line.split(",")]
        if len(fields) >= 5 and re.fullmatch(r"\d+:\d\d:\d\d", fields[0]):
            try:
                best = max(best, float(fields[4]))
            except ValueError:
                pass
    return best


def card_power_words(trace):
    """The values written to card 0's output power register (0x08), in order."""
    return output_words(trace, ("08",)).get(("0", "08"), [])


def run(program, emulated, sig=signal.SIGINT):
    name = ("emulated card" if emulated else "simulation") + ", " + sig.name
    home = tempfile.mkdtemp(prefix="coflux-interrupt-")
    try:
        with open(os.path.join(home, "Default.dat"), "w") as f:
            f.write(SETUP.format(simulate=0 if emulated else 1))
        with open(os.path.join(home, "Slow.rcp"), "w") as f:
            f.write(SLOW_RECIPE)
        env = dict(os.environ)
        env.update({
            "TLV880_HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, "config"),
            "XDG_DATA_HOME": os.path.join(home, "data"),
            "XDG_RUNTIME_DIR": home,
            "TLV880_DRIVER": "emulated" if emulated else "none",
        })
        env.pop("QT_QPA_PLATFORM", None)
        env.pop("DISPLAY", None)  # headless needs no display
        trace = os.path.join(home, "trace")
        if emulated:
            env.update({"TLV880_EMU_CARDS": "id=1E,fw=300", "TLV880_EMU_TRACE": trace})
        process = subprocess.Popen([program, "--recipe", "Slow.rcp", "--headless"], cwd=home,
                                   env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   text=True)
        data_log = os.path.join(home, "run.log")
        driven = wait_until(lambda: process.poll() is not None or
                            highest_logged_power(read(data_log)) >= 1.0,
                            name + ": output 1 driven above 1 %")
        check(process.poll() is None, name + ": still running before the interrupt")
        if emulated:
            check(any(card_power_words(read(trace))), name + ": a power word reached the card")
        process.send_signal(sig)
        try:
            out, err = process.communicate(timeout=DEADLINE_S)
        except subprocess.TimeoutExpired:
            process.kill()
            out, err = process.communicate()
            check(False, name + ": the program did not end after the signal")
        print("--- %s: exit %s\n%s%s" % (name, process.returncode, out, err), flush=True)
        check(driven, name + ": reached pre-conditioning")
        check(process.returncode == 3, name + ": exit status 3, got %r" % process.returncode)
        check("coflux: ended by %s." % sig.name in err.splitlines(),
              name + ": standard error names the signal")
        lines = out.splitlines()
        check("0:00:00  Layer 1 Film  Pre-conditioning" in lines, name + ": the phase line")
        check("Recipe aborted (interrupted)." in lines, name + ": the abort is reported")
        powers = [l for l in lines if l.startswith("Power after the stop: ")]
        check(len(powers) == 1, name + ": one line of powers after the stop")
        reported = re.findall(r"output (\d+) at (-?[\d.]+) %", powers[0] if powers else "")
        check(("1", "0.0") in reported, name + ": output 1 is reported: %r" % reported)
        check(reported and all(p == "0.0" for _, p in reported),
              name + ": every output at power 0: %r" % reported)
        progress = read(os.path.join(home, "run-recipe.log")).splitlines()
        check(len(progress) >= 2 and progress[-2].endswith("  Recipe aborted (interrupted).")
              and powers and progress[-1].endswith("  " + powers[0]),
              name + ": the progress log ends with the abort and the powers: %r" % progress[-2:])
        if emulated:
            words = card_power_words(read(trace))
            check(words and words[-1] == 0,
                  name + ": the last power word written to the card is 0: %r" % words[-3:])
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    program = os.path.abspath(sys.argv[1])
    run(program, emulated=False)
    for sig in (signal.SIGINT, signal.SIGHUP, signal.SIGQUIT):
        run(program, emulated=True, sig=sig)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
