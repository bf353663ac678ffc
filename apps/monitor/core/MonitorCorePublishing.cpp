// Publishing to an MQTT broker: the readings of the displayed sensors at each refresh, the run
// state and setup file, and the instrument's sensor, output and error events.
#include "MonitorCore.h"

#include "common/SetupFile.h"
#include "common/mqtt/MqttPublisher.h"

namespace monitor {

bool MonitorCore::StartPublishing(const tlv::mqtt::PublishOptions& options)
{
    if (!m_publisher) {
        m_publisher = new tlv::mqtt::MqttPublisher(QString::fromLatin1(kProgramTitle), this);
        // Each change of an alarm goes out as an event; the state lists the open alarms.
        m_publisher->followAlarms(m_alarms.model());
        connect(&m_tlv, &cTLV880a::TLVSensorEvent, this,
                [this](int code, const QString& text, int sensor) {
                    m_publisher->publishEvent({QStringLiteral("sensor"), code, sensor, text},
                                              m_publisher->now());
                });
        connect(&m_tlv, &cTLV880a::TLVOutputEvent, this,
                [this](int code, const QString& text, int output) {
                    m_publisher->publishEvent({QStringLiteral("output"), code, output, text},
                                              m_publisher->now());
                });
        connect(&m_tlv, &cTLV880a::TLVError, this, [this](int number, const QString& text) {
            m_publisher->publishEvent({QStringLiteral("class error"), number, -1, text},
                                      m_publisher->now());
        });
        emit publisherCreated(m_publisher);
    }
    if (!m_publisher->start(options)) return false;
    PublishState();
    return true;
}

void MonitorCore::PublishState()
{
    if (!m_publisher) return;
    m_publisher->publishState(
        {m_settings.runState == 1 ? QStringLiteral("running") : QStringLiteral("stopped"),
         tlv::CurrentSetupFile(),
         {},
         {}});
}

void MonitorCore::PublishReadings()
{
    if (!m_publisher) return;
    const QDateTime time = m_publisher->now();
    const CrystalSpan span{m_settings.initFreq, m_settings.minFreq};
    for (int s = 0; s < m_settings.sensorsShown && s < kMaxSensors; ++s) {
        const auto& row = m_readings[static_cast<size_t>(s)];
        tlv::mqtt::SensorLife life;
        life.percent = CrystalLife(row[2], span);
        const auto forecast = m_tlv.SensorForecast(static_cast<short>(s), row[2], row[0]);
        if (forecast) {
            life.thicknessLeft = forecast->thicknessLeft * 1000;
            if (forecast->secondsLeft) life.secondsLeft = *forecast->secondsLeft;
        }
        m_publisher->publishSensor(s, time, row[0], row[1], row[2], life);
    }
}

} // namespace monitor
