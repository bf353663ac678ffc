#pragma once
// A recipe run without a window: loads and checks the recipe file, starts it and prints one
// line per phase change ("h:mm:ss  Layer n name  phase") and the run's last message ("Recipe
// complete." when it completed) on standard output. An interrupt (Ctrl+C, SIGINT) or SIGTERM
// aborts the run: every output to power 0 first. When no reading arrives for a while, the run
// fails the same way.

#include "RecipeExitStatus.h"
#include "RecipeSession.h"

#include <QString>

#include <cstdio>

namespace coflux {

// Runs the recipe file on the session until it ends and returns the exit status. Needs the
// application object; runs its own event loop (call it from main, never from a handler).
// `noReadingSeconds`: how long without a reading fails the run.
int RunRecipeHeadless(RecipeSession& session, const QString& file, std::FILE* out, std::FILE* err,
                      double noReadingSeconds = 10);

} // namespace coflux
