#pragma once
// A permanent status-bar label that shows a publisher's connection ("MQTT: online (host:1883)",
// "MQTT: ... lost, retrying") with the last problem as its tool tip. Object name "lblPublish".

#include <QLabel>

namespace tlv::mqtt {

class MqttPublisher;

class PublishStatusLabel : public QLabel {
    Q_OBJECT
public:
    explicit PublishStatusLabel(QWidget* parent = nullptr);
    // Follows `publisher` from now on (not owned); null shows "MQTT: off".
    void follow(MqttPublisher* publisher);
};

} // namespace tlv::mqtt
