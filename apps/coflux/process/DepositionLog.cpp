// The data log of a run: the start and header lines when a deposition starts, one data line per
// analog event while running. A line that cannot be written is counted and reported; the next
// one is tried again.

#include "Deposition.h"

#include "DataLog.h"

namespace coflux {

void Deposition::StartLog()
{
    m_logLinesLost = 0;
    m_firstLogFailure.clear();
    if (m_tables.Flags.LogEnabled == 0) return;
    WriteLogLine(LogStartLine(m_tlv.Clock().now().date()));
    WriteLogLine(LogHeaderLine());
}

void Deposition::WriteLogLine(const QString& line)
{
    QString cause;
    const QString& file = m_tables.Flags.LogFile;
    if (AppendLogLine(file, line, &cause)) return;
    ++m_logLinesLost;
    if (m_firstLogFailure.isEmpty()) m_firstLogFailure = cause;
    emit logLineLost(file, cause, m_logLinesLost);
}

} // namespace coflux
