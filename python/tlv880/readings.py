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


def parse_identity(answer):
    fields = answer.split(",")
    if len(fields) != 4:
        raise ValueError("unreadable identity %r" % answer)
    return Identity(*fields)
