#include "common/ErrorReport.h"

#include <QtGlobal>

#include <atomic>

namespace tlv {

namespace {
void warningReporter(const QString& text)
{
    qWarning("%s", qUtf8Printable(text));
}

// Constant-initialised, so a reporter installed by a static initialiser elsewhere is never
// overwritten by this file's own initialisation.
std::atomic<ErrorReporter> g_reporter{nullptr};
} // namespace

QString RoutineError::Description(int number)
{
    switch (number) {
    case Overflow:
        return QStringLiteral("Overflow");
    case BadFileName:
        return QStringLiteral("Bad file name or number");
    case DeviceIO:
        return QStringLiteral("Device I/O error");
    case DiskFull:
        return QStringLiteral("Disk full");
    case PermissionDenied:
        return QStringLiteral("Permission denied");
    case PathFileAccess:
        return QStringLiteral("Path/File access error");
    case PathNotFound:
        return QStringLiteral("Path not found");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

QString RoutineErrorText(int number, const QString& description)
{
    return QStringLiteral("Error: ") + QString::number(number) + QStringLiteral(". ") + description;
}

void ReportRoutineError(int number)
{
    const QString text = RoutineErrorText(number, RoutineError::Description(number));
    ErrorReporter reporter = g_reporter.load(std::memory_order_acquire);
    (reporter ? reporter : warningReporter)(text);
}

ErrorReporter SetErrorReporter(ErrorReporter reporter)
{
    return g_reporter.exchange(reporter, std::memory_order_acq_rel);
}

} // namespace tlv
