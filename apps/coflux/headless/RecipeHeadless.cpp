#include "RecipeHeadless.h"

#include "common/TerminationSignals.h"

#include <QEventLoop>
#include <memory>

namespace coflux {

namespace {

void PrintLine(std::FILE* file, const QString& line)
{
    tlv::PrintLine(file, line, QStringLiteral("coflux"));
}

int ExitStatusOf(RecipeRun::State state)
{
    switch (state) {
    case RecipeRun::State::Complete:
        return RecipeExitComplete;
    case RecipeRun::State::Aborted:
        return RecipeExitAborted;
    case RecipeRun::State::Failed:
        return RecipeExitFailed;
    case RecipeRun::State::Idle:
    case RecipeRun::State::Running:
        break;
    }
    return RecipeExitError;
}

} // namespace

int RunRecipeHeadless(RecipeSession& session, const QString& file, std::FILE* out, std::FILE* err,
                      double noReadingSeconds, tlv::TerminationSignals* signalWatch)
{
    std::unique_ptr<tlv::TerminationSignals> ownWatch;
    if (!signalWatch) {
        ownWatch = std::make_unique<tlv::TerminationSignals>();
        signalWatch = ownWatch.get();
    }
    const QString loadError = session.Load(file);
    if (!loadError.isEmpty()) {
        PrintLine(err, loadError);
        return RecipeExitError;
    }

    QEventLoop loop;
    RecipeRun& run = session.Run();
    QObject context;
    QObject::connect(
        &run, &RecipeRun::PhaseChanged, &context,
        [&](int layer, RecipeRun::Phase phase, double elapsed) {
            const auto& layers = run.CurrentRecipe().layers;
            PrintLine(out, RecipeRun::PhaseLine(elapsed, layer, layers[size_t(layer)].name, phase));
        });
    QObject::connect(&run, &RecipeRun::Finished, &context,
                     [&](RecipeRun::State state, const QString& message) {
                         PrintLine(out, message);
                         loop.exit(ExitStatusOf(state));
                     });

    // A signal that came before the run started is delivered once the loop runs.
    QObject::connect(signalWatch, &tlv::TerminationSignals::received, &context, [&](int signal) {
        PrintLine(
            err, QStringLiteral("coflux: ended by %1.").arg(tlv::TerminationSignals::Name(signal)));
        session.Abort(QStringLiteral("Recipe aborted (interrupted)."));
    });

    session.setNoReadingSeconds(noReadingSeconds);
    const QString startError = session.Start();
    if (!startError.isEmpty()) {
        PrintLine(err, startError);
        return RecipeExitError;
    }
    return loop.exec();
}

} // namespace coflux
