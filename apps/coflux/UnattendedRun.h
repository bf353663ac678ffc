#pragma once
// Unattended runs of coflux from a shell:
//
//   coflux --run FILE [--minutes N] [--headless]
//
// loads the setup file FILE as Open does, starts the deposition and ends the program when the
// deposition halts, printing the halt message on standard output. The data log is written as in
// an operator's run. --minutes stops the deposition after N minutes (fractions allowed) when
// nothing tripped before; --headless needs no display: the offscreen platform is used and no
// window is ever shown. Every message box of the run is answered without waiting for anyone
// (its text goes to standard error); the closing question "Save current setup to ... ?" is
// answered No, so a run never rewrites its setup file.
//
// FILE without a folder is a setup file of the program's folder, like a name chosen with Open
// (".dat" is added when the name has no extension and only the name with ".dat" exists). FILE
// with a folder makes that folder the program's folder for this run; the setup file remembered
// for the next interactive start is then left as it was.

#include <QString>
#include <QStringList>

#include <cstdio>

namespace coflux {

// Exit status of an unattended run.
enum RunExitStatus : int {
    RunSetpointReached = 0, // a thickness or voltage setpoint stopped the deposition
    RunFailed = 1,          // bad arguments, setup file missing or unusable, no readings
    RunTimeLimit = 2,       // --minutes elapsed first; the deposition was stopped
    RunStoppedEarly = 3,    // the operator stopped the deposition or closed the window
};

struct RunRequest {
    enum class Kind { Interactive, Run, Help, Invalid };
    Kind kind = Kind::Interactive;
    QString file;       // --run FILE
    double minutes = 0; // --minutes N; 0 = no limit
    bool headless = false;
    QString error; // Invalid: what is wrong, for standard error
};

// Reads the program's arguments (Qt's own options already removed, the first entry is the
// program). Without any of --run, --minutes, --headless, --help the program starts as usual.
RunRequest ParseRunArguments(const QStringList& arguments);

// The usage text printed by --help and after an argument error.
QString RunUsage();

// True when the raw command line asks for --headless: the platform must be chosen before the
// application object exists, so main() asks this first and sets the offscreen platform.
bool WantsHeadless(int argc, const char* const* argv);

// Runs a deposition as the request says and returns its exit status. Needs the application
// object and the program information installed. Messages go to `out` (the halt message, the
// time-limit notice) and `err` (errors, message boxes of the run).
int RunUnattended(const RunRequest& request, std::FILE* out = stdout, std::FILE* err = stderr);

} // namespace coflux
