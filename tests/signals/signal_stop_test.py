#!/usr/bin/python3
"""Every program and mode ends on a signal as the operator's Stop or Exit does.

    signal_stop_test.py COFLUX TLVMONITOR TLVMULTI

Each case runs the real program on an emulated card whose bus appends every register write to a
trace file, in a program folder and user settings of its own, waits until it drives (or at least
runs), sends one signal and checks: the documented exit status (not a death by the signal), a
line on standard error naming the signal, and that the last value written to each output
register of the card (0x08, and 0x14 for the analog outputs) is 0. A --run whose standard output
reader has gone reports the failed write and goes on until it is stopped. The deadlines only end
a run that hangs; no verdict waits on the clock.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
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
Simulate=0
[OUTPUT1]
Mode=3
Name=Silver
Input=1
Thick=50.000
Rate=5.00
PTerm=100.0
ITerm=1.0
FullScale=10.0
MaxPwr=100.0
SlewRate=100.0
[OUTPUT2]
Mode=3
Name=Copper
Input=4
Thick=50.000
Rate=3.00
PTerm=100.0
ITerm=1.0
FullScale=10.0
MaxPwr=100.0
SlewRate=100.0
"""

# The converter code of output 1 at 65 % (the card reports a firmware version: the code is
# negated), full scale 10 V.
STEP_CODE = -int(0.65 * 32760)


def first_output_codes(trace):
    """Codes written to output 1 (the high half of card 0's register 0x08)."""
    codes = set()
    for word in output_words(trace).get(("0", "08"), []):
        low = word & 0xFFFF
        low = low - 0x10000 if low & 0x8000 else low
        high = ((word - low) >> 16) & 0xFFFF
        codes.add(high - 0x10000 if high & 0x8000 else high)
    return codes


def driving(trace):
    return any(any(v) for v in output_words(trace).values())


class Case:
    def __init__(self, name, command, setup=True):
        self.name = name
        self.home = tempfile.mkdtemp(prefix="signal-stop-")
        self.trace = os.path.join(self.home, "trace")
        if setup:
            with open(os.path.join(self.home, "Run.dat"), "w") as f:
                f.write(SETUP)
            with open(os.path.join(self.home, "Default.dat"), "w") as f:
                f.write(SETUP)
            with open(os.path.join(self.home, "Slow.rcp"), "w") as f:
                f.write(SLOW_RECIPE)
        env = dict(os.environ)
        env.update({
            "TLV880_HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, "config"),
            "XDG_DATA_HOME": os.path.join(self.home, "data"),
            "XDG_RUNTIME_DIR": self.home,
            "TLV880_DRIVER": "emulated",
            "TLV880_EMU_CARDS": "id=1F,fw=300",
            "TLV880_EMU_TRACE": self.trace,
            "QT_QPA_PLATFORM": "offscreen",
        })
        self.command = command
        self.env = env

    def start(self, stdout=subprocess.PIPE):
        self.process = subprocess.Popen(self.command, cwd=self.home, env=self.env, stdout=stdout,
                                        stderr=subprocess.PIPE, text=True)

    def wait_until(self, condition, what):
        deadline = time.monotonic() + DEADLINE_S
        while not condition():
            if self.process.poll() is not None:
                return check(False, "%s: ended before %s" % (self.name, what))
            if time.monotonic() > deadline:
                return check(False, "%s: timed out waiting for %s" % (self.name, what))
            time.sleep(0.1)
        return True

    def stop(self, sig, status, stream_closed=False):
        self.process.send_signal(sig)
        try:
            out, err = self.process.communicate(timeout=DEADLINE_S)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
            check(False, "%s: the program did not end after %s" % (self.name, sig.name))
        print("--- %s: exit %s\n%s%s" % (self.name, self.process.returncode, out or "", err),
              flush=True)
        check(self.process.returncode == status,
              "%s: exit status %d, got %r" % (self.name, status, self.process.returncode))
        check(re.search(r"^\S+: ended by %s\b" % sig.name, err, re.M) is not None,
              "%s: standard error names %s" % (self.name, sig.name))
        words = output_words(read(self.trace))
        check(words, "%s: the card's outputs were written" % self.name)
        for (card, register), values in sorted(words.items()):
            check(values[-1] == 0, "%s: the last write of card %s register 0x%s is 0: %r"
                  % (self.name, card, register, values[-3:]))
        return out or "", err

    def finish(self):
        shutil.rmtree(self.home, ignore_errors=True)


