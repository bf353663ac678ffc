#!/usr/bin/python3
"""A real client of the remote interface: PyVISA (pyvisa-py backend) against a running program.

    pyvisa_remote_test.py coflux PROGRAM    (coflux --headless, with and without --remote-control)
    pyvisa_remote_test.py monitor PROGRAM   (tlvmonitor: measurement queries only)
    pyvisa_remote_test.py round-trip PROGRAM [COUNT]   (prints the round-trip time of MEAS:OUTP? 1, MEAS:SENS? 1 for tlvmonitor)
    pyvisa_remote_test.py signal PROGRAM    (coflux --headless on an emulated card, ended by SIGHUP)
    pyvisa_remote_test.py alarms PROGRAM    (coflux --headless: alarms raised, listed, acknowledged, cleared)

Each run gets a program folder and user settings of its own and a free loopback port (the
program picks it and prints it). Exit status 0 when every check holds.
"""

import csv
import os
import re
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

import pyvisa

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import realrun  # noqa: E402

FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAIL:", what, flush=True)


class Program:
    """Starts the program, reads the port from its first line and stops it at the end."""

    def __init__(self, command, home, extra_env=None):
        env = dict(os.environ)
        env.update({
            "QT_QPA_PLATFORM": "offscreen",
            "TLV880_HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, "config"),
            "XDG_DATA_HOME": os.path.join(home, "data"),
            "XDG_RUNTIME_DIR": home,
            "TLV880_DRIVER": env.get("TLV880_DRIVER", "none"),
        })
        env.update(extra_env or {})
        # Logs named without a folder land in the run's own folder.
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        env=env, text=True, cwd=home)
        line = self.process.stdout.readline()
        match = re.fullmatch(r"Remote interface on 127\.0\.0\.1:(\d+)\n", line)
        if not match:
            self.process.kill()
            raise SystemExit("program did not report its remote interface: %r %s"
                             % (line, self.process.stderr.read()))
        self.port = int(match.group(1))

    def stop(self, sig=signal.SIGTERM):
        """Sends `sig`; returns the exit status. The standard error is kept in self.err."""
        if self.process.poll() is None:
            self.process.send_signal(sig)
        try:
            _, self.err = self.process.communicate(timeout=30)
            return self.process.returncode
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.err = ""
            return "hung"


def open_client(manager, port, timeout_ms=10000):
    client = manager.open_resource("TCPIP::127.0.0.1::%d::SOCKET" % port,
                                   read_termination="\n", write_termination="\n")
    client.timeout = timeout_ms
    return client


def error_code(client):
    return int(client.query("SYST:ERR?").split(",")[0])


def check_error(client, line, code):
    client.write(line)
    got = error_code(client)
    check(got == code, "%r gives %d, got %d" % (line, code, got))


def check_common(manager, port, model):
    """Identity, syntax errors, the line limit, the queue and the client limit."""
    client = open_client(manager, port)
    identity = client.query("*IDN?").split(",")
    check(identity[:3] == ["TLV880", model, "0"] and re.fullmatch(r"\d+\.\d+\.\d+", identity[3]),
          "identity %r" % identity)
    check(client.query("*OPC?") == "1", "*OPC? answers 1")
    check(client.query("SYST:ERR?") == '0,"No error"', "no error at first")
    values = client.query("MEAS:SENS? 1").split(",")
    check(len(values) == 3 and all(re.fullmatch(r"-?\d+(\.\d+)?", v) for v in values),
          "sensor reading in plain decimal: %r" % values)

    check_error(client, "FOO:BAR", -113)
    check_error(client, "MEAS:SENS?", -109)
    check_error(client, "MEAS:SENS? 25", -222)
    check_error(client, "MEAS:SENS? one", -102)
    check_error(client, "MEAS:SENS 1 2 3 !", -102)

    # An over-long line is refused and discarded up to its end; the next line is served.
    client.write("MEAS:SENS? 1," + "9" * 2000)
    check(error_code(client) == -102, "over-long line gives -102")
    check(client.query("*OPC?") == "1", "served after an over-long line")

    # The queue keeps 16 errors, the last replaced by -350.
    for _ in range(20):
        client.write("NOPE")
    codes = [error_code(client) for _ in range(17)]
    check(codes == [-113] * 15 + [-350, 0], "queue overflow: %r" % codes)
    client.write("NOPE")
    client.write("*CLS")
    check(error_code(client) == 0, "*CLS clears the queue")

    # Four clients at once; a fifth is closed at once.
    others = [open_client(manager, port) for _ in range(3)]
    for other in others:
        check(other.query("*OPC?") == "1", "clients 2 to 4 are served")
    fifth = open_client(manager, port, timeout_ms=3000)
    try:
        fifth.query("*IDN?")
        check(False, "a fifth client is refused")
    except (pyvisa.errors.VisaIOError, OSError, ConnectionError):
        pass
    fifth.close()
    check(client.query("*OPC?") == "1", "the four stay served")
    for other in others:
        other.close()

    # Four clients that close and connect again at once find their places free.
    client.close()
    refused = 0
    for _ in range(20):
        group = [open_client(manager, port, timeout_ms=3000) for _ in range(4)]
        for member in group:
            try:
                refused += member.query("*OPC?") != "1"
            except (pyvisa.errors.VisaIOError, OSError, ConnectionError):
                refused += 1
        for member in group:
            member.close()
    check(refused == 0, "clients reconnecting at once are served: %d refused" % refused)
    return open_client(manager, port)


