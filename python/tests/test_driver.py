#!/usr/bin/python3
"""The PyMeasure driver against the real programs: coflux --headless --remote-control and
tlvmonitor --remote, each started on a free loopback port with a folder of its own.

    TLV_COFLUX=build/default/bin/coflux TLV_TLVMONITOR=build/default/bin/tlvmonitor \\
        /usr/bin/python3 python/tests/test_driver.py
"""

import math
import os
import re
import shutil
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path[:0] = [os.path.join(ROOT, "python"), os.path.join(ROOT, "python", "examples"),
                os.path.join(ROOT, "tests", "remote")]

from pymeasure.adapters import VISAAdapter  # noqa: E402
from pymeasure.experiment import Results  # noqa: E402

import tlv880  # noqa: E402
from tlv880 import Coflux, Tlv880Error, TlvMonitor, resource_name  # noqa: E402
import deposition_procedure  # noqa: E402
from deposition_procedure import DepositionProcedure  # noqa: E402
from pyvisa_remote_test import RECIPE, SETUP, Program  # noqa: E402

# Only ends a run that never gets there; the verdicts never rest on it.
LIMIT_S = 120


class RecordingAdapter(VISAAdapter):
    """The real VISA adapter, keeping every line it sends."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.sent = []

    def write(self, command):
        self.sent.append(command)
        super().write(command)

    def ask(self, command):
        self.sent.append(command)
        return super().ask(command)


def connect(kind, port):
    adapter = RecordingAdapter(resource_name("127.0.0.1", port), visa_library="@py",
                               read_termination="\n", write_termination="\n", timeout=10000)
    return kind(adapter)


def wait_for(read, until, limit_s=LIMIT_S):
    value = read()
    deadline = time.monotonic() + limit_s
    while not until(value) and time.monotonic() < deadline:
        time.sleep(0.1)
        value = read()
    return value


class ProgramCase(unittest.TestCase):
    """Starts a program for the whole class in a folder holding the test setup and recipes."""

    COMMAND = None
    # coflux --headless ends with 0 on SIGTERM; tlvmonitor has no handler of its own for it.
    ENDS_WITH_ZERO = True

    @classmethod
    def setUpClass(cls):
        cls.home = tempfile.mkdtemp(prefix="tlv880-driver-")
        # The layer's name holds a quote and a comma, as the recipe state's quoting must carry.
        film = RECIPE.replace("Name=Film", 'Name=Film "A", B')
        for name, text in [("Remote.dat", SETUP), ("Film.rcp", film),
                           ("Bad.rcp", RECIPE.replace("Rate=5", "Rate=5000"))]:
            with open(os.path.join(cls.home, name), "w") as f:
                f.write(text)
        cls.program = Program(cls.COMMAND(), cls.home)

    @classmethod
    def tearDownClass(cls):
        status = cls.program.stop()
        shutil.rmtree(cls.home, ignore_errors=True)
        assert status == 0 or not cls.ENDS_WITH_ZERO, "the program ended with %r" % status

    def assertRefused(self, code, action, text=None):
        with self.assertRaises(Tlv880Error) as caught:
            action()
        self.assertEqual(caught.exception.code, code, caught.exception)
        if text is not None:
            self.assertIn(text, caught.exception.message)
        return caught.exception


class CofluxDriverTest(ProgramCase):
    COMMAND = staticmethod(lambda: [os.environ["TLV_COFLUX"], "--headless", "--remote",
                                    "127.0.0.1:0", "--remote-control"])

    def setUp(self):
        self.coflux = connect(Coflux, self.program.port)
        self.coflux.load_setup("Remote.dat")

    def tearDown(self):
        self.coflux.shutdown()
        self.assertEqual(self.coflux.next_error, (0, "No error"))
        self.coflux.close()

    def test_identity_and_readings(self):
        identity = self.coflux.identity
        self.assertEqual(identity[:3], ("TLV880", "COFLUX", "0"))
        self.assertRegex(identity.version, r"^\d+\.\d+\.\d+$")
        self.assertEqual(self.coflux.complete, 1)
        self.assertEqual(self.coflux.state, "STOP")
        for number in (1, 24):
            reading = self.coflux.sensor(number).reading
            self.assertIsInstance(reading, tlv880.SensorReading)
            self.assertTrue(all(isinstance(v, float) for v in reading), reading)
        self.assertIsNone(tlv880.SensorReading(0, 0, 5.95e6).crystal_failure)
        self.assertEqual(tlv880.SensorReading(0, 0, -1.0).crystal_failure, "no signal")
        for number in tlv880.OUTPUTS:
            reading = self.coflux.output(number).reading
            self.assertIsInstance(reading, tlv880.OutputReading)
            self.assertEqual(len(reading), 3)
        for number in tlv880.ANALOG_INPUTS:
            self.assertIsInstance(self.coflux.analog_input(number).volts, float)

    def test_alarms_are_listed_and_acknowledged(self):
        self.assertEqual(self.coflux.alarms, [])
        self.assertEqual(self.coflux.alarm_counts, (0, 0))
        self.coflux.acknowledge_alarm()  # every alarm: none, and no error
        self.assertRefused(-222, lambda: self.coflux.acknowledge_alarm(7))
        for number in (0, -1, 1.5, True, "1"):
            with self.assertRaises(ValueError):
                self.coflux.acknowledge_alarm(number)
        parsed = tlv880.readings.parse_alarms(
            '1,4,ACTIVE,WARNING,"2026-12-08T10:00:05","rate","Output 1","Rate, ""low"""')
        self.assertEqual(parsed, [tlv880.Alarm(4, "ACTIVE", "WARNING", "2026-12-08T10:00:05",
                                               "rate", "Output 1", 'Rate, "low"')])
        with self.assertRaises(ValueError):
            tlv880.readings.parse_alarms("2,4,ACTIVE")

    def test_every_setting_reads_back_as_written(self):
        for number in tlv880.OUTPUTS:
            output = self.coflux.output(number)
            for mode in ("REC", "man", "OFF", "AUTO"):
                output.mode = mode
                self.assertEqual(output.mode, mode.upper())
            output.rate_setpoint = 12.345
            self.assertEqual(output.rate_setpoint, 12.345)
            output.rate_setpoint = tlv880.RATE_LIMITS[1]
            self.assertEqual(output.rate_setpoint, tlv880.RATE_LIMITS[1])
            output.thickness_setpoint = 0.0625
            self.assertEqual(output.thickness_setpoint, 0.0625)
            output.thickness_setpoint = tlv880.THICKNESS_LIMITS[1]
            self.assertEqual(output.thickness_setpoint, tlv880.THICKNESS_LIMITS[1])
            # The manual power is kept to one decimal, as the window shows it.
            output.power = 12.34
            self.assertEqual(output.power, 12.3)
            output.power = 0
            self.assertEqual(output.power, 0.0)
            output.zero()
        self.coflux.zero_all()
        # The setup file sets them again.
        self.coflux.load_setup("Remote.dat")
        self.assertEqual(self.coflux.output(1).mode, "OFF")
        self.assertEqual(self.coflux.output(1).rate_setpoint, 5.0)
        self.assertEqual(self.coflux.output(1).thickness_setpoint, 1.0)

    def test_run_states(self):
        self.assertRefused(-221, self.coflux.hold)
        self.assertRefused(-221, self.coflux.resume)
        self.coflux.start()
        self.assertEqual(self.coflux.state, "RUN")
        self.assertRefused(-221, self.coflux.start)
        self.assertRefused(-221, lambda: self.coflux.load_setup("Remote.dat"))
        self.coflux.hold()
        self.assertEqual(self.coflux.state, "HOLD")
        self.coflux.resume()
        self.assertEqual(self.coflux.state, "RUN")
        self.coflux.stop()
        self.assertEqual(self.coflux.state, "STOP")

    def test_each_refusal_raises_its_number_and_message(self):
        coflux = self.coflux
        self.assertRefused(-102, lambda: coflux.change("MEAS:SENS 1 2 3 !"), "Syntax error")
        self.assertRefused(-109, lambda: coflux.ask("MEAS:SENS?"), "Missing parameter")
        self.assertRefused(-113, lambda: coflux.change("FOO:BAR"), "Undefined header")
        # A refused query raises at once instead of leaving the driver waiting for an answer.
        self.assertRefused(-222, lambda: coflux.ask("MEAS:SENS? 25"), "Sensors are 1 to 24")
        for name in ("../Remote.dat", "Missing.dat", "sub/Remote.dat"):
            self.assertRefused(-256, lambda: coflux.load_setup(name))
        # Analog-fed rates are checked by the program only; here output 1 is crystal-fed.
        refused = self.assertRefused(-222, lambda: setattr(
            coflux.output(1, analog_fed=True), "rate_setpoint", 5000))
        self.assertEqual(refused.command, "OUTP:RATE 1,5000.0")
        # The error names the oldest refusal; the queue is read to its end, -350 last.
        for _ in range(20):
            coflux.write("NOPE")
        overflow = self.assertRefused(-113, coflux.check_errors)
        self.assertEqual([code for code, _ in overflow.others], [-113] * 14 + [-350])
        self.assertEqual(coflux.next_error, (0, "No error"))
        coflux.write("NOPE")
        coflux.clear()
        self.assertEqual(coflux.check_errors(), [])

    def test_an_answer_out_of_step_renews_the_connection(self):
        output = self.coflux.output(1)
        output.rate_setpoint = 7.5
        # A query sent around the driver leaves an answer nobody read before the next one.
        self.coflux.adapter.write("OUTP:RATE? 1")
        with self.assertRaises(tlv880.ProtocolError):
            self.coflux.state
        # On the fresh connection every answer belongs to its own query again.
        self.assertEqual(self.coflux.state, "STOP")
        self.assertEqual(output.rate_setpoint, 7.5)
        self.assertEqual(output.mode, "OFF")
        self.assertEqual(self.coflux.next_error, (0, "No error"))

    def test_the_limits_are_the_programs_own(self):
        # The program's refusals name its limits; the validators use the same ones.
        for command, limits in [("OUTP:RATE 1,%s", tlv880.RATE_LIMITS),
                                ("OUTP:THIC 1,%s", tlv880.THICKNESS_LIMITS),
                                ("OUTP:POW 1,%s", tlv880.POWER_LIMITS)]:
            for value in (limits[0] - 0.01, limits[1] + 0.01):
                error = self.assertRefused(-222, lambda: self.coflux.change(command % value))
                found = re.search(r"between (\S+) and (\S+) !", error.message)
                self.assertIsNotNone(found, error.message)
                self.assertEqual(tuple(float(v) for v in found.groups()), limits)

    def test_validators_refuse_before_anything_is_sent(self):
        output = self.coflux.output(1)
        output.rate_setpoint = 7.5
        sent = self.coflux.adapter.sent
        del sent[:]
        refusals = [
            (ValueError, lambda: setattr(output, "rate_setpoint", -0.001)),
            (ValueError, lambda: setattr(output, "rate_setpoint", 1000)),
            (ValueError, lambda: setattr(output, "rate_setpoint", math.nan)),
            (ValueError, lambda: setattr(output, "thickness_setpoint", 999.91)),
            (ValueError, lambda: setattr(output, "thickness_setpoint", -1)),
            (ValueError, lambda: setattr(output, "power", 100.1)),
            (ValueError, lambda: setattr(output, "power", -0.1)),
            (ValueError, lambda: setattr(output, "mode", "FAST")),
            (TypeError, lambda: setattr(output, "mode", 2)),
            (ValueError, lambda: setattr(self.coflux.output(1, analog_fed=True),
                                         "rate_setpoint", math.inf)),
            (ValueError, lambda: self.coflux.output(5)),
            (ValueError, lambda: self.coflux.output(0)),
            (TypeError, lambda: self.coflux.output(1.0)),
            (TypeError, lambda: self.coflux.output(True)),
            (ValueError, lambda: self.coflux.sensor(25)),
            (ValueError, lambda: self.coflux.analog_input(5)),
            # A line end in a name would send the rest as a command of its own.
            (ValueError, lambda: self.coflux.load_setup("Remote.dat\nPROC:STAR")),
            (ValueError, lambda: self.coflux.load_recipe("Film.rcp\r")),
            (ValueError, lambda: self.coflux.write("PROC:STOP\nPROC:STAR")),
        ]
        for kind, action in refusals:
            with self.assertRaises(kind):
                action()
        self.assertEqual(sent, [], "lines sent for refused values")
        self.assertEqual(output.rate_setpoint, 7.5)
        self.assertEqual(self.coflux.state, "STOP")

    def test_names_with_quotes_are_sent_as_one_string(self):
        with open(os.path.join(self.home, 'Say "hi".dat'), "w") as f:
            f.write(SETUP.replace("Rate=5.00", "Rate=6.50"))
        self.coflux.load_setup('Say "hi".dat')
        self.assertEqual(self.coflux.output(1).rate_setpoint, 6.5)

    def test_a_whole_deposition_by_the_example_procedure(self):
        folder = tempfile.mkdtemp(prefix="tlv880-results-")
        self.addCleanup(shutil.rmtree, folder, True)
        filename = os.path.join(folder, "deposition.csv")
        # As from the command line: PyMeasure's Worker runs it and writes the results file.
        status = deposition_procedure.main([
            filename, "--resource", resource_name("127.0.0.1", self.program.port),
            "--setup", "Remote.dat", "--output", "1", "--rate", "10", "--thickness", "0.05",
            "--interval", "0.1", "--time-limit", str(LIMIT_S)])
        self.assertEqual(status, 0)

        # PyMeasure reads its own file back, parameters and all.
        data = Results.load(filename, DepositionProcedure).data
        self.assertEqual(list(data.columns), DepositionProcedure.DATA_COLUMNS)
        self.assertGreater(len(data), 5)
        self.assertEqual(list(data["State"][:-1].unique()), ["RUN"])
        self.assertEqual(data["State"].iloc[-1], "STOP")
        self.assertGreaterEqual(data["Thickness (kA)"].iloc[-1], 0.05)
        self.assertTrue(data["Time (s)"].is_monotonic_increasing)
        self.assertGreater(data["Rate (A/s)"].max(), 0)
        self.assertGreater(data["Power (%)"].max(), 0)
        with open(filename) as f:
            header = f.read()
        self.assertIn("Thickness setpoint: 0.05 kA", header)
        # The trip sent power 0: the next readings show it.
        output = self.coflux.output(1)
        self.assertEqual(wait_for(lambda: output.reading.power, lambda p: p == 0.0), 0.0)

    def test_a_recipe_run_and_an_abort(self):
        coflux = self.coflux
        self.assertRefused(-256, lambda: coflux.load_recipe('No "such", file.rcp'),
                           'No "such", file.rcp')
        self.assertRefused(-222, lambda: coflux.load_recipe("Bad.rcp"), "Bad.rcp: layer 1")
        self.assertRefused(-221, coflux.abort_recipe)
        coflux.load_recipe("Film.rcp")
        self.assertEqual(coflux.recipe_state[:3], ("LOADED", 0, ""))
        coflux.start_recipe()
        self.assertEqual(coflux.state, "RUN")
        self.assertRefused(-221, coflux.start_recipe)
        phases = set()

        def progress():
            status = coflux.recipe_state
            phases.add(status.phase)
            return status

        status = wait_for(progress, lambda s: s.state != "RUNNING")
        self.assertEqual((status.state, status.layer, status.layer_name, status.message),
                         ("COMPLETE", 1, 'Film "A", B', "Recipe complete."))
        self.assertGreaterEqual(status.elapsed, 2.0)
        self.assertLessEqual({"Shutter delay", "Deposit"}, phases)
        coflux.stop()

        coflux.start_recipe()
        wait_for(lambda: coflux.recipe_state, lambda s: s.layer >= 1)
        coflux.abort_recipe()
        status = coflux.recipe_state
        self.assertEqual((status.state, status.message),
                         ("ABORTED", "Recipe aborted by a remote client."))
        self.assertEqual(coflux.state, "STOP")

        # Shutting the driver down aborts a running recipe and stops the deposition.
        coflux.start_recipe()
        coflux.shutdown()
        self.assertEqual(coflux.recipe_state.state, "ABORTED")
        self.assertEqual(coflux.state, "STOP")


    def test_loop_tuning(self):
        coflux = self.coflux
        output = coflux.output(1)
        self.assertEqual(output.tuning_state, ("IDLE", ""))
        self.assertRefused(-221, output.apply_tuning, "no tuning result")
        self.assertRaises(ValueError, lambda: output.start_tuning(step=80))
        self.assertRaises(ValueError, lambda: output.start_tuning(aggressiveness="WILD"))
        output.mode = "MAN"
        output.power = 48  # the simulation deposits from about 46 %
        self.assertRefused(-221, output.start_tuning, "Start the deposition")
        coflux.start()
        output.start_tuning(step=2, aggressiveness="normal")
        self.assertEqual(output.tuning_state.state, "RUNNING")
        status = wait_for(lambda: output.tuning_state, lambda s: s.state != "RUNNING")
        self.assertEqual(status.state, "DONE", status.message)
        result = output.tuning_result
        self.assertIsInstance(result, tlv880.TuningResult)
        self.assertGreater(result.gain, 0)
        self.assertGreater(result.fit_quality, 0.8)
        self.assertGreater(result.p, 0)
        self.assertEqual(output.mode, "MAN")
        self.assertEqual(output.power, 48.0)
        output.apply_tuning()
        coflux.stop()


