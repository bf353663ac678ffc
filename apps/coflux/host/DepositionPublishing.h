#pragma once
// Publishes what the deposition process reports to an MQTT broker: the readings of the present
// sensors and outputs, the run state with the setup file and, while a process recipe runs, the
// recipe with its current layer and phase, trips, class errors, the sensor and output events
// and how each recipe run ended. Listens to the process's signals (and its recipe session's)
// only, so the window, an unattended run, a headless recipe run or a remote client publish the
// same way.

#include "common/mqtt/PublishPayload.h"
#include "common/mqtt/PublishTarget.h"

#include <QObject>

namespace tlv::mqtt {
class MqttPublisher;
}

namespace coflux {

class Deposition;
class RecipeSession;
struct ReadingArrays;

class DepositionPublishing : public QObject {
    Q_OBJECT
public:
    // None is owned; all must outlive this object. Publishes the current state at once.
    DepositionPublishing(Deposition& process, RecipeSession& recipes,
                         tlv::mqtt::MqttPublisher& publisher, QObject* parent = nullptr);

private:
    void PublishState();
    void PublishReading(const ReadingArrays& readings, double time);
    void PublishRecipeEnd();

    Deposition& m_process;
    RecipeSession& m_recipes;
    tlv::mqtt::MqttPublisher& m_publisher;
};

// What sensor s's crystal has left as its topic carries it: life in % of the frequency span
// between the initial and the minimum frequency, thickness left in Å, seconds at this rate.
tlv::mqtt::SensorLife SensorLifeOf(const ReadingArrays& readings, int s, double initFreq,
                                   double minFreq);

// The run state in the words the state topic uses: "stopped", "running", "held".
QString RunStateWord(short state);

// The publish options of coflux: each one the command line gave, else the user's settings.
tlv::mqtt::PublishOptions WithPublishSettings(tlv::mqtt::PublishOptions commandLine);

} // namespace coflux