def main():
    coflux, monitor, multi = (os.path.abspath(p) for p in sys.argv[1:4])
    run_traced = lambda c: driving(read(c.trace))

    # An unattended run: SIGTERM (kill) and SIGHUP (a closed SSH session) stop it with 3; the
    # log's last line is whole.
    for sig in (signal.SIGTERM, signal.SIGHUP):
        case = Case("--run --headless, " + sig.name,
                    [coflux, "--run", "Run.dat", "--headless", "--minutes", "10"])
        try:
            case.start()
            if case.wait_until(lambda: run_traced(case) and
                               read(os.path.join(case.home, "run.log")).count("\n") >= 3,
                               "the outputs to be driven and logged"):
                out, err = case.stop(sig, 3)
                check("Deposition started with Run.dat." in out, case.name + ": the start line")
                log = read(os.path.join(case.home, "run.log"))
                check(log.endswith("\n"), case.name + ": the last log line is complete")
            else:
                case.process.kill()
                case.process.communicate()
        finally:
            case.finish()

    # The reader of standard output has gone: the write error is reported, the run goes on and
    # still ends as stopped, not killed by SIGPIPE.
    case = Case("--run --headless, stdout closed", [coflux, "--run", "Run.dat", "--headless",
                                                      "--minutes", "10"])
    try:
        reader, writer = os.pipe()
        os.close(reader)
        case.start(stdout=writer)
        os.close(writer)
        if case.wait_until(lambda: run_traced(case), "the outputs to be driven"):
            _, err = case.stop(signal.SIGTERM, 3)
            check("coflux: standard output cannot be written: Broken pipe" in err,
                  case.name + ": the failed write is reported")
        else:
            case.process.kill()
            case.process.communicate()
    finally:
        case.finish()

    # A tuning run, SIGTERM while the power step is out: the step ends, the deposition is
    # stopped (every output to 0) with 3, and the setup file is not written.
    case = Case("--tune --headless, SIGTERM during the step",
                [coflux, "--tune", "1", "Run.dat", "--headless", "--power", "60", "--step", "5"])
    try:
        case.start()
        if case.wait_until(lambda: STEP_CODE in first_output_codes(read(case.trace)),
                           "the power step to be out"):
            out, err = case.stop(signal.SIGTERM, 3)
            check("Deposition started with Run.dat." in out, case.name + ": the start line")
            check(read(os.path.join(case.home, "Run.dat")) == SETUP,
                  case.name + ": the setup file is left as it was")
        else:
            case.process.kill()
            case.process.communicate()
    finally:
        case.finish()

    # A recipe in the window: SIGTERM aborts it and closes the window as Exit does (status 0);
    # the setup file is not rewritten.
    case = Case("--recipe window, SIGTERM", [coflux, "--recipe", "Slow.rcp"])
    try:
        case.start()
        if case.wait_until(lambda: run_traced(case), "the outputs to be driven"):
            case.stop(signal.SIGTERM, 0)
            check(read(os.path.join(case.home, "Default.dat")) == SETUP,
                  case.name + ": the setup file is left as it was")
        else:
            case.process.kill()
            case.process.communicate()
    finally:
        case.finish()

    # The monitor's window and remote server: SIGTERM closes it with 0.
    case = Case("tlvmonitor --remote, SIGTERM", [monitor, "--remote", "127.0.0.1:0"], setup=False)
    try:
        case.start()
        line = case.process.stdout.readline()
        check(line.startswith("Remote interface on 127.0.0.1:"), case.name + ": listening")
        if case.wait_until(lambda: output_words(read(case.trace)), "the card to be started"):
            case.stop(signal.SIGTERM, 0)
    finally:
        case.finish()

    # tlvmulti: SIGQUIT closes it with 0 after every output went to 0.
    case = Case("tlvmulti, SIGQUIT", [multi], setup=False)
    try:
        case.start()
        if case.wait_until(lambda: output_words(read(case.trace)), "the card to be started"):
            case.stop(signal.SIGQUIT, 0)
    finally:
        case.finish()

    return verdict()


if __name__ == "__main__":
    sys.exit(main())
