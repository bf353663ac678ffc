#include "RecipeProgram.h"
#include "DepositionRecipeHost.h"
#include "RecipeHeadless.h"
#include "frmProcess.h"

#include "CofluxProgram.h"
#include "Deposition.h"
#include "DepositionPublishing.h"
#include "UnattendedRun.h"
#include "UnattendedSetup.h"
#include "WindowPublishing.h"
#include "frmMain.h"

#include "common/DialogService.h"
#include "common/GenUtil.h"
#include "common/ProgramInfo.h"
#include "common/SetupFile.h"
#include "common/TerminationSignals.h"
#include "common/WindowSignals.h"

#include <QApplication>
#include <QPointer>

#include <cstdio>
#include <memory>

namespace coflux {

namespace {

void PrintError(const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

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
    tlv::PrintLine(stdout, line, QStringLiteral("coflux"));
    if (!session.ProgressLogPath().isEmpty())
        AppendToTextFile(session.ProgressLogPath(),
                         RecipeRun::ElapsedText(session.Run().Elapsed()) + QStringLiteral("  ") +
                             line,
                         tlv::ErrorDisplay::Quiet);
}

// The headless run: the process alone, on the setup file coflux would open at start.
int RunHeadless(const QString& recipeFile, const tlv::mqtt::PublishOptions& publish)
{
    // From here on a signal aborts the run from the event loop instead of ending the process.
    tlv::TerminationSignals signalWatch;
    // Message boxes of the process (a setup file not found, class errors) are answered with
    // their default and their text goes to standard error.
    tlv::DialogService::ScopedHandler answers([](const tlv::DialogRequest& r) {
        if (!r.text.isEmpty()) PrintError(QStringLiteral("coflux: ") + r.text);
        return tlv::DialogAnswer(tlv::DialogService::defaultButtonOf(r.buttons));
    });
    cTLV880a instrument;
    Deposition deposition(instrument);
    deposition.setRemembersSetupFile(false);
    QObject::connect(&deposition, &Deposition::classError, [](int number, const QString& text) {
        PrintError(QStringLiteral("coflux: TLV880 Error: %1: %2").arg(number).arg(text));
    });
    QObject::connect(&deposition, &Deposition::notice,
                     [](const QString& text, NoticeLevel) { PrintError("coflux: " + text); });
    HeadlessPublishing publishing(deposition, publish, stderr);
    QString setup = tlv::SavedSetupFile();
    if (setup.isEmpty()) setup = QStringLiteral("Default.dat");
    const UnattendedSetup loaded = LoadUnattendedSetup(
        deposition, setup, false, QStringLiteral("Set Simulate=1 in it to run in simulation."));
    if (!loaded.refusal.isEmpty()) {
        PrintError(loaded.refusal);
        return RecipeExitError;
    }
    for (const QString& note : loaded.notes)
        PrintError(note);

    RecipeSession& session = RecipeSessionOf(deposition);
    const int status = RunRecipeHeadless(session, recipeFile, stdout, stderr, 10, &signalWatch);
    if (deposition.RunState() != RunStopped) deposition.SetRunState(RunStopped);
    if (status == RecipeExitAborted || status == RecipeExitFailed)
        ReportOutputPowers(deposition, session);
    instrument.setTimerEnabled(false);
    return status;
}

} // namespace

void CloseWindowOnSignals(frmMain& window)
{
    tlv::CloseOnTerminationSignals(
        window, QStringLiteral("coflux"), [target = QPointer<frmMain>(&window)] {
            if (!target) return;
            Deposition& core = target->Core();
            RecipeSessionOf(core).Abort(QStringLiteral("Recipe aborted (interrupted)."));
            if (core.RunState() != RunStopped) core.SetRunState(RunStopped);
        });
}

frmProcess* ShowProcessWindow(frmMain& window)
{
    auto* process = window.findChild<frmProcess*>(QStringLiteral("frmProcess"));
    if (!process) process = new frmProcess(RecipeSessionOf(window.Core()), &window);
    process->showNormal();
    process->raise();
    process->activateWindow();
    return process;
}

int RunRecipeCommand(const RecipeRequest& request, const tlv::mqtt::PublishOptions& publish,
                     int& argc, char** argv)
{
    if (!request.error.isEmpty()) {
        PrintError(QStringLiteral("coflux: ") + request.error);
        std::fputs(RecipeUsage().toLocal8Bit().constData(), stderr);
        return RecipeExitError;
    }
    if (!request.headless && !HasDisplay()) {
        PrintError(QStringLiteral("coflux: --recipe without --headless shows the window, but "
                                  "there is no display. Add --headless to run without one."));
        return RecipeExitError;
    }
    // A headless run is the deposition process alone: no GUI application, no window.
    std::unique_ptr<QCoreApplication> app;
    if (request.headless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TLV880"));
    InstallProgramInfo();
    const QString file = ResolveRecipeFile(request.file, tlv::ProgramFolder());
    const tlv::mqtt::PublishOptions publishing = WithPublishSettings(publish);
    if (request.headless) return RunHeadless(file, publishing);

    // With a window the run starts at once as well (the command line asked for it); the
    // Process window shows it and aborts it.
    QPointer<frmMain> window = new frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    AttachWindowPublishing(*window, publishing);
    CloseWindowOnSignals(*window);
    frmProcess* process = ShowProcessWindow(*window);
    if (process->LoadFile(file)) process->StartWithoutQuestion();
    const int status = QCoreApplication::exec();
    delete window.data(); // a window that refused to close still shuts its instrument down
    return status;
}

} // namespace coflux
