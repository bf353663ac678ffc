#include "common/StatusLine.h"

#include <QMainWindow>
#include <QStatusBar>

namespace tlv {

StatusLine::StatusLine(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("lblStatusLine"));
    setTextFormat(Qt::PlainText);
    // A long message must not widen the window: it is cut here and whole in the tool tip.
    setMinimumWidth(0);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void StatusLine::showMessage(const QString& text, const QTime& time)
{
    // A message is one line: line breaks of message-box texts become spaces.
    m_message = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
    const QString line =
        time.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") + m_message;
    setText(line);
    setToolTip(line);
}

void StatusLine::showError(int number, const QString& message, const QTime& time)
{
    showMessage(QStringLiteral("Error %1: %2").arg(number).arg(message), time);
}

StatusLine* InstallStatusLine(QMainWindow* window)
{
    auto* line = new StatusLine(window);
    window->statusBar()->addWidget(line, 1);
    return line;
}

} // namespace tlv
