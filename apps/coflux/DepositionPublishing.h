#pragma once
// Publishes what the deposition process reports to an MQTT broker: the readings of the present
// sensors and outputs, the run state with the setup file, trips, class errors and the sensor
// and output events. Listens to the process's signals only, so the window, an unattended run
// or a remote client publish the same way.

#include <QObject>

namespace tlv::mqtt {
class MqttPublisher;
}

namespace coflux {

class Deposition;
struct ReadingArrays;

class DepositionPublishing : public QObject {
    Q_OBJECT
public:
    // Neither is owned; both must outlive this object. Publishes the current state at once.
    DepositionPublishing(Deposition& process, tlv::mqtt::MqttPublisher& publisher,
                         QObject* parent = nullptr);

private:
    void PublishState();
    void PublishReading(const ReadingArrays& readings, double time);

    Deposition& m_process;
    tlv::mqtt::MqttPublisher& m_publisher;
};

// The run state in the words the state topic uses: "stopped", "running", "held".
QString RunStateWord(short state);

} // namespace coflux
