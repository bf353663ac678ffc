"""coflux, the co-deposition controller, as a PyMeasure instrument.

Start it with ``coflux --remote PORT --remote-control`` (``--headless`` without a window);
without ``--remote-control`` every change raises Tlv880Error -203.
"""

import math

from pymeasure.instruments import Instrument
from pymeasure.instruments.validators import strict_discrete_set, strict_range

from .program import Channel, RemoteProgram, WHOLE, channel_number, quoted
from .readings import OutputReading, TuningResult, parse_recipe_status, parse_tuning_status

# coflux's outputs as the remote interface numbers them: source outputs 1 to 4, and its
# outputs 5 and 6 (the two analog outputs of the master card) as 13 and 14.
OUTPUTS = (1, 2, 3, 4, 13, 14)
ANALOG_INPUTS = range(1, 5)
MODES = ("OFF", "MAN", "AUTO", "REC")
AGGRESSIVENESS = ("CALM", "NORM", "NORMAL", "FAST")
TUNING_STEP_LIMITS = (0.5, 50.0)
# The limits coflux refuses beyond ("Rate must be between 0 and 999.9 !"): rate setpoint in
# Å/s, thickness setpoint in kÅ, manual power in %. An output may allow less power than 100 %
# (its Max. Power); the program refuses more than that with -222.
RATE_LIMITS = (0.0, 999.9)
THICKNESS_LIMITS = (0.0, 999.9)
POWER_LIMITS = (0.0, 100.0)


def number_text(value):
    """A value as the remote interface reads it: every digit of the float kept."""
    return repr(float(value))


def mode_name(value, values):
    """An output mode by its name, in any case."""
    if not isinstance(value, str):
        raise TypeError("a mode is one of %s, not %r" % (", ".join(values), value))
    return strict_discrete_set(value.upper(), values)


def finite(value, values):
    """Any finite number: the program checks it against the analog input's range."""
    if not math.isfinite(float(value)):
        raise ValueError("Value of %r is not a finite number" % (value,))
    return value


class Output(Channel):
    """One output of coflux (1..4, 13, 14): its mode, setpoints and reading."""

    mode = Instrument.control(
        "OUTP:MODE? {ch}", "OUTP:MODE {ch},%s",
        """The output's mode: "OFF", "MAN" (manual power), "AUTO" (rate control) or "REC"
        (chart-recorder output).""",
        validator=mode_name, values=MODES, cast=str, check_set_errors=True)

    rate_setpoint = Instrument.control(
        "OUTP:RATE? {ch}", "OUTP:RATE {ch},%s",
        """The rate setpoint in Å/s, 0 to 999.9.""",
        validator=strict_range, values=RATE_LIMITS, set_process=number_text,
        check_set_errors=True)

    thickness_setpoint = Instrument.control(
        "OUTP:THIC? {ch}", "OUTP:THIC {ch},%s",
        """The thickness setpoint in kÅ, 0 to 999.9: reaching it stops the deposition.""",
        validator=strict_range, values=THICKNESS_LIMITS, set_process=number_text,
        check_set_errors=True)

    power = Instrument.control(
        "OUTP:POW? {ch}", "OUTP:POW {ch},%s",
        """The manual power in %, 0 to 100 (no more than the output's Max. Power). Kept to
        one decimal as the window shows it; during a run in MAN mode it goes out as given.""",
        validator=strict_range, values=POWER_LIMITS, set_process=number_text,
        check_set_errors=True)

    reading = Instrument.measurement(
        "MEAS:OUTP? {ch}",
        """The output's newest reading as an OutputReading: rate (Å/s), thickness (kÅ) and
        power (%).""",
        get_process=lambda v: OutputReading(*v))

    def zero(self):
        """Zeroes the output's thickness, as the window's Zero."""
        self.change("PROC:ZERO {ch}")

    # --- loop tuning

    tuning_state = Instrument.measurement(
        "OUTP:TUNE:STAT? {ch}",
        """Where the output's loop tuning run is, as a TuningStatus.""",
        separator=WHOLE, cast=str, get_process=parse_tuning_status)

    tuning_result = Instrument.measurement(
        "OUTP:TUNE:RES? {ch}",
        """The finished tuning run's result as a TuningResult (-221 without one).""",
        get_process=lambda v: TuningResult(*v))

    def start_tuning(self, step=5.0, aggressiveness="NORM"):
        """Starts a loop tuning run: an open-loop power step of `step` % (0.5 to 50) from the
        output's present power, the terms chosen "CALM", "NORM" or "FAST". Only while the
        deposition runs and the output is in MAN or AUTO (-221)."""
        strict_range(step, TUNING_STEP_LIMITS)
        word = mode_name(aggressiveness, AGGRESSIVENESS)
        self.change("OUTP:TUNE:STAR {ch},%s,%s" % (number_text(step), word))

    def apply_tuning(self):
        """Writes the proposed terms of the finished run as the output editor would (-221
        without a result)."""
        self.change("OUTP:TUNE:APPL {ch}")


