"""tlvmonitor, the rate and thickness monitor, as a PyMeasure instrument: measurement queries
only (``tlvmonitor --remote PORT``)."""

from pymeasure.instruments import Instrument

from .program import RemoteProgram


class TlvMonitor(RemoteProgram):
    """tlvmonitor through its remote interface: its 24 sensors and whether it measures.

    >>> monitor = TlvMonitor("TCPIP::127.0.0.1::5025::SOCKET")
    >>> monitor.sensor(3).reading
    SensorReading(rate=0.0, thickness=0.0, frequency=5950000.0)
    """

    MODEL = "TLVMONITOR"

    state = Instrument.measurement(
        "PROC:STAT?", """Whether the monitor measures: "STOP" or "RUN".""", cast=str)
