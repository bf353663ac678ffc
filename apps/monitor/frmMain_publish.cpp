// Publishing to an MQTT broker: the readings of the displayed sensors at each refresh, the run
// state and setup file, and the instrument's sensor, output and error events. The status bar
// shows the connection.
#include "frmMain.h"

#include "common/SetupFile.h"
#include "common/mqtt/MqttPublisher.h"
#include "common/mqtt/PublishStatusLabel.h"

#include <QStatusBar>

namespace monitor {

void frmMain::BuildStatusBar()
{
    m_lblPublish = new tlv::mqtt::PublishStatusLabel(statusBar());
    statusBar()->addPermanentWidget(m_lblPublish);
}

bool frmMain::StartPublishing(const tlv::mqtt::PublishOptions& options)
{
    if (!m_publisher) {
        m_publisher = new tlv::mqtt::MqttPublisher(QString::fromLatin1(kProgramTitle), this);
        m_lblPublish->follow(m_publisher);
        // The caption names the setup file: a new caption is a new setup file.
        connect(this, &QWidget::windowTitleChanged, this, &frmMain::PublishState);
        connect(m_tlv, &cTLV880a::TLVSensorEvent, this,
                [this](int code, const QString& text, int sensor) {
                    m_publisher->publishEvent({QStringLiteral("sensor"), code, sensor, text},
                                              m_publisher->now());
                });
        connect(m_tlv, &cTLV880a::TLVOutputEvent, this,
                [this](int code, const QString& text, int output) {
                    m_publisher->publishEvent({QStringLiteral("output"), code, output, text},
                                              m_publisher->now());
                });
        connect(m_tlv, &cTLV880a::TLVError, this, [this](int number, const QString& text) {
            m_publisher->publishEvent({QStringLiteral("class error"), number, -1, text},
                                      m_publisher->now());
        });
    }
    if (!m_publisher->start(options)) return false;
    PublishState();
    return true;
}

void frmMain::PublishState()
{
    if (!m_publisher) return;
    m_publisher->publishState(
        {m_settings.runState == 1 ? QStringLiteral("running") : QStringLiteral("stopped"),
         tlv::CurrentSetupFile(),
         {},
         {}});
}

void frmMain::PublishReadings()
{
    if (!m_publisher) return;
    const QDateTime time = m_publisher->now();
    const CrystalSpan span{m_settings.initFreq, m_settings.minFreq};
    for (int s = 0; s < m_settings.sensorsShown && s < kMaxSensors; ++s) {
        tlv::mqtt::SensorLife life;
        life.percent = CrystalLife(m_readings[s][2], span);
        const auto forecast =
            m_tlv->SensorForecast(static_cast<short>(s), m_readings[s][2], m_readings[s][0]);
        if (forecast) {
            life.thicknessLeft = forecast->thicknessLeft * 1000;
            if (forecast->secondsLeft) life.secondsLeft = *forecast->secondsLeft;
        }
        m_publisher->publishSensor(s, time, m_readings[s][0], m_readings[s][1], m_readings[s][2],
                                   life);
    }
}

} // namespace monitor
