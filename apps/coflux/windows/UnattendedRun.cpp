// Supervision of an unattended run: checks the cards and the setup, starts the deposition,
// watches the trips, the readings and the time limit, and ends the program with the status that
// says how the deposition ended. Headless, the deposition process runs alone; otherwise the main
// window shows it and every message box is answered here.

#include "UnattendedRun.h"

#include "CofluxHost.h"
#include "Deposition.h"
#include "HeadlessStart.h"
#include "TuningReport.h"
#include "TuningRun.h"
#include "frmChart.h"
#include "frmMain.h"

#include "common/DialogService.h"
#include "common/ProgramInfo.h"
#include "common/TerminationSignals.h"
#include "instrument/OutputSlots.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace coflux {

namespace {

constexpr int kWatchMs = 200;
// Readings come every half period; this long without one means the library is not measuring.
constexpr double kSilenceSecondsMin = 10;

// A standard output whose reader has gone is reported once; the deposition goes on.
void Print(std::FILE* stream, const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (line.endsWith(QLatin1Char('\n'))) line.chop(1);
    tlv::PrintLine(stream, line, QStringLiteral("coflux"));
}

struct SetupLocation {
    QString folder; // folder of the setup file; empty: the program's folder as it is
    QString name;   // file name, as OpenSetup takes it
    QString path;   // full path, for messages
    QString error;
};

bool SameFolder(const QString& a, const QString& b)
{
    return QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}

SetupLocation LocateSetup(const QString& file)
{
    SetupLocation where;
    const bool hasFolder = file.contains(QLatin1Char('/')) || file.contains(QDir::separator());
    const QFileInfo given(file);
    const QString folder = hasFolder ? given.absolutePath() : tlv::ProgramFolder();
    where.name = given.fileName();
    if (!QFileInfo::exists(QDir(folder).filePath(where.name)) && given.suffix().isEmpty() &&
        QFileInfo::exists(QDir(folder).filePath(where.name + QStringLiteral(".dat"))))
        where.name += QStringLiteral(".dat");
    where.path = QDir(folder).filePath(where.name);
    if (hasFolder && !SameFolder(folder, tlv::ProgramFolder())) where.folder = folder;

    const QFileInfo info(where.path);
    if (where.name.isEmpty() || !info.exists())
        where.error = QStringLiteral("The setup file %1 was not found.").arg(where.path);
    else if (!info.isFile())
        where.error = QStringLiteral("%1 is not a setup file.").arg(where.path);
    else if (!info.isReadable())
        where.error = QStringLiteral("The setup file %1 cannot be read.").arg(where.path);
    return where;
}

// Something in the loaded setup that ends a deposition by itself: an output that is on and fed
// by sensors (its thickness setpoint), or a thickness or voltage monitor.
bool HasEndingSetpoint(const Deposition& core)
{
    const ProcessTables& tables = core.Tables();
    for (int j : kShownOutputs) {
        const OutputRecord& out = tables.Output(j);
        if (core.IsPresentOutput(j) && out.Mode != ModeOff && InputAnalog(out.Input) < 0 &&
            (out.Input & kSensorBitsMask) != 0)
            return true;
    }
    for (int s = 0; s < kConfiguredSensors; ++s)
        if (tables.Sensor(s).Monitor != 0) return true;
    for (int a = 0; a < kAnalogInputs; ++a)
        if (tables.Analog(a).Monitor != 0) return true;
    return false;
}

// One run from start to end; lives on the stack of RunUnattended.
class Supervisor {
public:
    Supervisor(const RunRequest& request, SetupLocation setup, std::FILE* out, std::FILE* err)
        : m_request(request), m_setup(std::move(setup)), m_out(out), m_err(err)
    {
    }

