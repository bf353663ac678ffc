#pragma once
// CofluxHost: the deposition process as every mode of coflux runs it. It owns the instrument
// (or uses the caller's), the process on it, the process's recipe session, the publishing of
// both to a broker and the target of remote clients. The main window is a view of one host;
// each headless mode makes one. Nothing here is found by name: whoever needs a part is handed
// it.

#include "common/mqtt/PublishTarget.h"

#include <QObject>
#include <QString>

#include <memory>

class cTLV880a;

namespace tlv::mqtt {
class MqttPublisher;
}

namespace coflux {

class CofluxRemoteTarget;
class Deposition;
class DepositionPublishing;
class DepositionRecipeHost;
class RecipeSession;

// The recipe session of one process and the adapter that lets recipes drive it.
class ProcessRecipes {
public:
    // `process` must outlive this object.
    explicit ProcessRecipes(Deposition& process);
    ~ProcessRecipes();
    ProcessRecipes(const ProcessRecipes&) = delete;
    ProcessRecipes& operator=(const ProcessRecipes&) = delete;

    RecipeSession& Session() { return *m_session; }

private:
    std::unique_ptr<DepositionRecipeHost> m_host;
    std::unique_ptr<RecipeSession> m_session;
};

class CofluxHost : public QObject {
    Q_OBJECT
public:
    // Makes the program's instrument when `instrument` is null; otherwise the caller's is used
    // and must outlive the host.
    explicit CofluxHost(cTLV880a* instrument = nullptr, QObject* parent = nullptr);
    ~CofluxHost() override;
    CofluxHost(const CofluxHost&) = delete;
    CofluxHost& operator=(const CofluxHost&) = delete;

    cTLV880a& Instrument() { return *m_instrument; }
    Deposition& Process() { return *m_process; }
    const Deposition& Process() const { return *m_process; }
    RecipeSession& Recipes() { return m_recipes->Session(); }

    // The setup file a mode starts with when it is given none, the window as much as a
    // headless mode: the one remembered from the last session, else "Default.dat".
    static QString StartupSetupName();
    // What every mode does once its setup is loaded, as the window's start always has: the
    // thickness of every output the cards have zeroed (the sensors are zeroed by Start).
    void ZeroForStart();

    // The target remote clients drive: the process and its recipe session.
    CofluxRemoteTarget& RemoteTarget();

    // Publishes the process and its recipes as `options` say. Null when publishing is off or
    // the publisher could not start; a problem of the broker is emitted as publishProblem. The
    // publisher lives as long as the host (or until Shutdown) and says "offline" when it goes.
    tlv::mqtt::MqttPublisher* StartPublishing(const tlv::mqtt::PublishOptions& options);
    tlv::mqtt::MqttPublisher* Publisher() const { return m_publisher.get(); }

    // Ends the host's work in order: with a `recipeReason` a running recipe ends as aborted
    // (its outputs to power 0, its progress log saying why), a running deposition is stopped, the
    // instrument's timer stops and publishing goes "offline". The process stays for the views still
    // looking at it.
    void Shutdown(const QString& recipeReason = QString());

signals:
    void publishProblem(const QString& text);

private:
    std::unique_ptr<cTLV880a> m_ownInstrument;
    cTLV880a* m_instrument = nullptr;
    std::unique_ptr<Deposition> m_process;
    std::unique_ptr<ProcessRecipes> m_recipes;
    std::unique_ptr<CofluxRemoteTarget> m_remote;
    std::unique_ptr<tlv::mqtt::MqttPublisher> m_publisher;
    std::unique_ptr<DepositionPublishing> m_publishing;
    bool m_shutDown = false;
};

} // namespace coflux