def poll(client, query, until, limit_s):
    """Asks `query` until `until(answer)` holds; the limit only ends a run that never gets there."""
    deadline = time.monotonic() + limit_s
    answer = client.query(query)
    while not until(answer) and time.monotonic() < deadline:
        time.sleep(0.1)
        answer = client.query(query)
    return answer


SETUP = """[Card]
LogEnabled=0
Filter=4
Period=.25
FMax=6100000
FMin=5000000
FInit=6000000
Simulate=1
[OUTPUT1]
Mode=0
Name=Silver
Input=1
Thick=1.000
Rate=5.00
PTerm=100.0
ITerm=1.0
DTerm=0.0
FullScale=10.0
MaxPwr=100.0
SlewRate=100.0
RecScale=0
XOut=-1
[OUTPUT2]
Mode=2
Name=Copper
Input=4
Rate=3.00
FullScale=10.0
MaxPwr=50.0
SlewRate=100.0
"""

# Files that MMEM:LOAD must refuse, each with the words of its refusal.
REFUSED_SETUPS = {
    "Binary.dat": (b"[Card]\nPeriod=\x00\x01\x02\x00\x00\x00\n" * 8, "not a text file"),
    "Huge.dat": (b"[Card]\n" + b"; padding\n" * 460000, "4 MB"),
    "Nosection.dat": (b"Period=.25\nFilter=4\n", "it has no section"),
    "tlvmonitor.dat": (b"[Setup]\nPeriod=.5\nNumSensors=4\n", "is not a coflux setup file"),
}


# A tiny recipe for output 1 of SETUP: rate control at once, a short shutter delay and two
# seconds of deposit, so a remote run adds only a few seconds to the test.
RECIPE = """[RECIPE]
Name=Remote film
Layers=1
[LAYER1]
Name=Film
Outputs=1
EndTime=2
ShutterTolerance=50
ShutterHold=0.5
ShutterTimeout=120
[LAYER1 OUTPUT1]
Rate=5
IdleTime=0.5
"""

STATUS = re.compile(r'(NONE|LOADED|RUNNING|COMPLETE|FAILED|ABORTED),(\d+),"([^"]*)","([^"]*)",'
                    r'(\d+(?:\.\d+)?),"(.*)"')


def recipe_status(client):
    answer = client.query("PROC:REC:STAT?")
    match = STATUS.fullmatch(answer)
    check(match is not None, "PROC:REC:STAT? answer %r" % answer)
    return match.groups() if match else ("?", "0", "", "", "0", "")


