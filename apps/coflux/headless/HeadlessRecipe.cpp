#include "HeadlessRecipe.h"

#include "Deposition.h"
#include "DepositionPublishing.h"
#include "DepositionRecipeHost.h"
#include "HeadlessReporter.h"
#include "RecipeHeadless.h"
#include "UnattendedSetup.h"

#include "common/GenUtil.h"
#include "common/SetupFile.h"

#include <cstdio>

namespace coflux {

namespace {

// After an abort or a failure: each present output's power as the card library reports it, on
// standard output and in the progress log, so the record shows where the outputs were left.
void ReportOutputPowers(Deposition& deposition, const RecipeSession& session)
{
    QStringList parts;
    for (const int j : deposition.PresentOutputs())
        parts << QStringLiteral("output %1 at %2 %")
                     .arg(OutputNumberOfSlot(j))
                     .arg(deposition.Instrument().GetPower(static_cast<short>(j)), 0, 'f', 1);
    const QString line =
        QStringLiteral("Power after the stop: ") + parts.join(QStringLiteral(", "));
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
    if (!session.ProgressLogPath().isEmpty())
        AppendToTextFile(session.ProgressLogPath(),
                         RecipeRun::ElapsedText(session.Run().Elapsed()) + QStringLiteral("  ") +
                             line,
                         tlv::ErrorDisplay::Quiet);
}

} // namespace

int RunRecipeWithoutWindow(const QString& recipeFile, const tlv::mqtt::PublishOptions& publish)
{
    cTLV880a instrument;
    Deposition deposition(instrument);
    deposition.setRemembersSetupFile(false);
    // What the process says (a setup file not found, class errors) goes to standard error.
    HeadlessReporter reporter(stdout, stderr);
    reporter.Follow(deposition);
    HeadlessPublishing publishing(deposition, publish, stderr);
    QString setup = tlv::SavedSetupFile();
    if (setup.isEmpty()) setup = QStringLiteral("Default.dat");
    const UnattendedSetup loaded = LoadUnattendedSetup(
        deposition, setup, false, QStringLiteral("Set Simulate=1 in it to run in simulation."));
    if (!loaded.refusal.isEmpty()) {
        reporter.Error(loaded.refusal);
        return RecipeExitError;
    }
    for (const QString& note : loaded.notes)
        reporter.Error(note);

    RecipeSession& session = RecipeSessionOf(deposition);
    const int status = RunRecipeHeadless(session, recipeFile, stdout, stderr);
    if (deposition.RunState() != RunStopped) deposition.SetRunState(RunStopped);
    if (status == RecipeExitAborted || status == RecipeExitFailed)
        ReportOutputPowers(deposition, session);
    instrument.setTimerEnabled(false);
    return status;
}

} // namespace coflux
