#include "DepositionPublishing.h"

#include "Deposition.h"

#include "common/mqtt/MqttPublisher.h"

namespace coflux {

QString RunStateWord(short state)
{
    switch (state) {
    case RunRunning:
        return QStringLiteral("running");
    case RunHeld:
        return QStringLiteral("held");
    default:
        return QStringLiteral("stopped");
    }
}

DepositionPublishing::DepositionPublishing(Deposition& process, tlv::mqtt::MqttPublisher& publisher,
                                           QObject* parent)
    : QObject(parent), m_process(process), m_publisher(publisher)
{
    using tlv::mqtt::PublishEvent;
    connect(&process, &Deposition::readingTaken, this, &DepositionPublishing::PublishReading);
    connect(&process, &Deposition::runStateChanged, this, &DepositionPublishing::PublishState);
    connect(&process, &Deposition::setupFileChanged, this, &DepositionPublishing::PublishState);
    connect(&process, &Deposition::tripped, this, [this](const QString& message) {
        m_publisher.publishEvent(PublishEvent{QStringLiteral("trip"), 0, -1, message},
                                 m_publisher.now());
    });
    connect(&process, &Deposition::classError, this, [this](int number, const QString& message) {
        m_publisher.publishEvent(PublishEvent{QStringLiteral("class error"), number, -1, message},
                                 m_publisher.now());
    });
    connect(&process, &Deposition::sensorEvent, this,
            [this](int code, const QString& message, int sensor) {
                m_publisher.publishEvent(
                    PublishEvent{QStringLiteral("sensor"), code, sensor, message},
                    m_publisher.now());
            });
    connect(&process, &Deposition::outputEvent, this,
            [this](int code, const QString& message, int output) {
                m_publisher.publishEvent(
                    PublishEvent{QStringLiteral("output"), code, output, message},
                    m_publisher.now());
            });
    PublishState();
}

void DepositionPublishing::PublishState()
{
    m_publisher.publishState(
        {RunStateWord(m_process.RunState()), m_process.SetupFileName(), {}, {}});
}

void DepositionPublishing::PublishReading(const ReadingArrays& readings, double time)
{
    const QDateTime at = tlv::mqtt::ReadingDateTime(time, m_publisher.now());
    // The process keeps thickness in kÅ; the topics carry the instrument's Å.
    for (const int s : m_process.PresentSensors())
        m_publisher.publishSensor(s, at, readings.SenRate[s], readings.SenThick[s] * 1000.0,
                                  readings.SenFreq[s]);
    // Topics number outputs as the window does: 1 to 4, and the analog outputs 12 and 13 as 5, 6.
    for (const int j : m_process.PresentOutputs())
        m_publisher.publishOutput(j >= 12 ? j - 8 : j, at, readings.OutRate[j],
                                  readings.OutThick[j] * 1000.0, readings.OutPower[j]);
}

} // namespace coflux
