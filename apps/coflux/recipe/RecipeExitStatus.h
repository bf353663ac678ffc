#pragma once
// How a recipe run ended, as the exit status of a headless run and the code its end is
// published with.

namespace coflux {

// Exit status of a headless recipe run.
enum RecipeExitStatus : int {
    RecipeExitComplete = 0, // every layer ran to its end
    RecipeExitError = 1,    // bad recipe file, or the process could not start it
    RecipeExitAborted = 3,  // interrupted or aborted
    RecipeExitFailed = 4,   // shutter-delay time-out, crystal failure with stop, no readings
};

} // namespace coflux