    int exec()
    {
        tlv::DialogService::ScopedHandler answers(
            [this](const tlv::DialogRequest& r) { return answer(r); });
        // A signal stops the deposition as the operator's Stop does, from the event loop.
        // The one start of the unattended modes: signals, host, reporter and publishing.
        m_start = std::make_unique<HeadlessStart>(m_out, m_err, m_request.publish);
        m_host = &m_start->Host();
        m_reporter = &m_start->Reporter();
        QObject::connect(&m_start->Signals(), &tlv::TerminationSignals::received, &m_context,
                         [this](int signal) { EndBySignal(signal); });

        // The process listens to the instrument before anything is loaded, so every error of the
        // load reaches this run.
        m_core = &m_host->Process();
        m_core->setRemembersSetupFile(false);
        Listen();

        if (Prepare()) {
            if (!m_request.headless) {
                m_window = new frmMain(*m_host);
                m_window->setAttribute(Qt::WA_DeleteOnClose);
                // The chart window opens with the run when the operator left it open.
                m_window->RestoreChartVisibility();
            }
            if (m_core->Start().ok()) {
                Print(m_out, QStringLiteral("Deposition started with %1.").arg(m_setup.name));
                m_sinceReading.start();
                StartWatching();
                if (m_request.tune >= 0) WatchTuning();
            } else {
                Finish(RunFailed, QStringLiteral("coflux: the deposition did not start."), m_err);
            }
            m_status = QCoreApplication::exec();
        }

        if (m_window) delete m_window.data();
        m_host->Shutdown(); // the deposition stopped, publishing "offline"
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_linesLost = m_core->LogLinesLost();
        if (m_linesLost > 0)
            Print(m_err,
                  QStringLiteral("coflux: %1 line(s) could not be written to the log file %2.")
                      .arg(m_linesLost)
                      .arg(m_core->Tables().Flags.LogFile));
        m_core = nullptr;
        m_reporter = nullptr;
        m_host = nullptr;
        m_start.reset(); // shuts the card library down
        return WithLogReport(m_status);
    }

private:
    void Listen()
    {
        Deposition* core = m_core;
        QObject::connect(core, &Deposition::readingTaken, &m_context,
                         [this] { m_sinceReading.restart(); });
        QObject::connect(
            core, &Deposition::runStopped, &m_context,
            [this](StopReason reason, const QString& message) { Stopped(reason, message); });
    }

    // Checks the cards, loads the setup and checks what it asks for. False: the run cannot
    // start (the reason has been printed and the status set).
    bool Prepare()
    {
        if (!m_start->LoadSetup(m_setup.name, m_request.simulate,
                                QStringLiteral("Give --simulate to run in simulation.")))
            return Refused();
        m_host->ZeroForStart();
        if (m_request.tune >= 0) return true; // the tuning run ends the deposition
        if (!HasEndingSetpoint(*m_core) && m_request.minutes <= 0)
            return Refuse(QStringLiteral("coflux: nothing in %1 ends a deposition: no output "
                                         "fed by sensors is on and no monitor is set. Give "
                                         "--minutes to run for a fixed time.")
                              .arg(m_setup.name));
        return true;
    }

    bool Refuse(const QString& message)
    {
        Print(m_err, message);
        return Refused();
    }
    // The run ends before it started; the reason has been printed.
    bool Refused()
    {
        m_finished = true;
        m_status = RunFailed;
        return false;
    }

    tlv::DialogAnswer answer(const tlv::DialogRequest& r)
    {
        if (r.kind == tlv::DialogKind::Open || r.kind == tlv::DialogKind::Save) {
            Print(m_err, QStringLiteral("coflux: file dialog \"%1\" cancelled.").arg(r.title));
            return tlv::DialogAnswer::cancelled();
        }
        if (r.title == QLatin1String("Quitting")) return QMessageBox::No; // keep the setup file
        // Trips and the process's messages have been printed when they happened.
        if (!r.text.startsWith(QLatin1String("Deposition halted.")) &&
            !r.text.startsWith(QLatin1String("TLV880 Error")) &&
            !r.text.startsWith(QLatin1String("Sensor Event")) &&
            !r.text.startsWith(QLatin1String("Output Event")))
            Print(m_err, QStringLiteral("coflux: ") + r.text);
        return r.defaultButton != QMessageBox::NoButton
                   ? r.defaultButton
                   : tlv::DialogService::defaultButtonOf(r.buttons);
    }

    void StartWatching()
    {
        auto* watch = new QTimer(&m_context);
        QObject::connect(watch, &QTimer::timeout, &m_context, [this] { Watch(); });
        watch->start(kWatchMs);
        if (m_request.minutes > 0) {
            // A precise timer against a deadline: the limit is never cut short, and a timer that
            // fires a little early is simply set again for what remains.
            m_deadline =
                QDeadlineTimer(static_cast<qint64>(m_request.minutes * 60000.0), Qt::PreciseTimer);
            m_limit = new QTimer(&m_context);
            m_limit->setSingleShot(true);
            m_limit->setTimerType(Qt::PreciseTimer);
            QObject::connect(m_limit, &QTimer::timeout, &m_context, [this] { CheckDeadline(); });
            m_limit->start(static_cast<int>(m_deadline->remainingTime()));
        }
    }

