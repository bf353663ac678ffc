#pragma once
// The one way every program and mode of the TLV-880 software ends on a signal.
//
// While a TerminationSignals object lives, SIGTERM, SIGINT, SIGHUP and SIGQUIT do not end the
// process at once: the handler only writes the signal's number into a pipe, and the object
// emits `received` from the event loop of its thread, where stopping the outputs, completing
// the log line and shutting the instrument down are safe. SIGPIPE is ignored meanwhile, so a
// standard output whose reader has gone becomes a write error (see PrintLine) instead of a
// silent death. The handlers before are restored when the object goes; objects may nest (the
// newest one receives). SIGKILL cannot be caught by any program.

#include <QObject>
#include <QString>

#include <cstdio>

class QSocketNotifier;

namespace tlv {

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the pipe could not be made: the signals keep their default action.
    bool watching() const { return m_pipe[0] >= 0; }
    // How many signals have been received so far.
    int count() const { return m_count; }

    // "SIGTERM", "SIGINT", "SIGHUP", "SIGQUIT", else "signal N".
    static QString Name(int signal);

signals:
    // A watched signal arrived; emitted from the event loop, once per signal.
    void received(int signal);

private:
    void ReadPipe();

    int m_pipe[2] = {-1, -1};
    int m_previousWriteEnd = -1; // the pipe of the object this one nests in
    QSocketNotifier* m_notifier = nullptr;
    int m_count = 0;
    struct Saved;
    Saved* m_saved = nullptr;
};

// Writes `line` and a line break to `stream` and flushes it. The first line that cannot be
// written to a stream (its reader has gone, the disk is full) is reported on standard error as
// "PROGRAM: standard output cannot be written: CAUSE"; later failures are quiet. Returns false
// when the line was not written.
bool PrintLine(std::FILE* stream, const QString& line, const QString& program);

} // namespace tlv
