#pragma once
// The alarm log: every raise, acknowledgement and clearing of a program's alarms, one line each,
// appended to a text file beside the program's data log. Each line is written and flushed as the
// change happens, so a crash loses nothing that was shown.
//
// A line is tab-separated: the instrument's local time ("2026-12-08 10:00:05.250"), the alarm's
// id, the change ("raised", "acknowledged", "cleared"), the severity ("warning", "alarm"), the
// condition ("rate", "crystal", ...), the source ("Output 1", "Sensor 5", "Card 2" or empty) and
// the text (its tabs and line ends as blanks).

#include "common/alarms/AlarmModel.h"

#include <QFile>
#include <QObject>
#include <QString>

namespace tlv {

class AlarmLog : public QObject {
    Q_OBJECT
public:
    explicit AlarmLog(QObject* parent = nullptr);

    // The log's file name for `program` in `folder`: "<program>-alarms.log".
    static QString pathFor(const QString& folder, const QString& program);
    // One line as written to the file, without its line end.
    static QString lineFor(const Alarm& alarm, AlarmChange change);

    // Appends to `path` from now on (the folder is created when missing). False with the reason
    // in `error()` when it cannot be opened; the log then stays closed.
    bool open(const QString& path);
    // Appends to `path` from the next change on, opening it only then (a program that raises no
    // alarm leaves no file). The same path again changes nothing.
    void setPath(const QString& path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    // The reason of the last failure ("Cannot write the alarm log /x/y: Permission denied"),
    // empty while all is well.
    const QString& error() const { return m_error; }

    // Writes every change of `model` (connects to its signal).
    void follow(const AlarmModel& model);
    // Writes one line and flushes it. A failed write is kept in `error()` and tried again with
    // the next change (the file is reopened).
    void write(const tlv::Alarm& alarm, tlv::AlarmChange change);

signals:
    // A write failed (once per failure after a good write, so a full disk does not flood).
    void failed(const QString& error);

private:
    QFile m_file;
    QString m_error;
    bool m_failing = false; // the last write failed: say so once, not at every change
};

} // namespace tlv
