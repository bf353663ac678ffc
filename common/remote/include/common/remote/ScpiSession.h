#pragma once
// One client's conversation with the program: runs its command lines against the program's
// remote target and keeps its error queue.
//
// Commands, with sensors 1..24, outputs 1..14 and analog inputs 1..4:
//   *IDN?  *CLS  *OPC?  SYST:ERR?
//   MEAS:SENS? n   MEAS:SENS:LIFE? n   MEAS:OUTP? n   MEAS:ANAL? n   PROC:STAT?
//   PROC:STAR  PROC:STOP  PROC:HOLD  PROC:RES  PROC:ZERO n|ALL
//   OUTP:MODE n,OFF|MAN|AUTO|REC  OUTP:RATE n,v  OUTP:THIC n,v  OUTP:POW n,v  (and their queries)
//   MMEM:LOAD "name"
//   PROC:REC:LOAD "name"  PROC:REC:STAR  PROC:REC:ABOR  PROC:REC:STAT?
//   ALAR:ACT?  ALAR:COUN?  ALAR:ACK n|ALL
// Commands that change anything run only when the session was opened with control allowed.
// A failing command adds its error to the queue, answers nothing and ends its line.

#include "common/remote/RemoteTarget.h"
#include "common/remote/ScpiErrors.h"
#include "common/remote/ScpiParser.h"

#include <QByteArray>

#include <optional>

namespace tlv::remote {

inline constexpr int kSensorCount = 24;
inline constexpr int kOutputCount = 14;
inline constexpr int kAnalogCount = 4;

class ScpiSession {
public:
    // `target` must outlive the session.
    ScpiSession(RemoteTarget& target, bool controlAllowed);

    // Runs one line (without its line end). The answer line without LF when the line held a
    // query, several queries' answers joined by ';'; nothing otherwise.
    std::optional<QByteArray> Execute(const QByteArray& line);

    // A line over the length limit was discarded.
    void LineTooLong() { m_errors.Push(Outcome::Error(SyntaxError)); }

    const ErrorQueue& Errors() const { return m_errors; }
    bool ControlAllowed() const { return m_controlAllowed; }

    // A number as the interface writes it: plain decimal, '.' separator, as few digits as
    // read back to the same value.
    static QByteArray NumberText(double value);

private:
    Outcome Run(const ScpiUnit& unit, QByteArray& answer);

    RemoteTarget& m_target;
    bool m_controlAllowed;
    ErrorQueue m_errors;
};

} // namespace tlv::remote