class AnalogFedOutput(Output):
    """An output fed by an analog input: its rate setpoint is in the input's display units,
    which the program checks against the input's -10 to +10 V."""

    rate_setpoint = Instrument.control(
        "OUTP:RATE? {ch}", "OUTP:RATE {ch},%s",
        """The rate setpoint in the analog input's display units.""",
        validator=finite, set_process=number_text, check_set_errors=True)


class AnalogInput(Channel):
    """One of the four analog inputs of the master card."""

    volts = Instrument.measurement("MEAS:ANAL? {ch}", """The input's voltage in V.""")


class Coflux(RemoteProgram):
    """coflux through its remote interface.

    >>> coflux = Coflux("TCPIP::127.0.0.1::5025::SOCKET")
    >>> coflux.output(1).rate_setpoint = 5
    >>> coflux.output(1).reading
    OutputReading(rate=4.98, thickness=0.0312, power=37.5)
    """

    MODEL = "COFLUX"
    OUTPUTS = OUTPUTS
    ANALOG_INPUTS = ANALOG_INPUTS

    state = Instrument.measurement(
        "PROC:STAT?", """The deposition's state: "STOP", "RUN" or "HOLD".""", cast=str)

    recipe_state = Instrument.measurement(
        "PROC:REC:STAT?", """Where the process recipe is, as a RecipeStatus.""",
        separator=WHOLE, cast=str, get_process=parse_recipe_status)

    def output(self, number, analog_fed=False):
        """Output `number` (1..4, 13, 14); `analog_fed` when an analog input feeds it, so its
        rate setpoint is in the input's units. Raises ValueError for one coflux does not have."""
        number = channel_number(number, self.OUTPUTS, "output")
        return (AnalogFedOutput if analog_fed else Output)(self, number)

    def analog_input(self, number):
        """Analog input `number` (1..4)."""
        return AnalogInput(self, channel_number(number, self.ANALOG_INPUTS, "analog input"))

    # --- the deposition, as the window's buttons

    def start(self):
        """Starts the deposition (-221 while it runs)."""
        self.change("PROC:STAR")

    def stop(self):
        """Stops the deposition: every output to power 0."""
        self.change("PROC:STOP")

    def hold(self):
        """Holds the running deposition (-221 unless it runs)."""
        self.change("PROC:HOLD")

    def resume(self):
        """Resumes a held deposition (-221 unless it is held)."""
        self.change("PROC:RES")

    def zero_all(self):
        """Zeroes every output and sensor, as the window's Zero All."""
        self.change("PROC:ZERO ALL")

    def load_setup(self, name):
        """Opens the setup file `name` of the program's folder, as File Open does; only while
        stopped (-221), only a bare name of that folder (-256)."""
        self.change("MMEM:LOAD " + quoted(name))

    # --- process recipes

    def load_recipe(self, name):
        """Reads and checks the process recipe `name` of the program's folder (-256 when
        there is no such file, -222 naming the layer and key it refuses)."""
        self.change("PROC:REC:LOAD " + quoted(name))

    def start_recipe(self):
        """Starts the loaded recipe (-221 with none loaded or while the deposition runs)."""
        self.change("PROC:REC:STAR")

    def abort_recipe(self):
        """Every output to power 0, then the running recipe ends as aborted (-221 when none
        runs)."""
        self.change("PROC:REC:ABOR")

    def shutdown(self):
        """Leaves coflux safe: a running recipe is aborted, a running or held deposition
        stopped (every output to power 0)."""
        if self.recipe_state.state == "RUNNING":
            self.abort_recipe()
        if self.state != "STOP":
            self.stop()
        super().shutdown()
