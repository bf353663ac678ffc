#pragma once
// Error numbers and texts of the remote interface, and the error queue each client keeps.
//
// The numbers are the SCPI standard's; a client reads them oldest first with SYST:ERR?.

#include <QByteArray>
#include <QString>

#include <deque>

namespace tlv::remote {

enum ScpiError : int {
    NoError = 0,
    SyntaxError = -102,
    MissingParameter = -109,
    UndefinedHeader = -113,
    CommandProtected = -203,
    SettingsConflict = -221,
    DataOutOfRange = -222,
    FileNameNotFound = -256,
    QueueOverflow = -350,
};

// The standard text of an error number ("Syntax error"); "No error" for 0 and unknown numbers.
const char* ScpiErrorText(int code);

// What a command did: 0, or an error number with an optional detail that follows the standard
// text (the window's own message for a refused value).
struct Outcome {
    int code = NoError;
    QString detail;

    bool ok() const { return code == NoError; }
    static Outcome Ok() { return {}; }
    static Outcome Error(int errorCode, QString why = QString())
    {
        return {errorCode, std::move(why)};
    }
};

// A client's errors, oldest first. When only one place is left, the error that does not fit is
// replaced by "Queue overflow" and later errors are dropped until the client reads some.
class ErrorQueue {
public:
    static constexpr int kCapacity = 16;

    void Push(const Outcome& error);
    // Takes the oldest error, formatted `<code>,"<text>"`; `0,"No error"` when empty.
    QByteArray PopFormatted();
    void Clear() { m_errors.clear(); }
    int Size() const { return static_cast<int>(m_errors.size()); }

private:
    std::deque<Outcome> m_errors;
};

} // namespace tlv::remote
