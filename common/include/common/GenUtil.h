#pragma once

#include <QDateTime>
#include <QString>

namespace tlv {
// Whether a failing routine shows its error to the operator or only returns its default.
enum class ErrorDisplay { Show, Quiet };
} // namespace tlv

// Opens `file` for appending (creating it), writes `text` and a line break ("\r\n", as in
// every log file of the system) and closes it. Returns true on success. On failure (empty name,
// missing folder, no permission, disk full) it shows "Error: <n>. <description>" through the
// routine error reporter unless `display` is Quiet, and returns false.
bool AppendToTextFile(const QString& file, const QString& text,
                      tlv::ErrorDisplay display = tlv::ErrorDisplay::Show);

// Whole seconds from `first` to `second`, rounded (halves to even); 0 when either is invalid;
// limited to the 32-bit range.
int DiffSeconds(const QDateTime& first, const QDateTime& second);
