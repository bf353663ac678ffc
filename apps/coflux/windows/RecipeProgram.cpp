#include "RecipeProgram.h"
#include "DepositionPublishing.h"
#include "DepositionRecipeHost.h"
#include "HeadlessRecipe.h"
#include "RecipeExitStatus.h"
#include "frmProcess.h"

#include "CofluxProgram.h"
#include "UnattendedRun.h"
#include "WindowPublishing.h"
#include "frmMain.h"

#include "common/DialogService.h"
#include "common/ProgramInfo.h"
#include "common/WindowSignals.h"

#include "Deposition.h"

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

} // namespace

void CloseWindowOnSignals(frmMain& window)
{
    tlv::CloseOnTerminationSignals(
        window, QStringLiteral("coflux"), [target = QPointer<frmMain>(&window)] {
            if (!target) return;
            target->Host().Recipes().Abort(QStringLiteral("Recipe aborted (interrupted)."));
            Deposition& core = target->Core();
            if (core.RunState() != RunStopped) core.SetRunState(RunStopped);
        });
}

frmProcess* ShowProcessWindow(frmMain& window)
{
    return window.ShowProcessWindow();
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
    if (request.headless) return RunRecipeWithoutWindow(file, publishing);

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