def check_remote_recipe(client):
    """Load, refusals, start, poll STAT? to the end; then a second run aborted remotely."""
    check(recipe_status(client)[0] == "NONE", "no recipe at first")
    for name in ["../Film.rcp", "/etc/passwd", "Missing.rcp", "folder.dat"]:
        check_error(client, 'PROC:REC:LOAD "%s"' % name, -256)
    client.write('PROC:REC:LOAD "Bad.rcp"')
    error = client.query("SYST:ERR?")
    check(error.startswith('-222,"Data out of range; Bad.rcp: layer 1'), "bad recipe: %r" % error)
    check_error(client, "PROC:REC:STAR", -221)
    check_error(client, 'PROC:REC:LOAD "Film.rcp"', 0)
    check(recipe_status(client)[:2] == ("LOADED", "0"), "loaded")
    check_error(client, "PROC:REC:STAR", 0)
    check(client.query("PROC:STAT?") == "RUN", "the recipe runs the deposition")
    check_error(client, "PROC:REC:STAR", -221)
    seen = set()
    deadline = time.monotonic() + 300  # ends a run that never gets there
    status = recipe_status(client)
    while status[0] == "RUNNING" and time.monotonic() < deadline:
        seen.add(status[3])
        time.sleep(0.1)
        status = recipe_status(client)
    state, layer, name, phase, elapsed, message = status
    check(state == "COMPLETE", "the recipe completes: %r" % (status,))
    check((layer, name, message) == ("1", "Film", "Recipe complete."), "final status %r" % (status,))
    check(float(elapsed) >= 2.0, "elapsed covers the deposit: %s" % elapsed)
    check({"Shutter delay", "Deposit"} <= seen | {phase}, "phases seen: %r" % seen)

    # A completed recipe leaves its outputs at their idle power, the deposition running: a new
    # run needs a stop first.
    check(client.query("PROC:STAT?") == "RUN", "idle power holds after the recipe")
    check_error(client, "PROC:REC:STAR", -221)
    check_error(client, "PROC:STOP", 0)

    # Again, aborted remotely once its first layer has begun: every output to power 0.
    check_error(client, "PROC:REC:STAR", 0)
    poll(client, "PROC:REC:STAT?", lambda a: not a.startswith(("RUNNING,0,", "LOADED")), 300)
    check_error(client, "PROC:REC:ABOR", 0)
    status = recipe_status(client)
    check(status[0] == "ABORTED" and status[5] == "Recipe aborted by a remote client.",
          "aborted: %r" % (status,))
    check(client.query("PROC:STAT?") == "STOP", "the abort stops the deposition")
    answer = poll(client, "MEAS:OUTP? 1", lambda a: float(a.split(",")[2]) == 0.0, 30)
    check(float(answer.split(",")[2]) == 0.0, "output 1 at power 0 after the abort: %s" % answer)
    check_error(client, "PROC:REC:ABOR", -221)


def check_remote_tuning(client):
    """A loop tuning run of output 1 started, followed, read and applied remotely."""
    check_error(client, "OUTP:TUNE:STAR 1,2,NORM", -221)  # the deposition is stopped
    check(client.query("OUTP:TUNE:STAT? 1") == 'IDLE,""', "no run yet")
    check_error(client, "OUTP:TUNE:RES? 1", -221)
    check_error(client, "OUTP:TUNE:APPL 1", -221)
    for line in ["OUTP:MODE 1,MAN", "OUTP:POW 1,48", "OUTP:THIC 1,100", "PROC:STAR"]:
        check_error(client, line, 0)
    check_error(client, "OUTP:TUNE:STAR 1,2,WILD", -222)
    check_error(client, "OUTP:TUNE:STAR 1,80,NORM", -222)
    check_error(client, "OUTP:TUNE:STAR 1,2,NORM", 0)
    check(client.query("OUTP:TUNE:STAT? 1").startswith("RUNNING,"), "the run is going")
    check_error(client, "OUTP:TUNE:STAR 1,2,NORM", -221)  # one run at a time
    state = poll(client, "OUTP:TUNE:STAT? 1", lambda a: not a.startswith("RUNNING,"), 120)
    check(state.startswith("DONE,"), "the run found terms: %r" % state)
    values = [float(v) for v in client.query("OUTP:TUNE:RES? 1").split(",")]
    check(len(values) == 14 and values[0] > 0 and values[3] > 0.8 and values[5] > 0,
          "model, terms and predictions: %r" % values)
    check(float(client.query("OUTP:POW? 1")) == 48.0, "the manual power is back")
    check_error(client, "OUTP:TUNE:APPL 1", 0)
    check_error(client, "PROC:STOP", 0)


