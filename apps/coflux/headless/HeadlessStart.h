#pragma once
// The start every mode of coflux without a window shares (--headless --remote, --recipe
// --headless, --run and --tune): the signals watched before anything else, so that one which
// comes early ends the mode in order; the host; one reporter of what the process says; the
// publishing problems on standard error; publishing started. Each mode then loads its setup (the
// one it is given, else CofluxHost::StartupSetupName()) and calls ZeroForStart.

#include "CofluxHost.h"
#include "HeadlessReporter.h"

#include "common/TerminationSignals.h"
#include "common/mqtt/PublishTarget.h"

#include <cstdio>

namespace coflux {

class Deposition;

class HeadlessStart {
public:
    HeadlessStart(std::FILE* out, std::FILE* err, const tlv::mqtt::PublishOptions& publish);
    HeadlessStart(const HeadlessStart&) = delete;
    HeadlessStart& operator=(const HeadlessStart&) = delete;

    tlv::TerminationSignals& Signals() { return m_signals; }
    CofluxHost& Host() { return m_host; }
    Deposition& Process() { return m_host.Process(); }
    HeadlessReporter& Reporter() { return m_reporter; }

    // Loads `name` as every unattended run does (UnattendedSetup.h); a refusal or note goes to
    // standard error. False: the mode must not go on.
    bool LoadSetup(const QString& name, bool simulate, const QString& simulateHint);

private:
    tlv::TerminationSignals m_signals; // first: a signal from now on is the mode's to handle
    CofluxHost m_host;
    HeadlessReporter m_reporter;
};

} // namespace coflux
