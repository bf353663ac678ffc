"""The one exception the driver raises for a command the program refused, and the one for an
answer that does not follow the remote interface's format."""


class Tlv880Error(Exception):
    """A command refused by coflux or tlvmonitor, as its error queue reported it.

    ``code`` is the SCPI error number (-102 syntax error, -109 missing parameter, -113
    undefined header, -203 command protected, -221 settings conflict, -222 data out of range,
    -256 file name not found, -350 queue overflow); ``message`` is the program's text, e.g.
    ``"Data out of range; Rate must be between 0 and 999.9 !"``; ``command`` is the line that
    was refused, when known; ``others`` holds the (code, message) pairs queued after it.
    """

    def __init__(self, code, message, command=None, others=()):
        self.code = int(code)
        self.message = message
        self.command = command
        self.others = list(others)
        where = " (after %r)" % command if command else ""
        super().__init__("%d, %s%s" % (self.code, message, where))


def parse_error(answer):
    """``(code, message)`` from an answer of ``SYST:ERR?``: ``<code>,"<text>"`` with the
    text's own quotes doubled."""
    code, separator, text = answer.strip().partition(",")
    try:
        number = int(code)
    except ValueError:
        number = None
    if number is None or not separator or len(text) < 2 or text[0] != '"' or text[-1] != '"':
        raise ProtocolError("unreadable answer of SYST:ERR?: %r" % answer)
    return number, text[1:-1].replace('""', '"')


class ProtocolError(OSError):
    """An answer that is not what the remote interface answers: the connection is out of step
    (a late answer to an earlier query) or the peer is not one of the programs."""