def check_materials(client):
    """The material list, one material's numbers, a sensor's film set and read by name."""
    names = [n.replace('""', '"') for n in re.findall(r'"((?:[^"]|"")*)"', client.query("MAT:CAT?"))]
    check(len(names) >= 100 and {"Aluminium", "Silver", "Magnesium fluoride"} <= set(names),
          "MAT:CAT? lists the table: %d names" % len(names))
    check(client.query('MAT:DATA? "aluminium"') == '"Aluminium","Al",2.7,1.08,1',
          "MAT:DATA? of aluminium")
    check(client.query('MAT:DATA? "Silicon nitride"').endswith(",1,0"),
          "an unknown Z-ratio is 1 and marked")
    check_error(client, 'MAT:DATA? "Unobtainium"', -222)
    check(client.query("SENS:MAT? 2") == '"",10,1', "sensor 2 names no film at first")
    check_error(client, 'SENS:MAT 2,"Magnesium fluoride"', 0)
    check(client.query("SENS:MAT? 2") == '"Magnesium fluoride",3.18,0.637', "sensor 2's film")
    check_error(client, 'SENS:MAT 2,"Unobtainium"', -222)
    check(client.query("SENS:MAT? 2") == '"Magnesium fluoride",3.18,0.637',
          "a refused name changes nothing")
    check_error(client, 'SENS:MAT 9,"Gold"', -222)
    check_error(client, 'SENS:MAT 25,"Gold"', -222)
    check_error(client, "SENS:MAT 2,Gold", -102)


def run_coflux(manager, program_path):
    home = tempfile.mkdtemp(prefix="coflux-remote-")
    try:
        with open(os.path.join(home, "Remote.dat"), "w") as f:
            f.write(SETUP)
        with open(os.path.join(home, "Film.rcp"), "w") as f:
            f.write(RECIPE)
        with open(os.path.join(home, "Bad.rcp"), "w") as f:
            f.write(RECIPE.replace("Rate=5", "Rate=5000"))
        os.makedirs(os.path.join(home, "folder.dat"))
        program = Program([program_path, "--headless", "--remote", "127.0.0.1:0",
                           "--remote-control"], home)
        client = check_common(manager, program.port, "COFLUX")

        # Setup files: bare names of the program's folder only.
        for name in ["../Remote.dat", "/etc/passwd", "sub/Remote.dat", "..", "folder.dat",
                     "Missing.dat"]:
            check_error(client, 'MMEM:LOAD "%s"' % name, -256)
        check_error(client, 'MMEM:LOAD "Remote.dat"', 0)
        check_materials(client)
        check_refusals(client, home)

        # A whole deposition: modes and setpoints, start, the thickness trip, the final reading.
        for line in ["OUTP:MODE 1,AUTO", "OUTP:RATE 1,10", "OUTP:THIC 1,0.05"]:
            check_error(client, line, 0)
        check(client.query("OUTP:MODE? 1") == "AUTO", "mode reads back")
        check(float(client.query("OUTP:RATE? 1")) == 10.0, "rate reads back")
        check(float(client.query("OUTP:THIC? 1")) == 0.05, "thickness setpoint reads back")
        check_error(client, "OUTP:RATE 1,100000", -222)
        check_error(client, "PROC:HOLD", -221)
        check_error(client, "PROC:RES", -221)
        check_error(client, "PROC:STAR", 0)
        check(client.query("PROC:STAT?") == "RUN", "running after PROC:STAR")
        check_error(client, "PROC:STAR", -221)
        check_error(client, 'MMEM:LOAD "Remote.dat"', -221)
        state = poll(client, "PROC:STAT?", lambda a: a == "STOP", 300)
        check(state == "STOP", "the thickness trip stops the deposition")
        rate, thickness, power = (float(v) for v in client.query("MEAS:OUTP? 1").split(","))
        check(thickness >= 0.05, "final thickness %g reaches the setpoint" % thickness)
        # The trip sent power 0; the next readings show it.
        answer = poll(client, "MEAS:OUTP? 1", lambda a: float(a.split(",")[2]) == 0.0, 30)
        check(float(answer.split(",")[2]) == 0.0, "output at power 0 after the trip: %s" % answer)
        check(error_code(client) == 0, "no error left")
        check_remote_recipe(client)
        check(error_code(client) == 0, "no error left after the recipes")
        check_remote_tuning(client)
        check(error_code(client) == 0, "no error left after the tuning run")
        # A recipe still running when the server is stopped ends as aborted.
        check_error(client, "PROC:REC:STAR", 0)
        client.close()
        status = program.stop()
        check(status == 0, "SIGTERM ends the headless program with 0, got %r" % status)
        with open(os.path.join(home, "TLV880-recipe.log")) as f:
            last = f.read().splitlines()[-1]
        check(last.endswith("  Recipe aborted (the remote server stopped)."),
              "the progress log ends with the abort: %r" % last)

        # Without --remote-control every change is protected; queries still answer.
        program = Program([program_path, "--headless", "--remote", "127.0.0.1:0"], home)
        client = open_client(manager, program.port)
        for line in ["PROC:STAR", "OUTP:MODE 1,OFF", "OUTP:RATE 1,1", "OUTP:POW 1,5",
                     "PROC:ZERO ALL", 'MMEM:LOAD "Remote.dat"', 'PROC:REC:LOAD "Film.rcp"',
                     "PROC:REC:STAR", "PROC:REC:ABOR", 'SENS:MAT 1,"Gold"',
                     "OUTP:TUNE:STAR 1,2,NORM", "OUTP:TUNE:APPL 1"]:
            check_error(client, line, -203)
        check(client.query('MAT:DATA? "Gold"') == '"Gold","Au",19.3,0.381,1',
              "the material list answers without control")
        check(client.query("OUTP:TUNE:STAT? 1") == 'IDLE,""', "queries still answer")
        check(client.query("PROC:STAT?") == "STOP", "nothing started")
        check(client.query("PROC:REC:STAT?").startswith("NONE,"), "no recipe loaded")
        client.close()
        check(program.stop() == 0, "second run ends with 0")
    finally:
        shutil.rmtree(home, ignore_errors=True)


