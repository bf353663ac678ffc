"""Shared by the tests that run the real programs: checks that collect their failures, files
read as they stand, the card's output writes in an emulated bus trace, and the verdict."""

import re

FAILURES = []

# The slow recipe of the signal tests: pre-conditioning alone takes a minute, so a signal sent
# once the output is driven always lands in it.
SLOW_RECIPE = """[RECIPE]
Name=Slow
Layers=1
[LAYER1]
Name=Film
Outputs=1
EndTime=600
ShutterHold=1
ShutterTimeout=600
[LAYER1 OUTPUT1]
Rate=5
Rise1Power=60
Rise1Time=60
Soak1Time=1
"""


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAIL:", what, flush=True)
    return condition


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def output_words(trace, registers=("08", "14")):
    """{(card, register): [values in order]} of the output registers written in the trace."""
    words = {}
    pattern = r"^(\d+) 0x(%s) 0x([0-9A-Fa-f]+)$" % "|".join(registers)
    for m in re.finditer(pattern, trace, re.M):
        words.setdefault((m.group(1), m.group(2)), []).append(int(m.group(3), 16))
    return words


def verdict():
    """The exit status of the test program: 0 when every check held."""
    if FAILURES:
        print("%d check(s) failed" % len(FAILURES))
        return 1
    print("all checks passed")
    return 0
