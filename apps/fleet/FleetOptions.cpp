#include "FleetOptions.h"

namespace fleet {

bool ParseFleetArguments(const QStringList& arguments, const tlv::mqtt::PublishOptions& saved,
                         FleetOptions& options, QString& error)
{
    FleetOptions parsed;
    parsed.broker = saved;
    QStringList rest;
    if (!tlv::mqtt::TakePublishArguments(arguments, parsed.broker, rest, error)) return false;
    const QString logOption = QStringLiteral("--event-log");
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QString& arg = rest[i];
        if (arg == logOption) {
            if (i + 1 >= rest.size() || rest[i + 1].isEmpty()) {
                error = QStringLiteral("--event-log needs a file name");
                return false;
            }
            parsed.eventLog = rest[++i];
        } else if (arg.startsWith(logOption + QLatin1Char('='))) {
            parsed.eventLog = arg.mid(logOption.size() + 1);
            if (parsed.eventLog.isEmpty()) {
                error = QStringLiteral("--event-log needs a file name");
                return false;
            }
        } else {
            error = QStringLiteral("Unknown argument \"%1\"").arg(arg);
            return false;
        }
    }
    options = parsed;
    return true;
}

QString FleetUsage()
{
    return QStringLiteral("Every coater that publishes to an MQTT broker, in one window.\n") +
           tlv::mqtt::PublishUsage().replace(
               QStringLiteral("publish readings, state and events to an MQTT broker"),
               QStringLiteral("the broker and topic prefix the programs publish to")) +
           QStringLiteral("  --event-log FILE                      append the events to FILE "
                          "(default tlvfleet.log in the program's folder)\n");
}

} // namespace fleet
