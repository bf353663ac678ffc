#include "common/StatusLine.h"

#include <QMainWindow>
#include <QStatusBar>

namespace tlv {

StatusLine::StatusLine(QWidget* parent)
    : QLabel(parent), m_clock([] { return QDateTime::currentDateTime(); })
{
    setObjectName(QStringLiteral("lblStatusLine"));
    setTextFormat(Qt::PlainText);
    // A long message must not widen the window: it is cut here and whole in the tool tip.
    setMinimumWidth(0);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // The age changes by the second at first and by the minute later; a redraw a second is
    // cheap and only runs while a message shows.
    m_ageTimer.setInterval(1000);
    connect(&m_ageTimer, &QTimer::timeout, this, &StatusLine::refreshAge);
}

void StatusLine::setClock(Clock clock)
{
    m_clock = std::move(clock);
    refreshAge();
}

void StatusLine::showMessage(const QString& text, const QTime& time, const QString& cause)
{
    const QDateTime now = m_clock();
    m_stamp = time.isValid() ? time : now.time();
    // A stamp later than now is yesterday's (a message stamped just before midnight).
    m_when = QDateTime(now.date(), m_stamp);
    if (m_when > now.addSecs(1)) m_when = m_when.addDays(-1);
    // A message is one line: line breaks of message-box texts become spaces.
    m_message = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
    m_cause = cause;
    m_ageTimer.start();
    refreshAge();
}

void StatusLine::showError(int number, const QString& message, const QTime& time,
                           const QString& cause)
{
    showMessage(QStringLiteral("Error %1: %2").arg(number).arg(message), time, cause);
}

bool StatusLine::clearCause(const QString& cause)
{
    if (cause.isEmpty() || cause != m_cause || m_message.isEmpty()) return false;
    m_message.clear();
    m_cause.clear();
    m_ageTimer.stop();
    clear();
    setToolTip(QString());
    return true;
}

QString StatusLine::ageText() const
{
    if (m_message.isEmpty()) return {};
    const qint64 seconds = std::max<qint64>(0, m_when.secsTo(m_clock()));
    if (seconds < 60) return QStringLiteral("%1 s ago").arg(seconds);
    const qint64 minutes = seconds / 60;
    if (minutes < 60) return QStringLiteral("%1 min ago").arg(minutes);
    return QStringLiteral("%1 h %2 min ago").arg(minutes / 60).arg(minutes % 60);
}

void StatusLine::refreshAge()
{
    if (m_message.isEmpty()) return;
    const QString line = m_stamp.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" (") +
                         ageText() + QStringLiteral(")  ") + m_message;
    setText(line);
    setToolTip(line);
}

StatusLine* InstallStatusLine(QMainWindow* window)
{
    auto* line = new StatusLine(window);
    window->statusBar()->addWidget(line, 1);
    return line;
}

} // namespace tlv
