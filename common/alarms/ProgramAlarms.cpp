#include "common/alarms/ProgramAlarms.h"

#include <QFileInfo>

namespace tlv {

ProgramAlarms::ProgramAlarms(const QString& program, AlarmModel::Clock clock, QObject* parent)
    : QObject(parent), m_program(program), m_model(std::move(clock))
{
    m_log.follow(m_model);
    connect(&m_log, &AlarmLog::failed, this, &ProgramAlarms::logFailed);
}

void ProgramAlarms::setLogFolder(const QString& folder)
{
    m_log.setPath(AlarmLog::pathFor(folder, m_program));
}

void ProgramAlarms::setLogBeside(const QString& dataLog)
{
    setLogFolder(QFileInfo(dataLog).absolutePath());
}

} // namespace tlv
