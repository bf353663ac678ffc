#include "DepositionPublishing.h"

#include "CofluxProgram.h"
#include "Deposition.h"
#include "DepositionAlarms.h"
#include "DepositionRecipeHost.h"
#include "RecipeExitStatus.h"

#include "common/mqtt/MqttPublisher.h"

#include <QFileInfo>

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

DepositionPublishing::DepositionPublishing(Deposition& process, RecipeSession& recipes,
                                           tlv::mqtt::MqttPublisher& publisher, QObject* parent)
    : QObject(parent), m_process(process), m_recipes(recipes), m_publisher(publisher)
{
    using tlv::mqtt::PublishEvent;
    // Each change of an alarm goes out as an event; the state lists the open alarms.
    publisher.followAlarms(process.Alarms().Model());
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
    // A backup taking over is an event of its sensor ("Sensor 5 takes over from ...").
    connect(&process, &Deposition::backupTookOver, this,
            [this](int, int backup, const QString& message) {
                m_publisher.publishEvent(PublishEvent{QStringLiteral("backup"), 0, backup, message},
                                         m_publisher.now());
            });
    connect(&process, &Deposition::outputEvent, this,
            [this](int code, const QString& message, int output) {
                m_publisher.publishEvent(
                    PublishEvent{QStringLiteral("output"), code, output, message},
                    m_publisher.now());
            });
    // A recipe's state changes with each phase; a layer begins with its first phase.
    const RecipeRun& run = m_recipes.Run();
    connect(&m_recipes, &RecipeSession::started, this, &DepositionPublishing::PublishState);
    connect(&run, &RecipeRun::PhaseChanged, this, &DepositionPublishing::PublishState);
    connect(&run, &RecipeRun::Finished, this, &DepositionPublishing::PublishRecipeEnd);
    PublishState();
}

void DepositionPublishing::PublishState()
{
    tlv::mqtt::PublishState state{
        RunStateWord(m_process.RunState()), m_process.SetupFileName(), {}, {}};
    const RecipeRun& run = m_recipes.Run();
    if (run.IsRunning()) {
        const Recipe& recipe = run.CurrentRecipe();
        // A recipe without a name goes by its file's.
        state.recipe = recipe.name.isEmpty() ? QFileInfo(m_recipes.FilePath()).completeBaseName()
                                             : recipe.name;
        const int layer = run.Layer();
        if (layer >= 0 && layer < int(recipe.layers.size())) {
            state.step.layer = layer + 1;
            state.step.layerName = recipe.layers[size_t(layer)].name;
        }
        state.step.phase = RecipeRun::PhaseName(run.CurrentPhase());
    }
    m_publisher.publishState(state);
}

void DepositionPublishing::PublishRecipeEnd()
{
    // The state without the recipe, then how the run ended: code as the headless run's status.
    PublishState();
    const RecipeRun& run = m_recipes.Run();
    const int code = run.CurrentState() == RecipeRun::State::Complete  ? RecipeExitComplete
                     : run.CurrentState() == RecipeRun::State::Aborted ? RecipeExitAborted
                                                                       : RecipeExitFailed;
    m_publisher.publishEvent(
        tlv::mqtt::PublishEvent{QStringLiteral("recipe"), code, -1, run.Message()},
        m_publisher.now());
}

void DepositionPublishing::PublishReading(const ReadingArrays& readings, double time)
{
    const QDateTime at = tlv::mqtt::ReadingDateTime(time, m_publisher.now());
    // The process keeps thickness in kÅ; the topics carry the instrument's Å.
    const cTLV880a& tlv = m_process.Instrument();
    for (const int s : m_process.PresentSensors())
        m_publisher.publishSensor(
            s, at, readings.SenRate[s], readings.SenThick[s] * 1000.0, readings.SenFreq[s],
            SensorLifeOf(readings, s, tlv.SensorInitFreq(), tlv.SensorMinFreq()));
    // Topics number outputs as the window does: 1 to 4, and the analog outputs 12 and 13 as 5, 6.
    for (const int j : m_process.PresentOutputs())
        m_publisher.publishOutput(tlv880::OutputNumberOfSlot(j) - 1, at, readings.OutRate[j],
                                  readings.OutThick[j] * 1000.0, readings.OutPower[j],
                                  m_process.CrystalRateSetpoint(j));
}

tlv::mqtt::SensorLife SensorLifeOf(const ReadingArrays& readings, int s, double initFreq,
                                   double minFreq)
{
    tlv::mqtt::SensorLife life;
    const double f = readings.SenFreq[static_cast<size_t>(s)];
    if (f >= 1 && initFreq != minFreq)
        life.percent = 100.0 - 100.0 * (initFreq - f) / (initFreq - minFreq);
    if (const auto& forecast = readings.SenForecast[static_cast<size_t>(s)]) {
        life.thicknessLeft = forecast->thicknessLeft * 1000.0;
        if (forecast->secondsLeft) life.secondsLeft = *forecast->secondsLeft;
    }
    return life;
}

tlv::mqtt::PublishOptions WithPublishSettings(tlv::mqtt::PublishOptions options)
{
    const tlv::mqtt::PublishOptions saved =
        tlv::mqtt::ReadPublishSettings(QString::fromLatin1(kProgramTitle));
    if (options.url.isEmpty()) options.url = saved.url;
    if (options.user.isEmpty()) options.user = saved.user;
    if (options.passwordFile.isEmpty()) options.passwordFile = saved.passwordFile;
    if (options.caFile.isEmpty()) options.caFile = saved.caFile;
    return options;
}

} // namespace coflux
