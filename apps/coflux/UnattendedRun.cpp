// Supervision of an unattended run: loads the setup, starts the deposition, answers every
// message box, watches the run state, the readings and the time limit, and ends the program
// with the status that says how the deposition ended.

#include "UnattendedRun.h"

#include "frmMain.h"

#include "common/DialogService.h"
#include "common/ProgramInfo.h"
#include "common/SetupFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace coflux {

namespace {

constexpr int kPollMs = 200;
// Readings come every half period; this long without one means the library is not measuring.
constexpr double kSilenceSecondsMin = 10;

void Print(std::FILE* stream, const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (!line.endsWith(QLatin1Char('\n'))) line += QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

struct SetupLocation {
    QString folder; // folder of the setup file; empty: the program's folder as it is
    QString name;   // file name, as IniRead takes it
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
bool HasEndingSetpoint(const frmMain& window)
{
    const ProcessTables& tables = window.Tables();
    for (int j : kShownOutputs) {
        const OutputRecord& out = tables.Output(j);
        if (window.IsPresentOutput(j) && out.Mode != ModeOff && InputAnalog(out.Input) < 0 &&
            (out.Input & 0xFFFFFF) != 0)
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
    Supervisor(const RunRequest& request, QString setupName, std::FILE* out, std::FILE* err)
        : m_request(request), m_setupName(std::move(setupName)), m_out(out), m_err(err)
    {
    }

    int exec()
    {
        tlv::DialogService::ScopedHandler answers(
            [this](const tlv::DialogRequest& r) { return answer(r); });
        const bool quitOnClose = QApplication::quitOnLastWindowClosed();
        QApplication::setQuitOnLastWindowClosed(false);

        m_window = new frmMain;
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        if (m_request.headless)
            for (QWidget* w : QApplication::topLevelWidgets())
                w->hide();
        QObject::connect(&m_window->Instrument(), &cTLV880a::TLVReading, &m_context,
                         [this] { m_sinceReading.restart(); });
        QObject::connect(
            &m_window->Instrument(), &cTLV880a::TLVError, &m_context,
            [this](int number, const QString& message) {
                if (m_window && !m_window->Tables().Flags.ShowErrors)
                    Print(m_err,
                          QStringLiteral("coflux: TLV880 Error: %1: %2").arg(number).arg(message));
            });

        if (!HasEndingSetpoint(*m_window) && m_request.minutes <= 0) {
            finish(RunFailed,
                   QStringLiteral("coflux: nothing in %1 ends a deposition: no output "
                                  "fed by sensors is on and no monitor is set. Give "
                                  "--minutes to run for a fixed time.")
                       .arg(m_setupName),
                   m_err);
        } else {
            m_window->cmdFSwitch_Click(0);
            if (m_window->RunState() != RunRunning) {
                finish(RunFailed, QStringLiteral("coflux: the deposition did not start."), m_err);
            } else {
                Print(m_out, QStringLiteral("Deposition started with %1.").arg(m_setupName));
                m_sinceReading.start();
                startWatching();
            }
        }

        const int status = QApplication::exec();
        if (m_window) delete m_window.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::setQuitOnLastWindowClosed(quitOnClose);
        return m_finished ? m_status : status;
    }

private:
    tlv::DialogAnswer answer(const tlv::DialogRequest& r)
    {
        if (r.kind == tlv::DialogKind::Open || r.kind == tlv::DialogKind::Save) {
            Print(m_err, QStringLiteral("coflux: file dialog \"%1\" cancelled.").arg(r.title));
            return tlv::DialogAnswer::cancelled();
        }
        if (r.title == QLatin1String("Quitting")) return QMessageBox::No; // keep the setup file
        if (r.text.startsWith(QLatin1String("Deposition halted.")) && !m_finished) {
            Print(m_out, r.text);
            finish(RunSetpointReached, QString(), m_out);
        } else {
            Print(m_err, QStringLiteral("coflux: ") + r.text);
        }
        return r.defaultButton != QMessageBox::NoButton
                   ? r.defaultButton
                   : tlv::DialogService::defaultButtonOf(r.buttons);
    }

    void startWatching()
    {
        auto* poll = new QTimer(&m_context);
        QObject::connect(poll, &QTimer::timeout, &m_context, [this] { watch(); });
        poll->start(kPollMs);
        if (m_request.minutes > 0) {
            auto* limit = new QTimer(&m_context);
            limit->setSingleShot(true);
            QObject::connect(limit, &QTimer::timeout, &m_context, [this] {
                if (m_finished || !m_window) return;
                m_window->SetRunState(RunStopped);
                finish(RunTimeLimit,
                       QStringLiteral("Time limit of %1 minutes reached. Deposition stopped.")
                           .arg(m_request.minutes),
                       m_out);
            });
            limit->start(static_cast<int>(m_request.minutes * 60000.0));
        }
    }

    void watch()
    {
        if (m_finished) return;
        if (!m_window) {
            finish(RunStoppedEarly,
                   QStringLiteral("coflux: the window was closed before a setpoint was reached."),
                   m_err);
            return;
        }
        // A trip stops the run before its message arrives; a stop only counts as the operator's
        // when no halt message followed it by the next look.
        if (m_window->RunState() == RunStopped) {
            if (m_stopSeen)
                finish(RunStoppedEarly,
                       QStringLiteral("coflux: the deposition was stopped before a setpoint was "
                                      "reached."),
                       m_err);
            m_stopSeen = true;
            return;
        }
        m_stopSeen = false;
        const double silence = std::max(kSilenceSecondsMin, 20 * m_window->Instrument().Period());
        if (m_sinceReading.elapsed() > silence * 1000) {
            m_window->SetRunState(RunStopped);
            finish(RunFailed,
                   QStringLiteral("coflux: no readings from the card library for %1 s; "
                                  "deposition stopped.")
                       .arg(silence),
                   m_err);
        }
    }

    // Records how the run ended, then closes the window and leaves the event loop once the
    // current handler has returned.
    void finish(int status, const QString& message, std::FILE* stream)
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

    const RunRequest m_request;
    const QString m_setupName;
    std::FILE* m_out;
    std::FILE* m_err;
    QObject m_context; // owns the timers and connections of the run
    QPointer<frmMain> m_window;
    QElapsedTimer m_sinceReading;
    bool m_stopSeen = false;
    bool m_finished = false;
    int m_status = RunFailed;
};

} // namespace

int RunUnattended(const RunRequest& request, std::FILE* out, std::FILE* err)
{
    const SetupLocation setup = LocateSetup(request.file);
    if (!setup.error.isEmpty()) {
        Print(err, QStringLiteral("coflux: ") + setup.error);
        return RunFailed;
    }

    // A setup file of another folder makes that folder the program's folder for this run only;
    // the user's remembered setup file is put back afterwards.
    const QByteArray homeBefore = qgetenv("TLV880_HOME");
    const bool hadHome = qEnvironmentVariableIsSet("TLV880_HOME");
    const QString rememberedBefore = tlv::SavedSetupFile();
    if (!setup.folder.isEmpty()) qputenv("TLV880_HOME", QFile::encodeName(setup.folder));
    tlv::SetCurrentSetupFile(setup.name);

    Supervisor supervisor(request, setup.name, out, err);
    const int status = supervisor.exec();

    if (!setup.folder.isEmpty()) {
        if (hadHome)
            qputenv("TLV880_HOME", homeBefore);
        else
            qunsetenv("TLV880_HOME");
        tlv::SetCurrentSetupFile(rememberedBefore);
    }
    return status;
}

} // namespace coflux
