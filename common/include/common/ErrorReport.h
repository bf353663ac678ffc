#pragma once

#include <QString>

namespace tlv {

// Run-time errors of the bit, conversion and file routines are shown to the operator as
// "Error: <number>. <description>" (for example "Error: 6. Overflow") and the routine returns
// its default. The text goes to the installed reporter: the widgets library installs one that
// shows a message box through tlv::DialogService; without it (QtCore-only programs and tests)
// the text goes to the Qt warning log.

// Error numbers and descriptions the routines use.
namespace RoutineError {
inline constexpr int Overflow = 6;          // "Overflow"
inline constexpr int BadFileName = 52;      // "Bad file name or number"
inline constexpr int DeviceIO = 57;         // "Device I/O error"
inline constexpr int DiskFull = 61;         // "Disk full"
inline constexpr int PermissionDenied = 70; // "Permission denied"
inline constexpr int PathFileAccess = 75;   // "Path/File access error"
inline constexpr int PathNotFound = 76;     // "Path not found"
QString Description(int number);
} // namespace RoutineError

// "Error: " + number + ". " + description.
QString RoutineErrorText(int number, const QString& description);

// Shows RoutineErrorText(number, RoutineError::Description(number)) through the reporter.
void ReportRoutineError(int number);

using ErrorReporter = void (*)(const QString& text);
// Installs the reporter (nullptr restores the warning log); returns the previous one.
ErrorReporter SetErrorReporter(ErrorReporter reporter);

} // namespace tlv
