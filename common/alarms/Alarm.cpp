#include "common/alarms/Alarm.h"

namespace tlv {

AlarmSource AlarmSource::sensor(int index)
{
    return {Kind::Sensor, index, QStringLiteral("Sensor %1").arg(index + 1)};
}

AlarmSource AlarmSource::output(int index, const QString& text)
{
    return {Kind::Output, index, text};
}

AlarmSource AlarmSource::card(int index)
{
    return {Kind::Card, index, QStringLiteral("Card %1").arg(index + 1)};
}

QString AlarmStateWord(AlarmState state)
{
    switch (state) {
    case AlarmState::Acknowledged:
        return QStringLiteral("acknowledged");
    case AlarmState::Cleared:
        return QStringLiteral("cleared");
    case AlarmState::Active:
        break;
    }
    return QStringLiteral("active");
}

QString AlarmChangeWord(AlarmChange change)
{
    switch (change) {
    case AlarmChange::Acknowledged:
        return QStringLiteral("acknowledged");
    case AlarmChange::Cleared:
        return QStringLiteral("cleared");
    case AlarmChange::Raised:
        break;
    }
    return QStringLiteral("raised");
}

QString AlarmSeverityWord(AlarmSeverity level)
{
    return level == AlarmSeverity::Warning ? QStringLiteral("warning") : QStringLiteral("alarm");
}

} // namespace tlv
