#!/usr/bin/python3
"""One deposition of coflux as a PyMeasure procedure, written to PyMeasure's own results file.

Start coflux first, for example in simulation and without a window:

    coflux --headless --remote 5025 --remote-control

then run (Debian: apt-get install python3-tlv880):

    /usr/bin/python3 deposition_procedure.py RESULTS.csv [--resource R] [--setup S]
        [--output N] [--rate A_PER_S] [--thickness KA] [--interval S] [--time-limit S]

It opens the setup file S of coflux's program folder, puts output N under rate control at the
rate setpoint up to the thickness setpoint, starts and records time, rate, thickness and power
of the output at every reading until the thickness setpoint stops the deposition. The results
file is PyMeasure's (a header naming the procedure and its parameters, then CSV), so
``Results.load`` and PyMeasure's plotter read it. Exit status 0 when the deposition reached its
thickness and stopped, 1 otherwise.
"""

import argparse
import logging
import os
import sys
import time

from pymeasure.experiment import (FloatParameter, IntegerParameter, Parameter, Procedure,
                                  Results, Worker)

from tlv880 import Coflux, Tlv880Error

log = logging.getLogger(__name__)
log.addHandler(logging.NullHandler())


class DepositionProcedure(Procedure):
    """Loads a setup, sets one output's rate and thickness, starts and records the output's
    readings until the deposition stops."""

    resource = Parameter("Resource", default="TCPIP::127.0.0.1::5025::SOCKET")
    setup = Parameter("Setup file", default="Default.dat")
    output = IntegerParameter("Output", default=1, minimum=1, maximum=14)
    rate = FloatParameter("Rate setpoint", units="A/s", default=5.0, minimum=0, maximum=999.9)
    thickness = FloatParameter("Thickness setpoint", units="kA", default=0.5, minimum=0,
                               maximum=999.9)
    interval = FloatParameter("Reading interval", units="s", default=0.25, minimum=0.01,
                              maximum=60)
    time_limit = FloatParameter("Time limit", units="s", default=3600, minimum=1, maximum=1e6)

    DATA_COLUMNS = ["Time (s)", "Rate (A/s)", "Thickness (kA)", "Power (%)", "State"]

    coflux = None
    reached = False

    def startup(self):
        self.coflux = Coflux(self.resource)
        self.coflux.load_setup(self.setup)
        channel = self.coflux.output(self.output)
        channel.mode = "AUTO"
        channel.rate_setpoint = self.rate
        channel.thickness_setpoint = self.thickness

    def execute(self):
        channel = self.coflux.output(self.output)
        self.coflux.start()
        started = time.monotonic()
        while True:
            # The state first: a reading taken after "STOP" is the one after the trip.
            state = self.coflux.state
            reading = channel.reading
            elapsed = time.monotonic() - started
            self.emit("results", {"Time (s)": elapsed, "Rate (A/s)": reading.rate,
                                  "Thickness (kA)": reading.thickness,
                                  "Power (%)": reading.power, "State": state})
            if self.thickness > 0:
                self.emit("progress", min(100.0, 100.0 * reading.thickness / self.thickness))
            if state == "STOP":
                self.reached = reading.thickness >= self.thickness
                log.info("Deposition stopped at %.4f kA", reading.thickness)
                return
            if self.should_stop():
                log.warning("Deposition aborted by the user")
                return
            if elapsed > self.time_limit:
                raise TimeoutError("the deposition did not stop within %g s" % self.time_limit)
            time.sleep(self.interval)

    def shutdown(self):
        if self.coflux is None:
            return
        try:
            self.coflux.shutdown()
        except Tlv880Error:
            log.exception("coflux refused to stop")
        finally:
            self.coflux.close()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results", help="the results file to write (must not exist)")
    parser.add_argument("--resource", default=DepositionProcedure.resource.default)
    parser.add_argument("--setup", default=DepositionProcedure.setup.default)
    parser.add_argument("--output", type=int, default=DepositionProcedure.output.default)
    parser.add_argument("--rate", type=float, default=DepositionProcedure.rate.default)
    parser.add_argument("--thickness", type=float,
                        default=DepositionProcedure.thickness.default)
    parser.add_argument("--interval", type=float, default=DepositionProcedure.interval.default)
    parser.add_argument("--time-limit", type=float,
                        default=DepositionProcedure.time_limit.default)
    args = parser.parse_args(argv)
    if os.path.exists(args.results):
        # PyMeasure would read an existing file as a finished run and append to it.
        parser.error("%s exists; name a new results file" % args.results)
    # PyMeasure puts a NullHandler on the root logger; force replaces it with one that prints.
    logging.basicConfig(level=logging.INFO, format="%(asctime)s %(message)s", force=True)

    procedure = DepositionProcedure(resource=args.resource, setup=args.setup,
                                    output=args.output, rate=args.rate,
                                    thickness=args.thickness, interval=args.interval,
                                    time_limit=args.time_limit)
    results = Results(procedure, args.results)
    worker = Worker(results)  # no port: nothing is published beyond this process
    worker.start()
    # PyMeasure's join stops the worker once its time is up; the procedure ends itself at its
    # time limit, so this only bounds a worker that hangs. Ctrl-C stops it as well.
    worker.join(timeout=args.time_limit + 60)
    finished = procedure.status == Procedure.FINISHED and procedure.reached
    print("deposition %s; results in %s" % ("reached its thickness" if finished else
                                            "did not finish", args.results))
    return 0 if finished else 1


if __name__ == "__main__":
    sys.exit(main())
