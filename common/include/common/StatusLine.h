#pragma once

#include <QDateTime>
#include <QLabel>
#include <QString>
#include <QTime>
#include <QTimer>

#include <functional>

class QMainWindow;

namespace tlv {

// The line in a main window's status bar that shows the latest error, refusal or notice of the
// instrument or of a setup file, with the time it happened and how long ago that was
// ("12:04:31 (2 min ago)  Error 2: ..."). It never asks anything of the user: message boxes stay
// where the program's settings want them, and this line tells the operator what happened
// whatever those settings say. Object name "lblStatusLine".
//
// A message may name its cause (a short key the program chooses: "trip", "init", "alarm 7"):
// once the program says that cause has gone (clearCause), the line empties, so a message never
// outlives what it reported.
class StatusLine : public QLabel {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

    // The clock the age is counted on (the instrument's, so tests step it); the machine's clock
    // until set.
    using Clock = std::function<QDateTime()>;
    void setClock(Clock clock);

    // Shows `text` stamped with `time` (the clock's time when not given), for `cause` (empty: a
    // message that stays until the next one).
    void showMessage(const QString& text, const QTime& time = QTime(),
                     const QString& cause = QString());
    // An instrument error as the line shows it: "Error <number>: <message>".
    void showError(int number, const QString& message, const QTime& time = QTime(),
                   const QString& cause = QString());
    // The cause of the message shown has gone: the line empties. A message of another cause
    // (or of none) stays. True when the line was emptied.
    bool clearCause(const QString& cause);

    // The last text shown, without its time; empty before the first and once cleared.
    const QString& message() const { return m_message; }
    // The cause given with it (empty for none).
    const QString& cause() const { return m_cause; }
    // "5 s ago", "3 min ago", "2 h 5 min ago" (empty while nothing is shown).
    QString ageText() const;

public slots:
    // Redraws the line with the age as of now (a timer does it every second while a message
    // shows).
    void refreshAge();

private:
    Clock m_clock;
    QString m_message;
    QString m_cause;
    QTime m_stamp;
    QDateTime m_when; // the stamp as a date and time on the clock, for the age
    QTimer m_ageTimer;
};

// Adds a status line to the window's status bar (left, taking the free width; permanent widgets
// of others stay at the right) and returns it.
StatusLine* InstallStatusLine(QMainWindow* window);

} // namespace tlv