    // The process says why the deposition stopped; the status follows from it.
    void Stopped(StopReason reason, const QString& message)
    {
        if (m_finished) return;
        switch (reason) {
        case StopReason::Trip:
        case StopReason::Setpoint:
            if (m_request.tune >= 0) return; // a tuning run reports its own end
            Print(m_out, message);
            Finish(RunSetpointReached, QString(), m_out);
            return;
        case StopReason::TimeLimit:
            Finish(RunTimeLimit,
                   QStringLiteral("Time limit of %1 minutes reached. Deposition stopped.")
                       .arg(m_request.minutes),
                   m_out);
            return;
        case StopReason::Error:
            Finish(RunFailed, m_errorText, m_err);
            return;
        case StopReason::Operator:
            // Closing the window stops the deposition too: which one it was shows once the
            // close has gone through.
            QTimer::singleShot(0, &m_context, [this] {
                if (!m_request.headless && (!m_window || !m_window->isVisible()))
                    Finish(RunStoppedEarly,
                           QStringLiteral(
                               "coflux: the window was closed before a setpoint was reached."),
                           m_err);
                else
                    Finish(RunStoppedEarly,
                           QStringLiteral("coflux: the deposition was stopped before a setpoint "
                                          "was reached."),
                           m_err);
            });
            return;
        }
    }

    void EndBySignal(int signal)
    {
        if (m_finished) return;
        // Finished first: the stop ends a tuning run too, whose own end must not take over the
        // signal's status and message.
        Finish(RunStoppedEarly,
               QStringLiteral("coflux: ended by %1; the deposition was stopped.")
                   .arg(tlv::TerminationSignals::Name(signal)),
               m_err);
        if (m_core->RunState() != RunStopped) m_core->SetRunState(RunStopped);
    }

    void CheckDeadline()
    {
        if (m_finished) return;
        if (!m_deadline->hasExpired()) {
            m_limit->start(static_cast<int>(std::max<qint64>(1, m_deadline->remainingTime())));
            return;
        }
        m_core->StopFor(StopReason::TimeLimit);
    }

    void Watch()
    {
        if (m_finished) return;
        if (!m_request.headless && !m_window) {
            Finish(RunStoppedEarly,
                   QStringLiteral("coflux: the window was closed before a setpoint was reached."),
                   m_err);
            return;
        }
        const double silence = std::max(kSilenceSecondsMin, 20 * m_host->Instrument().Period());
        if (m_sinceReading.elapsed() > silence * 1000) {
            m_errorText = QStringLiteral("coflux: no readings from the card library for %1 s; "
                                         "deposition stopped.")
                              .arg(silence);
            m_core->StopFor(StopReason::Error);
        }
    }

    // --tune: the tuning run starts from the given power, from the manual power, or from the
    // power the output's loop holds once its rate has stayed near the setpoint.
    void WatchTuning()
    {
        QObject::connect(m_core, &Deposition::readingTaken, &m_context,
                         [this](const ReadingArrays& readings, double time) {
                             if (!m_tuneStarted && !m_finished) MaybeStartTuning(readings, time);
                         });
        QObject::connect(&m_core->Tuning(), &TuningRun::changed, &m_context,
                         [this] { TuningChanged(); });
    }

    void MaybeStartTuning(const ReadingArrays& readings, double time)
    {
        const int j = m_request.tune;
        const OutputRecord& out = m_core->Tables().Output(j);
        if (m_request.tunePower < 0 && out.Mode == ModeAuto) {
            constexpr double kNearSeconds = 5, kWaitSeconds = 300;
            if (m_firstReading < 0) m_firstReading = time;
            const double rate = readings.OutRate.at(static_cast<size_t>(j));
            const bool near = out.Rate > 0 && std::fabs(rate - out.Rate) <= 0.1 * out.Rate;
            if (!near)
                m_nearSince = -1;
            else if (m_nearSince < 0)
                m_nearSince = time;
            if (time - m_firstReading > kWaitSeconds) {
                m_core->SetRunState(RunStopped);
                Finish(RunTuningRefused,
                       QStringLiteral("coflux: the rate of output %1 did not settle near its "
                                      "setpoint within %2 s; give --power.")
                           .arg(tlv880::OutputNumberOfSlot(j))
                           .arg(kWaitSeconds),
                       m_err);
                return;
            }
            if (m_nearSince < 0 || time - m_nearSince < kNearSeconds) return;
        }
        TuningOptions options;
        options.startPower = m_request.tunePower;
        options.step = m_request.tuneStep;
        tlv880::tuning::ParseAggressiveness(m_request.aggressiveness.toStdString(),
                                            &options.aggressiveness);
        m_tuneStarted = true;
        const CommandResult started = m_core->Tuning().Start(j, options);
        if (!started.ok()) {
            m_core->SetRunState(RunStopped);
            Finish(RunFailed, QStringLiteral("coflux: ") + started.text, m_err);
        }
    }

