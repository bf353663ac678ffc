#include "common/mqtt/PublishStatusLabel.h"

#include "common/mqtt/MqttPublisher.h"

namespace tlv::mqtt {

PublishStatusLabel::PublishStatusLabel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("lblPublish"));
    setText(QStringLiteral("MQTT: off"));
}

void PublishStatusLabel::follow(MqttPublisher* publisher)
{
    if (!publisher) {
        setText(QStringLiteral("MQTT: off"));
        return;
    }
    setText(publisher->connectionText());
    connect(publisher, &MqttPublisher::connectionChanged, this,
            [this](MqttPublisher::Connection, const QString& text) { setText(text); });
    connect(publisher, &MqttPublisher::problem, this, &QLabel::setToolTip);
    connect(
        publisher, &MqttPublisher::droppedReported, this, [this](long long readings, long long) {
            setToolTip(QStringLiteral("%1 readings were dropped while the broker was unreachable.")
                           .arg(readings));
        });
}

} // namespace tlv::mqtt
