#pragma once
// Reads one command line of the remote interface into program units.
//
// A line holds one command, or several separated by ';'. A unit is a header (`*IDN?`,
// `MEAS:SENS?`, `:OUTP:RATE`; a leading ':' is allowed, '?' marks a query) and, after white
// space, parameters separated by ','. A parameter is a decimal number (`12`, `-1.5e3`, `.5`), a
// word (`ALL`, `AUTO`) or a string in double or single quotes (a doubled quote stands for one).
// Anything else is a syntax error; the parser never fails on any byte sequence.

#include "common/remote/ScpiErrors.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tlv::remote {

struct ScpiParameter {
    enum class Kind { Number, Word, String };
    Kind kind = Kind::Word;
    double number = 0.0; // Number
    QByteArray word;     // Word, upper case
    QString string;      // String, without its quotes
};

struct ScpiUnit {
    bool common = false;       // a `*` command
    bool query = false;        // the header ends in '?'
    QList<QByteArray> headers; // the mnemonics in upper case, without '*', ':' and '?'
    QList<ScpiParameter> parameters;
};

// Splits a line at the ';' outside quotes. White space around each part is removed; empty
// parts remain (the caller refuses them), so "A;;B" gives three parts.
QList<QByteArray> SplitUnits(const QByteArray& line);

// Parses one part of a line; SyntaxError when it is not a well-formed unit.
Outcome ParseUnit(const QByteArray& text, ScpiUnit& unit);

// True when an upper-case mnemonic is the short or the long form of a pattern whose short form
// is written in capitals ("SENSor" takes SENS and SENSOR, nothing in between).
bool MatchesMnemonic(const QByteArray& mnemonic, const char* pattern);

} // namespace tlv::remote
