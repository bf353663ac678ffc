#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
# The tests also start real peers: an MQTT broker, a PyVISA client and the PyMeasure driver
# (Debian's Python), and check the package with lintian.
bash scripts/install-deps.sh mosquitto python3-pyvisa python3-pyvisa-py python3-pymeasure lintian
cmake --preset default
cmake --build --preset default
ctest --preset default
# Then, once, the cases that run in real time: real peers (broker, PyVISA client, the package's
# unpacked programs) and the few whose verdict rests on the steady clock.
ctest --test-dir build/default -L realtime -j2 --output-on-failure
