#pragma once
// A recipe run without a window: loads and checks the recipe file, starts it and prints one
// line per phase change ("h:mm:ss  Layer n name  phase") and the run's last message ("Recipe
// complete." when it completed) on standard output. SIGTERM, SIGINT (Ctrl+C), SIGHUP (a closed
// terminal) and SIGQUIT abort the run as "Recipe aborted (interrupted).": every output to power 0
// first, a line on standard error names the signal. When no reading arrives for a while, the
// run fails the same way.

#include "RecipeExitStatus.h"
#include "RecipeSession.h"

#include <QString>

#include <cstdio>

namespace tlv {
class TerminationSignals;
}

namespace coflux {

// Runs the recipe file on the session until it ends and returns the exit status. Needs the
// application object; runs its own event loop (call it from main, never from a handler).
// `noReadingSeconds`: how long without a reading fails the run. `signalWatch`: the caller's
// watch when it began watching before (a signal received meanwhile aborts the run at once);
// without one the run watches for its own lifetime.
int RunRecipeHeadless(RecipeSession& session, const QString& file, std::FILE* out, std::FILE* err,
                      double noReadingSeconds = 10, tlv::TerminationSignals* signalWatch = nullptr);

} // namespace coflux
