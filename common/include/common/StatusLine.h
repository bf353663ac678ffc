#pragma once

#include <QLabel>
#include <QString>
#include <QTime>

class QMainWindow;

namespace tlv {

// The line in a main window's status bar that shows the latest error, refusal or notice of the
// instrument or of a setup file, with the time it happened ("12:04:31  Error 2: ..."). It never
// asks anything of the user: message boxes stay where the program's settings want them, and this
// line tells the operator what happened whatever those settings say. Object name "lblStatusLine".
class StatusLine : public QLabel {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

    // Shows `text` stamped with `time` (the current time when not given).
    void showMessage(const QString& text, const QTime& time = QTime::currentTime());
    // An instrument error as the line shows it: "Error <number>: <message>".
    void showError(int number, const QString& message, const QTime& time = QTime::currentTime());

    // The last text shown, without its time; empty before the first.
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// Adds a status line to the window's status bar (left, taking the free width; permanent widgets
// of others stay at the right) and returns it.
StatusLine* InstallStatusLine(QMainWindow* window);

} // namespace tlv