    void TuningChanged()
    {
        const TuningResult& result = m_core->Tuning().Result();
        if (m_finished || !m_tuneStarted || result.state == TuningResult::State::Running) return;
        if (result.state != TuningResult::State::Done) {
            if (m_core->RunState() != RunStopped) m_core->SetRunState(RunStopped);
            Finish(RunTuningRefused, QStringLiteral("coflux: ") + result.message, m_err);
            return;
        }
        Print(m_out, TuningReportText(result, m_core->Tables().Output(result.output).Name));
        int status = RunSetpointReached;
        if (m_request.save) {
            CommandResult saved = m_core->Tuning().Apply(result.output);
            if (saved.ok()) saved = m_core->SaveSetup(m_setup.name);
            if (saved.ok()) {
                Print(m_out, QStringLiteral("Terms written to %1.").arg(m_setup.path));
            } else {
                Print(m_err, QStringLiteral("coflux: the terms were not written: ") + saved.text);
                status = RunFailed;
            }
        }
        m_core->SetRunState(RunStopped);
        Finish(status, QString(), m_out);
    }

    // Records how the run ended, then closes the window and leaves the event loop once the
    // current handler has returned.
    void Finish(int status, const QString& message, std::FILE* stream)
    {
        if (m_finished) return;
        m_finished = true;
        m_status = status;
        if (!message.isEmpty()) Print(stream, message);
        QTimer::singleShot(0, &m_context, [this] {
            if (m_window) m_window->close();
            QCoreApplication::exit(m_status);
        });
    }

    // A run whose log lost lines says so, and ends with a status of its own.
    int WithLogReport(int status) const
    {
        if (m_linesLost == 0 || status == RunFailed) return status;
        return RunLogIncomplete;
    }

    const RunRequest m_request;
    const SetupLocation m_setup;
    std::FILE* m_out;
    std::FILE* m_err;
    QObject m_context; // owns the timers and connections of the run
    std::unique_ptr<HeadlessStart> m_start;
    CofluxHost* m_host = nullptr;           // the start's
    Deposition* m_core = nullptr;           // the host's process
    HeadlessReporter* m_reporter = nullptr; // the start's
    QPointer<frmMain> m_window;
    QElapsedTimer m_sinceReading;
    std::optional<QDeadlineTimer> m_deadline;
    QTimer* m_limit = nullptr;
    QString m_errorText; // the message of a stop for an error
    bool m_tuneStarted = false;
    double m_firstReading = -1, m_nearSince = -1; // reading times, s
    bool m_finished = false;
    int m_status = RunFailed;
    int m_linesLost = 0;
};

} // namespace

int RunUnattended(const RunRequest& request, std::FILE* out, std::FILE* err)
{
    const SetupLocation setup = LocateSetup(request.file);
    if (!setup.error.isEmpty()) {
        Print(err, QStringLiteral("coflux: ") + setup.error);
        return RunFailed;
    }

    // A setup file of another folder makes that folder the program's folder for this run only.
    const QByteArray homeBefore = qgetenv("TLV880_HOME");
    const bool hadHome = qEnvironmentVariableIsSet("TLV880_HOME");
    if (!setup.folder.isEmpty()) qputenv("TLV880_HOME", QFile::encodeName(setup.folder));

    Supervisor supervisor(request, setup, out, err);
    const int status = supervisor.exec();

    if (!setup.folder.isEmpty()) {
        if (hadHome)
            qputenv("TLV880_HOME", homeBefore);
        else
            qunsetenv("TLV880_HOME");
    }
    return status;
}

} // namespace coflux
