#include "DataLog.h"

#include <QFile>
#include <QLocale>

#include <cerrno>
#include <cmath>

#include <fcntl.h>
#include <unistd.h>

namespace coflux {

QString LogTimeText(double secondsSinceMidnight)
{
    constexpr long long kDay = 86400;
    long long t = std::isfinite(secondsSinceMidnight)
                      ? static_cast<long long>(std::floor(secondsSinceMidnight))
                      : 0;
    t = ((t % kDay) + kDay) % kDay; // a backlog just after midnight gives a negative time
    return QStringLiteral("%1:%2:%3")
        .arg(t / 3600)
        .arg((t / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(t % 60, 2, 10, QLatin1Char('0'));
}

QString LogStartLine(const QDate& date)
{
    return QStringLiteral("\r\nDate: ") + QLocale::system().toString(date, QLocale::ShortFormat);
}

QString LogHeaderLine()
{
    return QStringLiteral("Time, Output, Thick, Rate, Power, Output, Thick, etc.");
}

QString LogSensorGroup(const QString& name, const QString& thick, const QString& rate,
                       const QString& power)
{
    return QStringLiteral(", ") + name.trimmed() + QStringLiteral(", ") + thick +
           QStringLiteral(", ") + rate + QStringLiteral(", ") + power;
}

QString LogAnalogGroup(const QString& name, const QString& value, const QString& power)
{
    return QStringLiteral(", ") + name.trimmed() + QStringLiteral(", Analog, ") + value +
           QStringLiteral(", ") + power;
}

bool AppendLogLine(const QString& file, const QString& line, QString* cause)
{
    if (file.trimmed().isEmpty() || file.contains(QChar(0))) {
        if (cause) *cause = QStringLiteral("no usable log file name");
        return false;
    }
    // O_APPEND puts every line at the end even when another program appends too, and needs no
    // seek, which a device such as a pipe cannot do; O_NONBLOCK keeps a pipe nobody reads from
    // from holding the run up.
    const int fd = ::open(QFile::encodeName(file).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        if (cause) *cause = qt_error_string(errno);
        return false;
    }
    QFile out;
    if (!out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (cause) *cause = out.errorString();
        return false;
    }
    const QByteArray bytes = line.toUtf8() + "\r\n";
    const bool written = out.write(bytes) == bytes.size() && out.flush();
    if (written) {
        out.close();
        if (out.error() == QFileDevice::NoError) return true;
    }
    if (cause) *cause = out.errorString();
    return false;
}

} // namespace coflux
