#pragma once
// A window program ends on SIGTERM, SIGINT, SIGHUP or SIGQUIT as its Exit does: the outputs
// are stopped first, a line on standard error names the signal, and the main window is closed.
// Nobody is there to answer the closing question, so every box of that close is answered
// without waiting: "Quitting" (save the setup?) with No, so the setup file stays as it is on
// disk, any other with its default; their texts go to standard error. When the window refuses
// to close the event loop is left all the same: a signal always ends the program (status 0).

#include <QString>

#include <functional>

class QWidget;

namespace tlv {

// Watches the signals for as long as the application object lives. `stopOutputs` runs first,
// from the event loop.
void CloseOnTerminationSignals(QWidget& window, const QString& program,
                               std::function<void()> stopOutputs = {});

} // namespace tlv
