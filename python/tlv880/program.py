"""What coflux and tlvmonitor share as PyMeasure instruments: the connection, the guarded
queries, the error queue and the channel objects.

Every query goes out as ``*OPC?;<query>``. The program answers ``1;<answer>``, or only ``1``
when the query failed (a failing command answers nothing and ends its line), so a refused
query raises at once instead of waiting for a reply that never comes. Every change is followed
by ``SYST:ERR?``; an error there raises Tlv880Error with the program's number and text.

A query that timed out may still be answered later, and that late answer would be read as the
next query's: after a time-out, or an answer out of step, the driver opens a fresh connection
(which holds no stale answer) before it raises.
"""

import numbers

import pyvisa

from pymeasure.adapters import VISAAdapter
from pymeasure.instruments import Instrument
from pymeasure.instruments.validators import strict_discrete_set

from .errors import ProtocolError, Tlv880Error, parse_error
from .readings import SensorReading, parse_alarms, parse_identity

# Sensors of both programs, 1..24; the error queue of a client holds 16 entries.
SENSORS = range(1, 25)
QUEUE_CAPACITY = 16
# A whole answer as one field: no answer holds a line end.
WHOLE = "\n"


def resource_name(host, port):
    """The VISA resource of a program's remote interface: ``TCPIP::host::port::SOCKET``."""
    return "TCPIP::%s::%d::SOCKET" % (host, port)


def channel_number(number, allowed, what):
    """`number` when it is a whole number among `allowed`; raises before anything is sent."""
    if isinstance(number, bool) or not isinstance(number, numbers.Integral):
        raise TypeError("%s number must be a whole number, not %r" % (what, number))
    try:
        return int(strict_discrete_set(int(number), allowed))
    except ValueError:
        raise ValueError("%s %d does not exist (%s)" % (what, number, describe(allowed))) from None


def describe(allowed):
    if isinstance(allowed, range):
        return "%d to %d" % (allowed.start, allowed.stop - 1)
    return ", ".join(str(n) for n in allowed)


def quoted(text):
    """A string parameter: in double quotes, its own quotes doubled. A line end would end the
    command there and send the rest as a second one, so it is refused."""
    if not isinstance(text, str):
        raise TypeError("a name must be a string, not %r" % (text,))
    if any(c in text for c in "\r\n\0"):
        raise ValueError("a name cannot hold a line end or a NUL: %r" % text)
    return '"' + text.replace('"', '""') + '"'


class Channel:
    """One numbered channel of a program. Its properties are PyMeasure's own ``control`` and
    ``measurement`` properties whose commands carry ``{ch}`` for the channel's number."""

    def __init__(self, program, number):
        self.program = program
        self.number = number

    def _fill(self, command):
        return command.replace("{ch}", str(self.number))

    def values(self, command, **kwargs):
        return self.program.values(self._fill(command), **kwargs)

    def ask(self, command):
        return self.program.ask(self._fill(command))

    def write(self, command):
        self.program.write(self._fill(command))

    def check_errors(self):
        self.program.check_errors()

    def change(self, command):
        self.program.change(self._fill(command))

    def __repr__(self):
        return "<%s %d of %r>" % (type(self).__name__, self.number, self.program)


class Sensor(Channel):
    """A quartz-crystal sensor, 1..24."""

    reading = Instrument.measurement(
        "MEAS:SENS? {ch}",
        """The sensor's newest reading as a SensorReading: rate (Å/s), thickness (kÅ) and
        frequency (Hz, or a failure code -1, -2 or -3).""",
        get_process=lambda v: SensorReading(*v))


