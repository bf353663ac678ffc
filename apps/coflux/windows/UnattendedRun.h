#pragma once
// Unattended runs of coflux from a shell:
//
//   coflux --run FILE [--minutes N] [--headless] [--simulate]
//
// loads the setup file FILE as Open does, starts the deposition and ends the program when the
// deposition halts, printing the halt message on standard output. The data log is written as in
// an operator's run. --minutes stops the deposition after N minutes (fractions allowed) when
// nothing tripped before. --headless runs the deposition process alone: no window is built, no
// display is needed and no user setting is read or written. Without --headless the main window
// shows the run; every message box of the run is answered without waiting for anyone (its text
// goes to standard error) and the closing question "Save current setup to ... ?" is answered No,
// so a run never rewrites its setup file.
//
// SIGTERM, SIGINT, SIGHUP and SIGQUIT stop the deposition as the operator's Stop does (every
// output to power 0, the log line completed, the instrument shut down), name the signal on
// standard error and end the run with status 3. SIGPIPE is ignored: when the reader of standard
// output has gone, the first line that cannot be written is reported on standard error and the
// deposition goes on.
//
// A run refuses to start (status 1) when the card refuses the setup's card settings, and when the
// setup asks for a card (Simulate=0) but none can be used, unless --simulate is given. A run that
// simulates says so on standard error. The first data line that cannot be written is reported
// with its cause, and at the end the number of lines lost. Values of the setup file outside their
// limits take their defaults as in the window, named once on standard error; the run goes on.
//
//   coflux --tune N FILE [--power P] [--step P] [--aggressiveness calm|normal|fast] [--save]
//          [--headless] [--simulate]
//
// loads FILE the same way, starts the deposition and runs a loop tuning run on output N (1 to 6
// as the window numbers them): an open-loop power step of --step % (default 5) from --power %
// (default: the output's manual power in Manual; in Auto, the power its loop holds once the
// rate has stayed within 10 % of its setpoint for 5 s). It prints the identified model, the
// proposed terms beside the current ones and the predicted loop for both, stops the deposition
// and ends. With --save the proposed terms are written into FILE; without it FILE is untouched.
// Exit status: 0 terms found (and saved with --save), 1 error (as for --run, and a setup that
// could not be saved), 5 the tuning run ended without terms (its message says why: no response,
// too noisy, a failed crystal, a trip, the time-out, the deposition stopped).
//
// FILE without a folder is a setup file of the program's folder, like a name chosen with Open
// (".dat" is added when the name has no extension and only the name with ".dat" exists). FILE
// with a folder makes that folder the program's folder for this run. The setup file remembered
// for the next interactive start is left as it was.

#include "common/mqtt/PublishTarget.h"

#include <QString>
#include <QStringList>

#include <cstdio>

namespace coflux {

// Exit status of an unattended run.
enum RunExitStatus : int {
    RunSetpointReached = 0, // a thickness or voltage setpoint stopped the deposition
    RunFailed = 1,          // bad arguments, no display, setup missing or refused, no card, ...
    RunTimeLimit = 2,       // --minutes elapsed first; the deposition was stopped
    RunStoppedEarly = 3,    // the operator stopped the deposition or closed the window
    RunLogIncomplete = 4,   // the run ended as 0, 2 or 3 would say, but log lines were lost
    RunTuningRefused = 5,   // --tune: the tuning run ended without terms
};

struct RunRequest {
    enum class Kind { Interactive, Run, Help, Version, Invalid };
    Kind kind = Kind::Interactive;
    QString file;       // --run FILE
    double minutes = 0; // --minutes N; 0 = no limit
    bool headless = false;
    bool simulate = false; // --simulate: simulating is fine when no card can be used
    int tune = -1;         // --tune N: the output slot to tune (-1: a deposition run)
    double tunePower = -1; // --power P (%); -1: see above
    double tuneStep = 5;   // --step P (%)
    QString aggressiveness = QStringLiteral("normal");
    bool save = false;                 // --save: the proposed terms are written into FILE
    QString error;                     // Invalid: what is wrong, for standard error
    tlv::mqtt::PublishOptions publish; // set by main: publish the run to an MQTT broker
};

// Reads the program's arguments (the first entry is the program). Without any of the run
// options, --help or --version the program starts as usual (Qt's own options are left to Qt).
RunRequest ParseRunArguments(const QStringList& arguments);

// The usage text printed by --help and after an argument error.
QString RunUsage();

// True when the raw command line asks for --headless.
bool WantsHeadless(int argc, const char* const* argv);

// True when a window can be shown: a platform is named (QT_QPA_PLATFORM) or a display is there.
bool HasDisplay();

// Runs a deposition as the request says and returns its exit status. Needs the application
// object (a QCoreApplication is enough when headless) and the program information installed.
// Messages go to `out` (the halt message, the time-limit notice) and `err` (everything else).
int RunUnattended(const RunRequest& request, std::FILE* out = stdout, std::FILE* err = stderr);

} // namespace coflux
