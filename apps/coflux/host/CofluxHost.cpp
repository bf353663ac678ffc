#include "CofluxHost.h"

#include "CofluxProgram.h"
#include "CofluxRemoteTarget.h"
#include "Deposition.h"
#include "DepositionAlarms.h"
#include "DepositionPublishing.h"
#include "DepositionRecipeHost.h"

#include "common/SetupFile.h"
#include "common/mqtt/MqttPublisher.h"

namespace coflux {

ProcessRecipes::ProcessRecipes(Deposition& process)
    : m_host(std::make_unique<DepositionRecipeHost>(process)),
      m_session(std::make_unique<RecipeSession>(*m_host))
{
    m_host->Attach(m_session->Run());
    // What only a recipe knows becomes the process's alarms.
    DepositionAlarms& alarms = process.Alarms();
    const RecipeRun& run = m_session->Run();
    QObject::connect(m_session.get(), &RecipeSession::started, &alarms,
                     &DepositionAlarms::RecipeStarted);
    QObject::connect(&run, &RecipeRun::ShutterTimedOut, &alarms,
                     &DepositionAlarms::ShutterTimedOut);
    QObject::connect(
        &run, &RecipeRun::CrystalWarning, &alarms,
        [&alarms, &run](const QString& text) { alarms.CrystalTooShort(text, run.Layer()); });
    QObject::connect(&run, &RecipeRun::PhaseChanged, &alarms,
                     [&alarms](int layer) { alarms.RecipePhase(layer); });
    QObject::connect(&run, &RecipeRun::Finished, &alarms, &DepositionAlarms::RecipeEnded);
}

// The session drives the host while it ends a run: it goes first.
ProcessRecipes::~ProcessRecipes()
{
    m_session.reset();
    m_host.reset();
}

CofluxHost::CofluxHost(cTLV880a* instrument, QObject* parent) : QObject(parent)
{
    if (!instrument) {
        m_ownInstrument = std::make_unique<cTLV880a>();
        instrument = m_ownInstrument.get();
    }
    m_instrument = instrument;
    m_process = std::make_unique<Deposition>(*m_instrument);
    m_recipes = std::make_unique<ProcessRecipes>(*m_process);
}

// Parts go before what they work on. The deposition is left as it is: a view that goes
// first (the window closing) has stopped it already, and Shutdown stops it on purpose.
CofluxHost::~CofluxHost()
{
    m_publishing.reset();
    m_publisher.reset(); // says "offline"
    m_remote.reset();
    m_recipes.reset();
    m_process.reset();
    m_ownInstrument.reset(); // shuts the card library down
}

CofluxRemoteTarget& CofluxHost::RemoteTarget()
{
    if (!m_remote) m_remote = std::make_unique<CofluxRemoteTarget>(*m_process, Recipes());
    return *m_remote;
}

tlv::mqtt::MqttPublisher* CofluxHost::StartPublishing(const tlv::mqtt::PublishOptions& options)
{
    if (!options.enabled() || m_publisher) return m_publisher.get();
    m_publisher = std::make_unique<tlv::mqtt::MqttPublisher>(QString::fromLatin1(kProgramTitle));
    connect(m_publisher.get(), &tlv::mqtt::MqttPublisher::problem, this,
            &CofluxHost::publishProblem);
    if (!m_publisher->start(options)) return m_publisher.get();
    m_publishing = std::make_unique<DepositionPublishing>(*m_process, Recipes(), *m_publisher);
    return m_publisher.get();
}

QString CofluxHost::StartupSetupName()
{
    const QString remembered = tlv::SavedSetupFile();
    return remembered.isEmpty() ? QStringLiteral("Default.dat") : remembered;
}

void CofluxHost::ZeroForStart()
{
    m_instrument->ZeroAll();
}

void CofluxHost::Shutdown(const QString& recipeReason)
{
    if (m_shutDown) return;
    m_shutDown = true;
    if (!recipeReason.isEmpty()) Recipes().Abort(recipeReason);
    if (m_process->RunState() != RunStopped) m_process->SetRunState(RunStopped);
    m_instrument->setTimerEnabled(false);
    m_publishing.reset();
    m_publisher.reset(); // says "offline"
}

} // namespace coflux