def check_refusals(client, home):
    """A refused load or power is an error on the queue; the setup stays as it was."""
    for name, (content, words) in REFUSED_SETUPS.items():
        with open(os.path.join(home, name), "wb") as f:
            f.write(content)
        client.write('MMEM:LOAD "%s"' % name)
        error = client.query("SYST:ERR?")
        check(error.startswith('-256,"') and words in error and home not in error,
              "MMEM:LOAD %s is refused with its reason: %r" % (name, error))
        check(float(client.query("OUTP:RATE? 1")) == 5.0, "the setup stays after %s" % name)
        check(client.query("OUTP:MODE? 2") == "MAN", "output 2 stays manual after %s" % name)
    # Output 2's maximum power is 50 %: 80 is refused with that limit and never reads back.
    check_error(client, "OUTP:POW 2,20", 0)
    client.write("OUTP:POW 2,80")
    error = client.query("SYST:ERR?")
    check(error.startswith('-222,"') and "between 0 and 50" in error,
          "a power above the output's maximum is refused with it: %r" % error)
    check(float(client.query("OUTP:POW? 2")) == 20.0, "the power stays 20: %s"
          % client.query("OUTP:POW? 2"))
    check_error(client, "OUTP:POW 2,50", 0)
    check_error(client, "OUTP:POW 2,20", 0)


def output_words(trace):
    """The values written to card 0's output register (0x08), in order."""
    return realrun.output_words(trace, ("08",)).get(("0", "08"), [])


