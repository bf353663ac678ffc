#pragma once
// Recipe runs as coflux starts them: from the command line (--recipe FILE [--headless]) and
// from the main window's View menu ("&Process").

#include "RecipeCommandLine.h"

#include "common/mqtt/PublishTarget.h"

namespace coflux {

class frmMain;
class frmProcess;

// Runs coflux for a recipe request (the application object is made here). `publish`: the
// command line's publish options (the user's settings fill in the rest), as for every run.
// Returns the exit status (RecipeExitStatus for a headless run, the application's for a window).
int RunRecipeCommand(const RecipeRequest& request, const tlv::mqtt::PublishOptions& publish,
                     int& argc, char** argv);

// A signal (SIGTERM, SIGINT, SIGHUP, SIGQUIT) closes the main window as Exit does, a recipe that
// runs aborted and every output at power 0 first.
void CloseWindowOnSignals(frmMain& window);

// The Process window of a main window: made on first use, shown and brought to the front.
frmProcess* ShowProcessWindow(frmMain& window);

} // namespace coflux
