#pragma once
// A recipe run without a window: loads and checks the recipe file, starts it and prints one
// line per phase change ("h:mm:ss  Layer n name  phase") and the run's last message ("Recipe
// complete." when it completed) on standard output. An interrupt (Ctrl+C, SIGINT) or SIGTERM
// aborts the run: every output to power 0 first. When no reading arrives for a while, the run
// fails the same way.

#include "RecipeSession.h"

#include <QString>

#include <cstdio>

namespace coflux {

// Exit status of a headless recipe run.
enum RecipeExitStatus : int {
    RecipeExitComplete = 0, // every layer ran to its end
    RecipeExitError = 1,    // bad recipe file, or the process could not start it
    RecipeExitAborted = 3,  // interrupted or aborted
    RecipeExitFailed = 4,   // shutter-delay time-out, crystal failure with stop, no readings
};

// Runs the recipe file on the session until it ends and returns the exit status. Needs the
// application object; runs its own event loop (call it from main, never from a handler).
// `noReadingSeconds`: how long without a reading fails the run.
int RunRecipeHeadless(RecipeSession& session, const QString& file, std::FILE* out, std::FILE* err,
                      double noReadingSeconds = 10);

} // namespace coflux
