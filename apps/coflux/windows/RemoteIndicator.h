#pragma once
// The "REMOTE" label of coflux's main window: shown under "SIMULATE" while a remote client is
// connected, so the operator knows the process may change from elsewhere.

class QWidget;

namespace tlv::remote {
class RemoteServer;
}

namespace coflux {

// Adds the label (object name lblRemote) to `window` beside its lblSim and follows the server's
// client count. When the window goes, the server stops serving: the process it drives goes
// with the window.
void AttachRemoteIndicator(QWidget& window, tlv::remote::RemoteServer& server);

} // namespace coflux
