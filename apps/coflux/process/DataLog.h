#pragma once
// The data log of a deposition: a comma-separated text file appended to line by line while
// running. These routines build the lines; the append itself opens, writes and closes the file
// each time, so a line that fails is simply tried again with the next reading.

#include <QDate>
#include <QString>

namespace coflux {

// "h:mm:ss" of a time given in seconds since midnight (wrapped into one day).
QString LogTimeText(double secondsSinceMidnight);

// The start line of a deposition: an empty line, then "Date: " and the short date.
QString LogStartLine(const QDate& date);

// The header line written right after the start line.
QString LogHeaderLine();

// One group of a data line for an output fed by sensors (texts as displayed).
QString LogSensorGroup(const QString& name, const QString& thick, const QString& rate,
                       const QString& power);

// One group of a data line for an output fed by an analog input.
QString LogAnalogGroup(const QString& name, const QString& value, const QString& power);

// Appends one line (and CRLF) to the log file; false when the file cannot be opened or written,
// with the reason in `cause` when given.
bool AppendLogLine(const QString& file, const QString& line, QString* cause = nullptr);

} // namespace coflux