def run_signal(manager, program_path):
    """A deposition driven remotely on an emulated card, ended by SIGHUP (a closed SSH session):
    every output at power 0 at the card, status 0, the signal named on standard error."""
    home = tempfile.mkdtemp(prefix="coflux-signal-")
    try:
        with open(os.path.join(home, "Default.dat"), "w") as f:
            f.write(SETUP.replace("Simulate=1", "Simulate=0"))
        trace = os.path.join(home, "trace")
        program = Program([program_path, "--headless", "--remote", "127.0.0.1:0",
                           "--remote-control"], home,
                          {"TLV880_DRIVER": "emulated", "TLV880_EMU_CARDS": "id=1F,fw=300",
                           "TLV880_EMU_TRACE": trace})
        client = open_client(manager, program.port)
        for line in ["OUTP:MODE 1,MAN", "OUTP:POW 1,40", "PROC:STAR"]:
            check_error(client, line, 0)
        answer = poll(client, "MEAS:OUTP? 1", lambda a: float(a.split(",")[2]) > 30, 60)
        check(float(answer.split(",")[2]) > 30, "output 1 driven: %s" % answer)
        with open(trace) as f:
            check(any(output_words(f.read())), "a power word reached the card")
        status = program.stop(signal.SIGHUP)
        check(status == 0, "SIGHUP ends the headless program with 0, got %r" % status)
        check("coflux: ended by SIGHUP." in program.err.splitlines(),
              "standard error names SIGHUP: %r" % program.err)
        with open(trace) as f:
            words = output_words(f.read())
        check(words and words[-1] == 0, "the last power word at the card is 0: %r" % words[-3:])
        client.close()
    finally:
        shutil.rmtree(home, ignore_errors=True)


def run_monitor(manager, program_path):
    home = tempfile.mkdtemp(prefix="monitor-remote-")
    try:
        program = Program([program_path, "--remote", "127.0.0.1:0"], home)
        client = check_common(manager, program.port, "TLVMONITOR")
        check(client.query("PROC:STAT?") == "STOP", "the monitor waits stopped")
        check_error(client, "PROC:STAR", -113)
        check_error(client, "MEAS:OUTP? 1", -113)
        check(len(re.findall(r'"[^"]+"', client.query("MAT:CAT?"))) >= 100, "the monitor lists materials")
        check(client.query("SENS:MAT? 1") == '"",10,1', "the monitor's sensor 1 film")
        check_error(client, 'SENS:MAT 1,"Gold"', -113)
        # Its alarms: listed, and acknowledging protected without --remote-control.
        check(client.query("ALAR:ACT?") == "0", "no alarm while the monitor waits")
        check(client.query("ALAR:COUN?") == "0,0", "no alarm counted")
        check_error(client, "ALAR:ACK ALL", -203)
        client.close()
        program.stop()
        program = Program([program_path, "--remote", "127.0.0.1:0", "--remote-control"], home)
        client = open_client(manager, program.port)
        check_error(client, "ALAR:ACK ALL", 0)
        check_error(client, "ALAR:ACK 1", -222)
        check_error(client, "PROC:STAR", -113)  # still nothing else changes
        client.close()
        program.stop()
    finally:
        shutil.rmtree(home, ignore_errors=True)


# Output 1 under rate control at 10 A/s but held to 5 % power (5 A/s in simulation): the loop
# sits at its maximum and the rate stays out of its tolerance (warning after 1 s, alarm after 2 s).
ALARM_SETUP = SETUP.replace("LogEnabled=0", "LogEnabled=0\nRateWarnAfter=1\nRateAlarmAfter=2") \
    .replace("Mode=0\nName=Silver", "Mode=3\nName=Silver") \
    .replace("Rate=5.00", "Rate=10.00", 1).replace("MaxPwr=100.0", "MaxPwr=5.0", 1)


def alarm_list(client):
    """ALAR:ACT? as a list of (id, state, level, raised, condition, source, text)."""
    fields = next(csv.reader([client.query("ALAR:ACT?")]))
    count = int(fields[0])
    check(len(fields) == 1 + 7 * count, "ALAR:ACT? has 7 fields per alarm: %r" % fields)
    return [tuple(fields[1 + 7 * i:8 + 7 * i]) for i in range(count)]


