#pragma once
// The one reporter of the modes without a window. What the window would show in a message box
// or its status line goes to standard error, each line starting "coflux: ": the process's
// notices, its class errors ("TLV880 Error: N: TEXT"), its sensor and output events while the
// process shows errors ("Sensor Event: N: TEXT", "Output Event: N: TEXT"), the first data line
// that could not be written, and the routine errors of the shared code. Results (a halt
// message, a recipe's phases) go to standard output through Out().

#include <QObject>
#include <QString>

#include <cstdio>

namespace coflux {

class Deposition;

class HeadlessReporter : public QObject {
    Q_OBJECT
public:
    // Takes over the routine errors of the shared code while it lives.
    HeadlessReporter(std::FILE* out, std::FILE* err, QObject* parent = nullptr);
    ~HeadlessReporter() override;
    HeadlessReporter(const HeadlessReporter&) = delete;
    HeadlessReporter& operator=(const HeadlessReporter&) = delete;

    // Reports what `process` says from now on; it must outlive this object.
    void Follow(const Deposition& process);

    // A line on standard output.
    void Out(const QString& line) const;
    // "coflux: " + text on standard error (a text that starts "coflux: " already is kept).
    void Error(const QString& text) const;

    std::FILE* OutStream() const { return m_out; }
    std::FILE* ErrStream() const { return m_err; }

private:
    std::FILE* m_out;
    std::FILE* m_err;
    using Reporter = void (*)(const QString&);
    Reporter m_previousReporter = nullptr;
    HeadlessReporter* m_previousCurrent = nullptr;
};

} // namespace coflux
