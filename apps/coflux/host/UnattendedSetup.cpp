#include "UnattendedSetup.h"

#include "CofluxSetupFile.h"
#include "Deposition.h"
#include "ProcessTables.h"

#include "common/ProgramInfo.h"
#include "instrument/cTLV880a.h"

#include <QDir>

namespace coflux {

namespace {

QString StartupText(int result)
{
    const QString text = cTLV880a::StartupMessage(result);
    return text.isEmpty() ? QStringLiteral("cards found.") : text;
}

} // namespace

UnattendedSetup LoadUnattendedSetup(Deposition& core, const QString& name, bool simulate,
                                    const QString& simulateHint)
{
    UnattendedSetup result;
    CardSettings card;
    ProcessTables asked;
    const CofluxSetupFile file(QDir(tlv::ProgramFolder()).filePath(name));
    if (const QString why = file.Refusal(); !why.isEmpty()) {
        result.refusal = QStringLiteral("coflux: %1 Nothing was run.").arg(why);
        return result;
    }
    file.Read(asked, card);
    const int startup = core.StartupResult();
    const bool cardUsable = core.Instrument().NumCards() > 0;
    if (card.Simulate == 0 && !cardUsable && !simulate) {
        result.refusal = QStringLiteral("coflux: %1 asks for a card (Simulate=0), but none can be "
                                        "used: start-up result %2: %3 %4")
                             .arg(name)
                             .arg(startup)
                             .arg(StartupText(startup), simulateHint);
        return result;
    }

    const SetupLoadResult load = core.OpenSetup(name);
    if (load.cardSettingsError != 0) {
        result.refusal =
            QStringLiteral("coflux: the card settings of %1 were refused: TLV880 Error %2: %3")
                .arg(name)
                .arg(load.cardSettingsError)
                .arg(load.cardSettingsMessage);
        return result;
    }
    if (core.Simulating()) {
        const QString why = cardUsable
                                ? QStringLiteral("the setup asks for simulation (Simulate=1)")
                                : QStringLiteral("no card is used: start-up result %1: %2")
                                      .arg(startup)
                                      .arg(StartupText(startup));
        result.notes << QStringLiteral("coflux: simulating; %1").arg(why);
    }
    return result;
}

} // namespace coflux
