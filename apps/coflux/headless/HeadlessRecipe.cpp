#include "HeadlessRecipe.h"

#include "Deposition.h"
#include "HeadlessStart.h"
#include "RecipeHeadless.h"

#include "common/GenUtil.h"

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
    // From here on a signal aborts the run from the event loop instead of ending the process;
    // what the process says (a setup file not found, class errors) goes to standard error.
    HeadlessStart start(stdout, stderr, publish);
    if (!start.LoadSetup(CofluxHost::StartupSetupName(), false,
                         QStringLiteral("Set Simulate=1 in it to run in simulation.")))
        return RecipeExitError;
    start.Host().ZeroForStart();

    Deposition& deposition = start.Process();
    RecipeSession& session = start.Host().Recipes();
    const int status = RunRecipeHeadless(session, recipeFile, stdout, stderr, 10, &start.Signals());
    if (deposition.RunState() != RunStopped) deposition.SetRunState(RunStopped);
    if (status == RecipeExitAborted || status == RecipeExitFailed)
        ReportOutputPowers(deposition, session, start.Reporter());
    start.Host().Shutdown();
    return status;
}

} // namespace coflux
