#include "HeadlessReporter.h"

#include "Deposition.h"

#include "common/ErrorReport.h"
#include "common/TerminationSignals.h"

namespace coflux {

namespace {

constexpr QLatin1String kPrefix("coflux: ");

// The reporter that receives the routine errors; the newest one while several live.
HeadlessReporter* g_current = nullptr;

void ReportRoutineError(const QString& text)
{
    if (g_current) g_current->Error(text);
}

// A stream whose reader has gone is reported once (PrintLine); the run goes on.
void WriteLine(std::FILE* stream, QString line)
{
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (line.endsWith(QLatin1Char('\n'))) line.chop(1);
    tlv::PrintLine(stream, line, QStringLiteral("coflux"));
}

} // namespace

HeadlessReporter::HeadlessReporter(std::FILE* out, std::FILE* err, QObject* parent)
    : QObject(parent), m_out(out), m_err(err)
{
    m_previousCurrent = g_current;
    g_current = this;
    m_previousReporter = tlv::SetErrorReporter(&ReportRoutineError);
}

HeadlessReporter::~HeadlessReporter()
{
    tlv::SetErrorReporter(m_previousReporter);
    g_current = m_previousCurrent;
}

void HeadlessReporter::Follow(const Deposition& process)
{
    connect(&process, &Deposition::notice, this,
            [this](const QString& text, NoticeLevel) { Error(text); });
    connect(&process, &Deposition::classError, this, [this](int number, const QString& message) {
        Error(QStringLiteral("TLV880 Error: %1: %2").arg(number).arg(message));
    });
    const auto event = [this, &process](const char* kind, int code, const QString& message) {
        if (process.Tables().Flags.ShowErrors)
            Error(QStringLiteral("%1: %2: %3").arg(QLatin1String(kind)).arg(code).arg(message));
    };
    connect(&process, &Deposition::sensorEvent, this,
            [event](int code, const QString& m) { event("Sensor Event", code, m); });
    connect(&process, &Deposition::outputEvent, this,
            [event](int code, const QString& m) { event("Output Event", code, m); });
    connect(&process, &Deposition::logLineLost, this,
            [this](const QString& file, const QString& cause, int lost) {
                if (lost == 1)
                    Error(QStringLiteral("the log file %1 cannot be written: %2").arg(file, cause));
            });
}

void HeadlessReporter::Out(const QString& line) const
{
    WriteLine(m_out, line);
}

void HeadlessReporter::Error(const QString& text) const
{
    WriteLine(m_err, text.startsWith(kPrefix) ? text : kPrefix + text);
}

} // namespace coflux
