#include "HeadlessStart.h"

#include "Deposition.h"
#include "UnattendedSetup.h"

namespace coflux {

HeadlessStart::HeadlessStart(std::FILE* out, std::FILE* err,
                             const tlv::mqtt::PublishOptions& publish)
    : m_reporter(out, err)
{
    // An unattended mode leaves the operator's remembered setup file alone.
    m_host.Process().setRemembersSetupFile(false);
    m_reporter.Follow(m_host.Process());
    QObject::connect(&m_host, &CofluxHost::publishProblem, &m_reporter,
                     [this](const QString& text) { m_reporter.Error(text); });
    m_host.StartPublishing(publish);
}

bool HeadlessStart::LoadSetup(const QString& name, bool simulate, const QString& simulateHint)
{
    const UnattendedSetup loaded = LoadUnattendedSetup(Process(), name, simulate, simulateHint);
    if (!loaded.refusal.isEmpty()) {
        m_reporter.Error(loaded.refusal);
        return false;
    }
    for (const QString& note : loaded.notes)
        m_reporter.Error(note);
    return true;
}

} // namespace coflux
