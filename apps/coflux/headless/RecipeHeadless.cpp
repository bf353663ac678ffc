#include "RecipeHeadless.h"

#include <QEventLoop>
#include <QTimer>

#include <csignal>

namespace coflux {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
}

// Installs the interrupt handlers for its lifetime and restores the ones before.
class InterruptGuard {
public:
    InterruptGuard()
    {
        g_interrupted = 0;
        m_int = std::signal(SIGINT, OnInterrupt);
        m_term = std::signal(SIGTERM, OnInterrupt);
    }
    ~InterruptGuard()
    {
        std::signal(SIGINT, m_int);
        std::signal(SIGTERM, m_term);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    void (*m_int)(int) = nullptr;
    void (*m_term)(int) = nullptr;
};

void PrintLine(std::FILE* file, const QString& line)
{
    std::fputs(line.toLocal8Bit().constData(), file);
    std::fputc('\n', file);
    std::fflush(file);
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
                      double noReadingSeconds)
{
    const QString loadError = session.Load(file);
    if (!loadError.isEmpty()) {
        PrintLine(err, loadError);
        return RecipeExitError;
    }

    InterruptGuard interrupts;
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

    // Interrupts are looked at a few times a second.
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, &context, [&] {
        if (g_interrupted) {
            g_interrupted = 0;
            session.Abort(QStringLiteral("Recipe aborted (interrupted)."));
        }
    });

    session.setNoReadingSeconds(noReadingSeconds);
    const QString startError = session.Start();
    if (!startError.isEmpty()) {
        PrintLine(err, startError);
        return RecipeExitError;
    }
    watch.start();
    return loop.exec();
}

} // namespace coflux
