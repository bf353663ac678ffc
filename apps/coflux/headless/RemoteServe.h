#pragma once
// coflux --headless --remote [ADDR:]PORT [--remote-control]
//
// Serves the deposition process to remote clients without a window: loads "Default.dat" of the
// program's folder (defaults when it is missing), zeroes the readings as the window does at
// start, prints "Remote interface on ADDR:PORT" and runs until SIGTERM, SIGINT, SIGHUP or SIGQUIT
// (named on standard error). Then any deposition is stopped (every output to power 0), the
// instrument is shut down and the status is 0. Message boxes of the process are answered at once
// with their default, their text going to standard error. No user setting is read or written. With
// publish options the process is published to the broker as any run is (remote changes and recipes
// included).

#include "common/mqtt/PublishTarget.h"
#include "common/remote/RemoteOptions.h"

#include <cstdio>

namespace coflux {

// Needs the application object (a QCoreApplication is enough) and the program information.
// Returns the exit status: 0 after a signal, 1 when the interface cannot listen.
int ServeRemoteHeadless(const tlv::remote::RemoteOptions& options,
                        const tlv::mqtt::PublishOptions& publish = {}, std::FILE* err = stderr);

} // namespace coflux