class RemoteProgram(Instrument):
    """A program's remote interface as a PyMeasure instrument.

    `adapter` is a PyMeasure adapter or a VISA resource name such as
    ``"TCPIP::127.0.0.1::5025::SOCKET"`` (opened with pyvisa-py, lines ending in LF);
    `timeout` is the longest wait for an answer in milliseconds. Raises ValueError when the
    program at the other end is not the one this class drives.
    """

    MODEL = None
    SENSORS = SENSORS

    def __init__(self, adapter, name=None, timeout=10000, visa_library="@py", **kwargs):
        if isinstance(adapter, str):
            adapter = VISAAdapter(adapter, visa_library=visa_library, read_termination="\n",
                                  write_termination="\n", timeout=timeout, **kwargs)
        super().__init__(adapter, name or "TLV-880 " + self.MODEL.lower(), includeSCPI=False)
        self._last_change = None
        model = self.identity.model
        if model != self.MODEL:
            where = getattr(adapter, "resource_name", adapter)
            self.close()
            raise ValueError("the program at %s is %s, not %s" % (where, model, self.MODEL))

    # --- the line protocol

    def write(self, command):
        """Sends one command line as it stands; refuses a line end inside it."""
        if any(c in command for c in "\r\n"):
            raise ValueError("one command per line: %r" % command)
        self._last_change = command
        self.adapter.write(command)

    def ask(self, command):
        """The answer to one query; raises Tlv880Error when the program refused it."""
        if any(c in command for c in "\r\n"):
            raise ValueError("one command per line: %r" % command)
        answer = self._query("*OPC?;" + command)
        done, separator, rest = answer.partition(";")
        if done != "1":
            self.reconnect()
            raise ProtocolError("%s: unexpected answer %r" % (command, answer))
        if not separator:
            self.check_errors(command)
            self.reconnect()
            raise ProtocolError("%s: no answer and no error" % command)
        return rest

    def _query(self, line):
        try:
            return self.adapter.ask(line).strip()
        except pyvisa.errors.VisaIOError:
            self.reconnect()
            raise

    def reconnect(self):
        """Opens a fresh connection to the same program with the same settings; this client's
        error queue starts empty. Only for a VISA adapter."""
        connection = getattr(self.adapter, "connection", None)
        manager = getattr(self.adapter, "manager", None)
        if connection is None or manager is None:
            return
        name = connection.resource_name
        settings = {"read_termination": connection.read_termination,
                    "write_termination": connection.write_termination,
                    "timeout": connection.timeout}
        connection.close()
        self.adapter.connection = manager.open_resource(name, **settings)

    def values(self, command, separator=",", cast=float, **kwargs):
        """The answer split at `separator`, each field cast (kept as text where that fails),
        as PyMeasure's adapters do."""
        fields = self.ask(command).split(separator)
        results = []
        for field in fields:
            try:
                results.append(cast(field))
            except (TypeError, ValueError):
                results.append(field)
        return results

    def change(self, command):
        """Sends a change and raises Tlv880Error when the program refused it."""
        self.write(command)
        self.check_errors()

    def check_errors(self, command=None):
        """Reads the error queue to its end; raises Tlv880Error with the oldest error (the
        later ones in its `others`). Returns an empty list when there was none."""
        errors = []
        for _ in range(QUEUE_CAPACITY + 1):
            answer = self._query("SYST:ERR?")
            try:
                code, text = parse_error(answer)
            except ProtocolError:
                self.reconnect()
                raise
            if code == 0:
                break
            errors.append((code, text))
        if errors:
            raise Tlv880Error(errors[0][0], errors[0][1], command or self._last_change,
                              errors[1:])
        return errors

    def close(self):
        """Closes the connection."""
        self.adapter.connection.close()

    # --- common commands

    identity = Instrument.measurement(
        "*IDN?", """The program's identity as an Identity (manufacturer, model, serial,
        version).""", cast=str, get_process=lambda v: parse_identity(",".join(v)))

    @property
    def id(self):
        """The answer of ``*IDN?`` as the program gives it."""
        return self.ask("*IDN?")

    complete = Instrument.measurement(
        "*OPC?", """1 once every command sent before has been carried out.""", cast=int)

    next_error = Instrument.measurement(
        "SYST:ERR?", """The oldest error of this client's queue as (code, text); (0, "No
        error") when it is empty. Taking it removes it from the queue.""",
        separator=WHOLE, cast=str, get_process=parse_error)

    def clear(self):
        """Empties this client's error queue (``*CLS``)."""
        self.write("*CLS")

    # --- alarms

    @property
    def alarms(self):
        """The program's open alarms, oldest first, as a list of Alarm."""
        return parse_alarms(self.ask("ALAR:ACT?"))

    @property
    def alarm_counts(self):
        """(open alarms, alarms not yet acknowledged)."""
        open_count, waiting = self.ask("ALAR:COUN?").split(",")
        return int(open_count), int(waiting)

    def acknowledge_alarm(self, number=None):
        """Acknowledges alarm `number` (an Alarm's id), or every alarm when None. Needs the
        program to run with --remote-control; raises Tlv880Error (-222) for a number the program
        does not hold."""
        if number is None:
            self.change("ALAR:ACK ALL")
            return
        if isinstance(number, bool) or not isinstance(number, int) or number < 1:
            raise ValueError("an alarm number is a whole number from 1, not %r" % (number,))
        self.change("ALAR:ACK %d" % number)

    def sensor(self, number):
        """Sensor `number` (1..24); raises ValueError for one that does not exist."""
        return Sensor(self, channel_number(number, self.SENSORS, "sensor"))

    def __repr__(self):
        return "<%s %r>" % (type(self).__name__, self.adapter)

