// Error texts and the per-client error queue.
#include "common/remote/ScpiErrors.h"

namespace tlv::remote {

const char* ScpiErrorText(int code)
{
    switch (code) {
    case SyntaxError:
        return "Syntax error";
    case MissingParameter:
        return "Missing parameter";
    case UndefinedHeader:
        return "Undefined header";
    case CommandProtected:
        return "Command protected";
    case SettingsConflict:
        return "Settings conflict";
    case DataOutOfRange:
        return "Data out of range";
    case FileNameNotFound:
        return "File name not found";
    case QueueOverflow:
        return "Queue overflow";
    default:
        return "No error";
    }
}

void ErrorQueue::Push(const Outcome& error)
{
    if (error.ok()) return;
    const int size = Size();
    if (size >= kCapacity) return;
    if (size == kCapacity - 1) {
        m_errors.push_back(Outcome::Error(QueueOverflow));
        return;
    }
    m_errors.push_back(error);
}

QByteArray ErrorQueue::PopFormatted()
{
    if (m_errors.empty()) return QByteArrayLiteral("0,\"No error\"");
    const Outcome error = m_errors.front();
    m_errors.pop_front();
    QString text = QString::fromLatin1(ScpiErrorText(error.code));
    if (!error.detail.isEmpty()) text += QStringLiteral("; ") + error.detail;
    // A string answer doubles its quotes; line ends would split the answer, so they become blanks.
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QByteArray::number(error.code) + ",\"" + text.toUtf8() + '"';
}

} // namespace tlv::remote
