#pragma once
// The "REMOTE" label of coflux's main window: shown under "SIMULATE" while a remote client is
// connected, so the operator knows the process may change from elsewhere.

namespace tlv::remote {
class RemoteServer;
}

namespace coflux {

class frmMain;

// Adds the label (object name lblRemote) to `window` under its "SIMULATE" and follows the server's
// client count. When the window goes, the server stops serving: the process it drives goes
// with the window.
void AttachRemoteIndicator(frmMain& window, tlv::remote::RemoteServer& server);

} // namespace coflux
