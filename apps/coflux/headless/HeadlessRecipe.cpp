#include "HeadlessRecipe.h"

#include "CofluxHost.h"
#include "Deposition.h"
#include "HeadlessReporter.h"
#include "RecipeHeadless.h"
#include "UnattendedSetup.h"

#include "common/GenUtil.h"
#include "common/SetupFile.h"
#include "common/TerminationSignals.h"

#include <cstdio>

namespace coflux {

namespace {

// After an abort or a failure: each present output's power as the card library reports it, on
// standard output and in the progress log, so the record shows where the outputs were left.
void ReportOutputPowers(Deposition& deposition, const RecipeSession& session,
                        const HeadlessReporter& reporter)
{
    QStringList parts;
    for (const int j : deposition.PresentOutputs())
        parts << QStringLiteral("output %1 at %2 %")
                     .arg(OutputNumberOfSlot(j))
                     .arg(deposition.Instrument().GetPower(static_cast<short>(j)), 0, 'f', 1);
    const QString line =
        QStringLiteral("Power after the stop: ") + parts.join(QStringLiteral(", "));
    reporter.Out(line);
    if (!session.ProgressLogPath().isEmpty())
        AppendToTextFile(session.ProgressLogPath(),
                         RecipeRun::ElapsedText(session.Run().Elapsed()) + QStringLiteral("  ") +
                             line,
                         tlv::ErrorDisplay::Quiet);
}

} // namespace

int RunRecipeWithoutWindow(const QString& recipeFile, const tlv::mqtt::PublishOptions& publish)
{
    // From here on a signal aborts the run from the event loop instead of ending the process.
    tlv::TerminationSignals signalWatch;
    CofluxHost host;
    Deposition& deposition = host.Process();
    deposition.setRemembersSetupFile(false);
    // What the process says (a setup file not found, class errors) goes to standard error.
    HeadlessReporter reporter(stdout, stderr);
    reporter.Follow(deposition);
    QObject::connect(&host, &CofluxHost::publishProblem, &reporter,
                     [&reporter](const QString& text) { reporter.Error(text); });
    host.StartPublishing(publish);
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

    RecipeSession& session = host.Recipes();
    const int status = RunRecipeHeadless(session, recipeFile, stdout, stderr, 10, &signalWatch);
    if (deposition.RunState() != RunStopped) deposition.SetRunState(RunStopped);
    if (status == RecipeExitAborted || status == RecipeExitFailed)
        ReportOutputPowers(deposition, session, reporter);
    host.Shutdown();
    return status;
}

} // namespace coflux