class ProtectedCofluxTest(ProgramCase):
    COMMAND = staticmethod(lambda: [os.environ["TLV_COFLUX"], "--headless", "--remote",
                                    "127.0.0.1:0"])

    def test_changes_are_protected_without_remote_control(self):
        coflux = connect(Coflux, self.program.port)
        self.assertRefused(-203, coflux.start, "--remote-control")
        self.assertRefused(-203, lambda: setattr(coflux.output(1), "rate_setpoint", 1))
        self.assertRefused(-203, lambda: coflux.load_recipe("Film.rcp"))
        self.assertRefused(-203, coflux.output(1).start_tuning)
        self.assertRefused(-203, coflux.output(1).apply_tuning)
        self.assertEqual(coflux.output(1).tuning_state.state, "IDLE")
        self.assertRefused(-203, coflux.acknowledge_alarm)
        self.assertEqual(coflux.alarm_counts, (0, 0))
        self.assertEqual(coflux.state, "STOP")
        coflux.close()


class MonitorDriverTest(ProgramCase):
    ENDS_WITH_ZERO = False
    COMMAND = staticmethod(lambda: [os.environ["TLV_TLVMONITOR"], "--remote", "127.0.0.1:0"])

    def test_readings_and_refusals(self):
        monitor = connect(TlvMonitor, self.program.port)
        self.assertEqual(monitor.identity.model, "TLVMONITOR")
        self.assertEqual(monitor.state, "STOP")
        for number in tlv880.SENSORS:
            reading = monitor.sensor(number).reading
            self.assertIsInstance(reading, tlv880.SensorReading)
        self.assertFalse(hasattr(monitor, "output"))
        self.assertRefused(-113, lambda: monitor.ask("MEAS:OUTP? 1"))
        self.assertRefused(-113, lambda: monitor.change("PROC:STAR"))
        self.assertEqual(monitor.next_error, (0, "No error"))
        monitor.close()
        # A driver refuses the other program.
        with self.assertRaisesRegex(ValueError, "is TLVMONITOR, not COFLUX"):
            Coflux(resource_name("127.0.0.1", self.program.port))


if __name__ == "__main__":
    unittest.main(verbosity=2)
