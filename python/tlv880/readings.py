"""The answers of the measurement queries as named tuples, and the parsing of the longer ones."""

import csv
from collections import namedtuple

# Crystal failure codes that a sensor reading carries in its frequency field.
CRYSTAL_FAILURES = {-1: "no signal", -2: "above the maximum frequency",
                    -3: "below the minimum frequency"}


class SensorReading(namedtuple("SensorReading", "rate thickness frequency")):
    """One sensor's newest reading.

    rate: deposition rate in Å/s; thickness: deposited thickness in kÅ; frequency: the
    crystal's frequency in Hz, or the failure code -1 (no signal), -2 (above the maximum
    frequency) or -3 (below the minimum frequency).
    """

    __slots__ = ()

    @property
    def crystal_failure(self):
        """Why the crystal failed, or None while it oscillates within its limits."""
        return CRYSTAL_FAILURES.get(self.frequency)


OutputReading = namedtuple("OutputReading", "rate thickness power")
OutputReading.__doc__ = """One output's newest reading.

rate: the rate of its sensors in Å/s; thickness: its thickness in kÅ; power: its power in %.
"""

Identity = namedtuple("Identity", "manufacturer model serial version")
Identity.__doc__ = """The answer of ``*IDN?``: ``TLV880``, ``COFLUX`` or ``TLVMONITOR``, ``0``
and the program's version (e.g. ``1.0.0``)."""

RecipeStatus = namedtuple("RecipeStatus", "state layer layer_name phase elapsed message")
RecipeStatus.__doc__ = """Where the process recipe is.

state: ``NONE`` (no recipe loaded), ``LOADED``, ``RUNNING``, ``COMPLETE``, ``FAILED`` or
``ABORTED``; layer: the current (or last) layer's number from 1, 0 before the run's first
reading; layer_name: its name; phase: ``Pre-conditioning``, ``Shutter delay``, ``Deposit``,
``Time-power``, ``Idle ramp``, ``Waiting``, or ``""`` before any run; elapsed: seconds since
the run's first reading (tenths); message: how the run ended, ``""`` while it runs.
"""

RECIPE_STATES = ("NONE", "LOADED", "RUNNING", "COMPLETE", "FAILED", "ABORTED")


def parse_recipe_status(answer):
    """``<state>,<layer>,"<layer name>","<phase>",<elapsed>,"<message>"`` as a RecipeStatus;
    the quoted texts double their own quotes, as CSV does."""
    fields = next(csv.reader([answer], doublequote=True, strict=True))
    if len(fields) != 6 or fields[0] not in RECIPE_STATES:
        raise ValueError("unreadable recipe state %r" % answer)
    return RecipeStatus(fields[0], int(fields[1]), fields[2], fields[3], float(fields[4]),
                        fields[5])


TuningStatus = namedtuple("TuningStatus", "state message")
TuningStatus.__doc__ = """Where an output's loop tuning run is.

state: ``IDLE`` (no run on this output), ``RUNNING``, ``DONE`` (terms proposed) or ``REFUSED``
(it ended without terms); message: what it is doing, or why it ended.
"""

TUNING_STATES = ("IDLE", "RUNNING", "DONE", "REFUSED")

TuningResult = namedtuple(
    "TuningResult",
    "gain time_constant dead_time fit_quality rate_noise p i d settle overshoot power_peak "
    "current_settle current_overshoot current_power_peak")
TuningResult.__doc__ = """The result of a loop tuning run.

The identified source: gain in Å/s per % of power, time constant and dead time in s, the fit
quality (share of the response the model explains, 0 to 1) and the rate noise in Å/s. The
proposed terms p, i (s) and d (s). The loop predicted at the rate setpoint from power 0 with the
proposed terms and with the current ones: settle time in s (-1: it does not settle within
±5 %), overshoot in % of the setpoint and the power peak in %.
"""


def parse_tuning_status(answer):
    """``<state>,"<message>"`` as a TuningStatus."""
    fields = next(csv.reader([answer], doublequote=True, strict=True))
    if len(fields) != 2 or fields[0] not in TUNING_STATES:
        raise ValueError("unreadable tuning state %r" % answer)
    return TuningStatus(fields[0], fields[1])


Alarm = namedtuple("Alarm", "id state level raised condition source text")
Alarm.__doc__ = """One open alarm of the program.

id: its number (for acknowledging); state: ``ACTIVE`` (not acknowledged) or ``ACKNOWLEDGED``;
level: ``WARNING`` or ``ALARM``; raised: the instrument's local time it was raised, as
``2026-12-08T10:00:05``; condition: what raised it (``crystal``, ``rate``, ``power``,
``shutter``, ...); source: the sensor, output or card it concerns (``"Output 1"``, ``""`` for
none); text: what happened.
"""

ALARM_STATES = ("ACTIVE", "ACKNOWLEDGED")
ALARM_LEVELS = ("WARNING", "ALARM")


def parse_alarms(answer):
    """``<count>{,<id>,<state>,<level>,"<raised>","<condition>","<source>","<text>"}`` as a
    list of Alarm, oldest first."""
    fields = next(csv.reader([answer], doublequote=True, strict=True))
    try:
        count = int(fields[0])
    except (IndexError, ValueError):
        raise ValueError("unreadable alarm list %r" % answer) from None
    if len(fields) != 1 + 7 * count:
        raise ValueError("unreadable alarm list %r" % answer)
    alarms = []
    for i in range(count):
        entry = fields[1 + 7 * i:8 + 7 * i]
        if entry[1] not in ALARM_STATES or entry[2] not in ALARM_LEVELS:
            raise ValueError("unreadable alarm %r" % entry)
        alarms.append(Alarm(int(entry[0]), *entry[1:]))
    return alarms


def parse_identity(answer):
    fields = answer.split(",")
    if len(fields) != 4:
        raise ValueError("unreadable identity %r" % answer)
    return Identity(*fields)
