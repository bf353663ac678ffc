#pragma once
// Publishing from coflux's main window: the connection's state in the status bar and, when the
// options turn publishing on, one publisher on the window's process. Problems also go to
// standard error.

#include "common/mqtt/PublishTarget.h"

namespace coflux {

class frmMain;

// The publisher (when there is one) belongs to the window's host.
void AttachWindowPublishing(frmMain& window, const tlv::mqtt::PublishOptions& options);

} // namespace coflux
