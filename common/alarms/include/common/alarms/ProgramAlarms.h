#pragma once
// The alarms of one program core: its alarm model and the alarm log that writes every change
// beside the program's data log ("<program>-alarms.log"). The core adds the conditions that
// raise and clear them.

#include "common/alarms/AlarmLog.h"
#include "common/alarms/AlarmModel.h"

#include <QObject>
#include <QString>

namespace tlv {

class ProgramAlarms : public QObject {
    Q_OBJECT
public:
    // `program` names the log ("coflux", "tlvmonitor", "tlvmulti"); `clock` is the
    // instrument's.
    ProgramAlarms(const QString& program, AlarmModel::Clock clock, QObject* parent = nullptr);

    AlarmModel& model() { return m_model; }
    const AlarmModel& model() const { return m_model; }
    const AlarmLog& log() const { return m_log; }

    // The log goes into `folder` from the next change on (the data log's folder).
    void setLogFolder(const QString& folder);
    // The folder of a data log named `dataLog` (a relative name: from the working folder).
    void setLogBeside(const QString& dataLog);

signals:
    // The alarm log could not be written (once until a write succeeds again).
    void logFailed(const QString& message);

private:
    QString m_program;
    AlarmModel m_model;
    AlarmLog m_log;
};

} // namespace tlv