def run_alarms(manager, program_path):
    """A rate loop that cannot hold its rate raises the rate and maximum-power alarms; a client
    lists them, acknowledges one and all, and sees them clear once the deposition stops."""
    home = tempfile.mkdtemp(prefix="coflux-alarms-")
    try:
        with open(os.path.join(home, "Alarm.dat"), "w") as f:
            f.write(ALARM_SETUP)
        program = Program([program_path, "--headless", "--remote", "127.0.0.1:0",
                           "--remote-control"], home)
        client = open_client(manager, program.port)
        check(client.query("ALAR:ACT?") == "0", "no alarm before the run")
        check(client.query("ALAR:COUN?") == "0,0", "nothing to count before the run")
        check_error(client, 'MMEM:LOAD "Alarm.dat"', 0)
        check_error(client, "PROC:STAR", 0)
        answer = poll(client, "ALAR:COUN?", lambda a: a == "2,2", 60)
        check(answer == "2,2", "the rate and power alarms are raised: %s" % answer)
        alarms = {a[4]: a for a in alarm_list(client)}
        check(set(alarms) == {"rate", "power"}, "rate and power alarms: %r" % alarms)
        for alarm in alarms.values():
            check(alarm[1] == "ACTIVE" and alarm[5] == "Output 1", "active on output 1: %r"
                  % (alarm,))
            check(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d", alarm[3]),
                  "raised at the instrument's time: %r" % alarm[3])
        # The power alarm takes 5 s, the rate alarm 2 s: by now the warning is an alarm.
        check(alarms["rate"][2] == "ALARM", "the rate warning became an alarm: %r"
              % (alarms["rate"],))
        check("maximum power (5 %)" in alarms.get("power", ("",) * 7)[6],
              "the power alarm names the maximum: %r" % (alarms.get("power"),))

        check_error(client, "ALAR:ACK %s" % alarms["power"][0], 0)
        states = {a[4]: a[1] for a in alarm_list(client)}
        check(states == {"rate": "ACTIVE", "power": "ACKNOWLEDGED"},
              "one acknowledged, one still active: %r" % states)
        check_error(client, "ALAR:ACK 999", -222)
        check_error(client, "ALAR:ACK ALL", 0)
        check(client.query("ALAR:COUN?") == "2,0", "every alarm acknowledged, both still open")

        check_error(client, "PROC:STOP", 0)
        check(client.query("ALAR:ACT?") == "0", "their causes went with the stop")
        client.close()
        check(program.stop() == 0, "the alarm run ends with 0")
        with open(os.path.join(home, "coflux-alarms.log")) as f:
            changes = [line.split("\t")[2] for line in f.read().splitlines()]
        check(changes.count("raised") >= 2 and changes.count("acknowledged") == 2
              and changes.count("cleared") == 2, "the alarm log keeps every change: %r" % changes)

        # Without --remote-control acknowledging is protected like every change.
        program = Program([program_path, "--headless", "--remote", "127.0.0.1:0"], home)
        client = open_client(manager, program.port)
        check_error(client, "ALAR:ACK ALL", -203)
        check(client.query("ALAR:COUN?") == "0,0", "the count answers without control")
        client.close()
        check(program.stop() == 0, "the protected run ends with 0")
    finally:
        shutil.rmtree(home, ignore_errors=True)


def run_round_trip(manager, program_path, count):
    home = tempfile.mkdtemp(prefix="remote-timing-")
    monitor = "monitor" in os.path.basename(program_path)
    query = "MEAS:SENS? 1" if monitor else "MEAS:OUTP? 1"
    try:
        program = Program([program_path, "--remote", "127.0.0.1:0"] if monitor else
                          [program_path, "--headless", "--remote", "127.0.0.1:0"], home)
        client = open_client(manager, program.port)
        times = []
        for _ in range(count):
            start = time.perf_counter()
            client.query(query)
            times.append(time.perf_counter() - start)
        times.sort()
        print("%s round trip over %d queries: median %.3f ms, p99 %.3f ms, max %.3f ms"
              % (query, count, statistics.median(times) * 1e3, times[int(0.99 * count) - 1] * 1e3,
                 times[-1] * 1e3))
        client.close()
        program.stop()
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    mode, program_path = sys.argv[1], sys.argv[2]
    manager = pyvisa.ResourceManager("@py")
    if mode == "coflux":
        run_coflux(manager, program_path)
    elif mode == "monitor":
        run_monitor(manager, program_path)
    elif mode == "signal":
        run_signal(manager, program_path)
    elif mode == "alarms":
        run_alarms(manager, program_path)
    elif mode == "round-trip":
        run_round_trip(manager, program_path, int(sys.argv[3]) if len(sys.argv) > 3 else 1000)
    else:
        raise SystemExit("unknown mode " + mode)
    if FAILURES:
        print("%d check(s) failed" % len(FAILURES))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
