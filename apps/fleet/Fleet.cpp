#include "Fleet.h"

#include "FleetOptions.h"

#include "common/GenUtil.h"
#include "common/mqtt/PublishPayload.h"

namespace fleet {

Fleet::Fleet(QObject* parent) : QObject(parent), m_subscriber(QString::fromLatin1(kProgramTitle))
{
    m_subscriber.setPayloadLimit(kMaxPayloadBytes);
    connect(&m_subscriber, &tlv::mqtt::MqttSubscriber::messageReceived, this,
            [this](const tlv::mqtt::IncomingMessage& message) {
                m_model.take(message.topic, message.payload, message.oversized);
            });
    connect(&m_subscriber, &tlv::mqtt::MqttSubscriber::connectionChanged, this,
            [this](tlv::mqtt::MqttSubscriber::Connection, const QString& text) {
                emit connectionChanged(connected(), text);
            });
    connect(&m_subscriber, &tlv::mqtt::MqttSubscriber::problem, this, &Fleet::problem);
    connect(&m_model, &FleetModel::eventAdded, this, &Fleet::logEvent);
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, &m_model, &FleetModel::tick);
}

void Fleet::setEventLog(const QString& file)
{
    m_eventLog = file;
    m_logBroken = false;
}

bool Fleet::start(const tlv::mqtt::PublishOptions& broker)
{
    m_tick.start();
    return m_subscriber.start(broker);
}

void Fleet::stop()
{
    m_subscriber.stop();
    m_tick.stop();
}

bool Fleet::connected() const
{
    return m_subscriber.connection() == tlv::mqtt::MqttSubscriber::Connection::Online;
}

long long Fleet::ignoredCount() const
{
    return m_model.bad().total() + m_subscriber.droppedMessages();
}

QString EventLogLine(const FleetEvent& event)
{
    QString text = event.text;
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringList{QString::fromLatin1(tlv::mqtt::IsoUtc(event.time)),
                       event.coater,
                       event.program,
                       event.kind,
                       QString::number(event.code),
                       text}
        .join(QLatin1Char('\t'));
}

void Fleet::logEvent(const FleetEvent& event)
{
    if (m_eventLog.isEmpty()) return;
    if (AppendToTextFile(m_eventLog, EventLogLine(event), tlv::ErrorDisplay::Quiet)) {
        m_logBroken = false;
        return;
    }
    // Said once until the log works again, not once per event.
    if (m_logBroken) return;
    m_logBroken = true;
    emit problem(QStringLiteral("The event log \"%1\" cannot be written; events are still "
                                "shown.")
                     .arg(m_eventLog));
}

} // namespace fleet
