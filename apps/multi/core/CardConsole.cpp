// Start-up, card detection and the settings file of the card console.
#include "CardConsole.h"

#include "common/ProgramInfo.h"
#include "common/SetupFile.h"

#include <QFile>
#include <QFileInfo>

namespace multi {

CardConsole::CardConsole(std::unique_ptr<cTLV880a> instrument, QObject* parent)
    : QObject(parent), m_tlv(std::move(instrument)),
      m_alarms(QStringLiteral("tlvmulti"), [this] { return m_tlv->Clock().now(); })
{
    m_alarms.setLogFolder(tlv::ProgramFolder());
    connect(m_tlv.get(), &cTLV880a::TLVError, this, [this](int number, const QString& text) {
        if (m_initialising) m_initError = QStringLiteral("Error %1: %2").arg(number).arg(text);
    });
}

CardConsole::~CardConsole() = default;

std::vector<int> CardConsole::SensorTargetSet(const ChannelChoice& choice) const
{
    return SensorTargets(choice.card, choice.channel, NumCards());
}

std::vector<int> CardConsole::OutputTargetSet(const ChannelChoice& choice) const
{
    return OutputTargets(choice.card, choice.channel, NumCards());
}

SensorMap CardConsole::StoredMap() const
{
    SensorMap map{};
    for (int s = 0; s < kSensorCount; ++s)
        map[s] = m_setup.sensors[s].output;
    return map;
}

std::array<int, kMaxCards> CardConsole::DetectCards()
{
    std::array<int, kMaxCards> revisions{};
    m_tlv->SendStartup(0);
    for (int n = 1; n <= kMaxCards; ++n) {
        revisions[n - 1] = m_tlv->Revision(static_cast<short>(n));
        if (revisions[n - 1] > 0)
            m_tlv->setNumCards(static_cast<short>(n));
        else if (m_tlv->NumCards() == 0)
            m_tlv->setNumCards(static_cast<short>(kMaxCards));
    }
    return revisions;
}

void CardConsole::ReadSettings(const QString& file)
{
    const QString path = tlv::ProgramFolder() + QLatin1Char('/') + file;
    const QString refusal =
        tlv::SetupFileRefusal(path,
                              {QStringLiteral("Card"), QStringLiteral("Sensor"),
                               QStringLiteral("Output"), QStringLiteral("Loop")},
                              QStringLiteral("tlvmulti settings"));
    m_iniRefused = !refusal.isEmpty();
    QStringList replaced;
    m_setup = m_iniRefused ? MultiSetup{} : ReadMultiSetup(path, &replaced);
    if (m_iniRefused) {
        emit statusNotice(refusal);
        emit notice(refusal +
                    QStringLiteral("\nThe defaults are used; the file is not written over."));
    } else if (!replaced.isEmpty()) {
        // Told once here rather than refused at every send.
        constexpr int kListed = 12;
        QString text = file + QStringLiteral(" holds values outside their limits:\n") +
                       replaced.mid(0, kListed).join(QLatin1Char('\n'));
        if (replaced.size() > kListed)
            text += QStringLiteral("\n(and %1 more)").arg(replaced.size() - kListed);
        emit statusNotice(replaced.front() +
                          (replaced.size() > 1
                               ? QStringLiteral(" (and %1 more)").arg(replaced.size() - 1)
                               : QString()));
        emit notice(text);
    }
    // Only "0" chooses "Normal"; any other value keeps the safe choice "Simulate".
    m_setup.card.simulate = m_setup.card.simulate == 0 ? 0 : 1;
}

void CardConsole::WriteSettings(const QString& file, const CardSettings& panel)
{
    const QString path = tlv::ProgramFolder() + QLatin1Char('/') + file;
    if (m_iniRefused) return; // not a settings file of ours: told at reading, never replaced
    if (!QFileInfo::exists(path)) {
        QFile created(path);
        created.open(QIODevice::WriteOnly);
    }

    // Read-only: this user may not write it, or nobody may (even an administrator's session
    // keeps a file the operator marked read-only).
    const QFileInfo info(path);
    const bool readOnly =
        info.exists() &&
        (!info.isWritable() ||
         !(info.permissions() &
           (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)));
    if (readOnly) emit notice(path + QStringLiteral(" is Read Only!"));

    const int showErrors = m_setup.card.showErrors; // read only, never taken from the panel
    m_setup.card = panel;
    m_setup.card.simulate = panel.simulate == 0 ? 0 : 1;
    m_setup.card.showErrors = showErrors;
    if (readOnly) return; // the operator protected the file: its contents stay as they are

    // Settings that cannot be saved are lost at exit unless the operator learns of it.
    if (!WriteMultiSetup(path, m_setup))
        emit notice(path + QStringLiteral(" could not be written!"));
}

void CardConsole::StartPowerPanels(const PowerPanel& panel)
{
    for (OutputRow& row : m_setup.outputs) {
        row.pidChosen = panel.pidChosen;
        row.manualChosen = panel.manualChosen;
        row.powerText = panel.powerText;
    }
}

} // namespace multi
