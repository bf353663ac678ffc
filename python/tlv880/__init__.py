"""PyMeasure instruments for the TLV-880 deposition software's remote interface.

    from tlv880 import Coflux
    coflux = Coflux("TCPIP::127.0.0.1::5025::SOCKET")
    print(coflux.output(1).reading)

`Coflux` drives coflux (readings, setpoints, the deposition and process recipes),
`TlvMonitor` reads tlvmonitor's sensors. A refused command raises `Tlv880Error`, which carries
the program's SCPI error number and message.
"""

from .coflux import (ANALOG_INPUTS, MODES, OUTPUTS, POWER_LIMITS, RATE_LIMITS,
                     THICKNESS_LIMITS, AnalogFedOutput, AnalogInput, Coflux, Output)
from .errors import ProtocolError, Tlv880Error
from .monitor import TlvMonitor
from .program import SENSORS, Sensor, resource_name
from .readings import (Alarm, Identity, OutputReading, RecipeStatus, SensorReading,
                       TuningResult, TuningStatus)

__all__ = [
    "ANALOG_INPUTS", "Alarm", "MODES", "OUTPUTS", "POWER_LIMITS", "RATE_LIMITS", "SENSORS",
    "THICKNESS_LIMITS", "AnalogFedOutput", "AnalogInput", "Coflux", "Identity", "Output",
    "OutputReading", "ProtocolError", "RecipeStatus", "Sensor", "SensorReading", "Tlv880Error",
    "TlvMonitor", "TuningResult", "TuningStatus", "resource_name",
]
