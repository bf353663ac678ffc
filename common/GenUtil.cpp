#include "common/GenUtil.h"

#include "common/ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cmath>

namespace {

// The error number of a failed open, from what the file system shows about the name.
int openErrorNumber(const QString& file)
{
    const QFileInfo info(file);
    if (info.isDir()) return tlv::RoutineError::PathFileAccess;
    if (!info.absoluteDir().exists()) return tlv::RoutineError::PathNotFound;
    if (info.exists() ? !info.isWritable() : !QFileInfo(info.absolutePath()).isWritable())
        return tlv::RoutineError::PermissionDenied;
    return tlv::RoutineError::PathFileAccess;
}

bool fail(int number, tlv::ErrorDisplay display)
{
    if (display == tlv::ErrorDisplay::Show) tlv::ReportRoutineError(number);
    return false;
}

} // namespace

bool AppendToTextFile(const QString& file, const QString& text, tlv::ErrorDisplay display)
{
    if (file.trimmed().isEmpty() || file.contains(QChar(0)))
        return fail(tlv::RoutineError::BadFileName, display);

    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append))
        return fail(openErrorNumber(file), display);

    const QByteArray line = text.toUtf8() + "\r\n";
    errno = 0;
    const bool written = out.write(line) == line.size() && out.flush();
    const int writeErrno = errno;
    out.close();
    if (!written || out.error() != QFileDevice::NoError)
        return fail(writeErrno == ENOSPC ? tlv::RoutineError::DiskFull
                                         : tlv::RoutineError::DeviceIO,
                    display);
    return true;
}

int DiffSeconds(const QDateTime& first, const QDateTime& second)
{
    if (!first.isValid() || !second.isValid()) return 0;
    const double seconds = std::nearbyint(static_cast<double>(first.msecsTo(second)) / 1000.0);
    if (seconds >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (seconds <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(seconds);
}
