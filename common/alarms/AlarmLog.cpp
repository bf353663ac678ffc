#include "common/alarms/AlarmLog.h"

#include <QDir>
#include <QFileInfo>

namespace tlv {

namespace {

QString OneField(QString text)
{
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

AlarmLog::AlarmLog(QObject* parent) : QObject(parent) {}

QString AlarmLog::pathFor(const QString& folder, const QString& program)
{
    return QDir(folder).filePath(program + QStringLiteral("-alarms.log"));
}

QString AlarmLog::lineFor(const Alarm& alarm, AlarmChange change)
{
    const QStringList fields{alarm.changed.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                             QString::number(alarm.id),
                             AlarmChangeWord(change),
                             AlarmSeverityWord(alarm.severity),
                             OneField(alarm.condition),
                             OneField(alarm.source.text),
                             OneField(alarm.text)};
    return fields.join(QLatin1Char('\t'));
}

bool AlarmLog::open(const QString& path)
{
    close();
    m_failing = false;
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        m_error = QStringLiteral("Cannot write the alarm log %1: %2")
                      .arg(QDir::toNativeSeparators(path), m_file.errorString());
        return false;
    }
    m_error.clear();
    return true;
}

void AlarmLog::setPath(const QString& path)
{
    if (path == m_file.fileName()) return;
    close();
    m_failing = false;
    m_error.clear();
    m_file.setFileName(path);
}

void AlarmLog::close()
{
    if (m_file.isOpen()) m_file.close();
}

void AlarmLog::follow(const AlarmModel& model)
{
    connect(&model, &AlarmModel::changed, this, &AlarmLog::write);
}

void AlarmLog::write(const tlv::Alarm& alarm, tlv::AlarmChange change)
{
    if (m_file.fileName().isEmpty()) return; // no log asked for
    if (!m_file.isOpen()) {
        QDir().mkpath(QFileInfo(m_file.fileName()).absolutePath());
        const bool first = !m_failing;
        m_failing = !open(m_file.fileName());
        if (m_failing) {
            if (first) emit failed(m_error);
            return;
        }
    }
    const QByteArray line = (lineFor(alarm, change) + QLatin1Char('\n')).toUtf8();
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        const bool first = !m_failing;
        m_failing = true;
        m_error = QStringLiteral("Cannot write the alarm log %1: %2")
                      .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
        m_file.close(); // reopened with the next change
        if (first) emit failed(m_error);
        return;
    }
    m_failing = false;
    m_error.clear();
}

} // namespace tlv
