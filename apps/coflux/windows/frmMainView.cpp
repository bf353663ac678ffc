// frmMain following the process: run buttons, output frames, readings, setpoints set elsewhere,
// trips and class messages.

#include "frmMain.h"

#include "CofluxProgram.h"
#include "DepositionAlarms.h"
#include "OutputLife.h"
#include "ProgramMessage.h"
#include "RecipeProgressStrip.h"
#include "RecipeSession.h"

#include "common/NumberFormat.h"
#include "common/SetupFileDialog.h"
#include "common/alarms/AlarmPanel.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTime>
#include <QTimer>

#include <cmath>

namespace coflux {

namespace {

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kGrey(128, 128, 128);
const QColor kAmber(255, 191, 0); // Hold: the outputs at power 0, the thickness kept
const QColor kBlue(0, 102, 204);  // a recipe that completed, its outputs at idle power

// The colours of a rate deviation: within the tolerance, outside it, a warning, the alarm.
const QColor kWithin(0, 128, 0);
const QColor kOutside(176, 120, 0);
const QColor kWarning(224, 96, 0);
const QColor kAlarm(204, 0, 0);

// A reading shown as it already reads leaves its box alone: setText would lay the text out again
// and repaint the box and the frame behind it, ten times a second, for nothing.
void ShowReadingText(QLineEdit* box, const QString& text)
{
    if (box->text() != text) box->setText(text);
}

void SetButtonColour(QPushButton* button, const QColor& colour)
{
    QPalette p = button->palette();
    p.setColor(QPalette::Button, colour);
    button->setPalette(p);
    button->setAutoFillBackground(true);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; }").arg(colour.name()));
}

void ClearButtonColour(QPushButton* button)
{
    button->setStyleSheet(QString());
    button->setAutoFillBackground(false);
    button->setPalette(QPalette());
}

void SetTextColour(QLineEdit* box, const QColor& colour)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Text, colour);
    box->setPalette(p);
    QFont font = box->font();
    font.setBold(false);
    box->setFont(font);
}

} // namespace

void frmMain::FollowCore()
{
    Deposition* core = m_core;
    // Every class error, refusal and notice reaches the status line, whatever ShowErrors says,
    // with its age on the instrument's clock; a message whose cause has gone leaves it.
    m_statusLine->setClock([core] { return core->Instrument().Clock().now(); });
    if (!core->LastStatusText().isEmpty())
        m_statusLine->showMessage(core->LastStatusText(), {}, core->LastStatusCause());
    connect(core, &Deposition::statusText, m_statusLine,
            [line = m_statusLine, core](const QString& text) {
                line->showMessage(text, {}, core->LastStatusCause());
            });
    connect(core, &Deposition::statusCleared, m_statusLine, &tlv::StatusLine::clearCause);
    // The process's alarms: the panel lists them, the status line shows each as it comes.
    m_alarmPanel = tlv::InstallAlarmPanel(this, core->Alarms().Model());
    tlv::ShowAlarmsOnStatusLine(*m_statusLine, core->Alarms().Model());
    connect(&core->Alarms(), &DepositionAlarms::logFailed, m_statusLine,
            [line = m_statusLine](const QString& text) { line->showMessage(text); });
    connect(core, &Deposition::runStateChanged, this, [this](short state) { ShowRunState(state); });
    connect(core, &Deposition::readingTaken, this, [this](const ReadingArrays&, double time) {
        m_readingTime = time;
        ShowReading();
    });
    FollowRecipe();
    connect(core, &Deposition::analogTaken, this, [this] { ShowAnalog(); });
    connect(core, &Deposition::thicknessZeroed, this, [this](int j) {
        if (IsShownOutput(j)) FrameAt(j).txtThickRdg->setText(QStringLiteral("0.000"));
    });
    connect(core, &Deposition::modeChanged, this, &frmMain::ShowMode);
    connect(core, &Deposition::setpointChanged, this, [this](int j, Setpoint which) {
        if (!m_entering) ShowSetpoint(j, which);
    });
    connect(core, &Deposition::outputChanged, this, &frmMain::UpdateFrame);
    connect(core, &Deposition::setupLoaded, this, [this](const QString& name) {
        CancelEditorsOfReplacedSetup(name);
        ShowSetup();
    });
    connect(core, &Deposition::setupFileChanged, this,
            [this](const QString& name) { setWindowTitle(tlv::SetupFileCaption(name)); });

    // Messages of commands the operator gave come at once; the others wait for the event loop.
    connect(core, &Deposition::notice, this, [this](const QString& text, NoticeLevel level) {
        ShowMessage(this, text,
                    level == NoticeLevel::Warning ? QMessageBox::Warning
                                                  : QMessageBox::Information);
    });
    connect(core, &Deposition::tripped, this,
            [this](const QString& message) { ShowMessageLater(message, QMessageBox::Warning); });
    connect(core, &Deposition::classError, this, [this](int number, const QString& message) {
        if (Tables().Flags.ShowErrors)
            ShowMessageLater(QStringLiteral("TLV880 Error: %1\r\n%2").arg(number).arg(message),
                             QMessageBox::Warning);
    });
    connect(core, &Deposition::sensorEvent, this, [this](int code, const QString& message) {
        if (Tables().Flags.ShowErrors)
            ShowMessageLater(QStringLiteral("Sensor Event: %1\r\n%2").arg(code).arg(message),
                             QMessageBox::Warning);
    });
    connect(core, &Deposition::outputEvent, this, [this](int code, const QString& message) {
        if (Tables().Flags.ShowErrors)
            ShowMessageLater(QStringLiteral("Output Event: %1\r\n%2").arg(code).arg(message),
                             QMessageBox::Warning);
    });
}

// A modal box runs an event loop of its own; opened from a queued call, every other listener of
// the process has had its signal and later readings keep updating the displays meanwhile.
void frmMain::ShowMessageLater(const QString& text, QMessageBox::Icon icon)
{
    QTimer::singleShot(0, this, [this, text, icon] { ShowMessage(this, text, icon); });
}

void frmMain::ShowRunState(short state)
{
    QPushButton* startStop = m_cmdFSwitch[0];
    QPushButton* holdResume = m_cmdFSwitch[1];
    if (state == RunStopped) {
        startStop->setText(QStringLiteral("&Start"));
        SetButtonColour(startStop, kGreen);
        holdResume->hide();
    } else if (state == RunHeld) {
        startStop->setText(QStringLiteral("&Stop"));
        holdResume->setText(QStringLiteral("&Resume"));
        SetButtonColour(holdResume, kAmber); // Hold looks like Hold, not like Run
        holdResume->show();
    } else {
        startStop->setText(QStringLiteral("&Stop"));
        SetButtonColour(startStop, kRed);
        holdResume->setText(QStringLiteral("&Hold"));
        ClearButtonColour(holdResume);
        holdResume->show();
    }
    // A completed recipe stays shown as such until the deposition changes state.
    m_recipeComplete = false;
    ShowRunWord();
    for (int j : kShownOutputs)
        ShowDeviation(FrameAt(j), j);
}

void frmMain::ShowRunWord()
{
    QString word = QStringLiteral("RUNNING");
    QColor back = kRed;
    QColor text = Qt::white;
    QString tip = QStringLiteral("The deposition is running.");
    if (RunState() == RunStopped) {
        word = QStringLiteral("STOPPED");
        back = kGreen;
        text = Qt::black;
        tip = QStringLiteral("The deposition is stopped: every output at power 0.");
    } else if (RunState() == RunHeld) {
        word = QStringLiteral("HOLD");
        back = kAmber;
        text = Qt::black;
        tip = QStringLiteral("The deposition is held: every output at power 0, the thickness "
                             "kept. Resume goes on, Stop ends it.");
    } else if (m_recipeComplete) {
        word = QStringLiteral("RECIPE COMPLETE");
        back = kBlue;
        tip = QStringLiteral("The recipe completed; its outputs hold their idle power until "
                             "Stop ends the deposition.");
    }
    if (m_lblRunState->text() == word) return;
    m_lblRunState->setText(word);
    m_lblRunState->setToolTip(tip);
    m_lblRunState->setStyleSheet(
        QStringLiteral("QLabel { background-color: %1; color: %2; font-weight: bold; "
                       "padding: 3px; }")
            .arg(back.name(), text.name()));
}

void frmMain::FollowRecipe()
{
    RecipeSession& session = m_host->Recipes();
    RecipeRun& run = session.Run();
    const auto show = [this, &run] {
        const int layers = static_cast<int>(run.CurrentRecipe().layers.size());
        m_progress->Show(run.Estimate(), layers,
                         QTime::fromMSecsSinceStartOfDay(
                             static_cast<int>(std::fmod(m_readingTime, 86400.0) * 1000.0)));
    };
    connect(&run, &RecipeRun::Updated, m_progress, show);
    connect(&session, &RecipeSession::started, this, [this, show] {
        m_recipeComplete = false;
        ShowRunWord();
        show();
    });
    connect(&run, &RecipeRun::Finished, this, [this, show](RecipeRun::State state) {
        show(); // hides the progress
        m_recipeComplete = state == RecipeRun::State::Complete && RunState() == RunRunning;
        ShowRunWord();
    });
}

void frmMain::ShowReading()
{
    m_lblSim->setVisible(m_core->Simulating());
    const ReadingArrays& r = Readings();
    for (int j : kShownOutputs) {
        if (!IsPresentOutput(j)) continue;
        const auto i = static_cast<size_t>(j);
        Frame& f = FrameAt(j);
        ShowReadingText(f.txtPowerRdg, tlv::Format(r.OutPower[i], QStringLiteral("##0.0")));
        if (InputAnalog(Tables().Output(j).Input) >= 0) continue; // shown by the analog event
        ShowReadingText(f.txtThickRdg, tlv::Format(r.OutThick[i], QStringLiteral("##0.000")));
        ShowReadingText(f.txtRateRdg, tlv::Format(r.OutRate[i], QStringLiteral("##0.00")));
        ShowLifeLeft(f, j);
        ShowDeviation(f, j);
    }
}

void frmMain::ShowDeviation(Frame& f, int j)
{
    const RateDeviation& d = m_core->Deviations().At(j);
    f.lblDeviation->setVisible(d.shown);
    if (!d.shown) return;
    const QString text = OutputDeviations::Text(d);
    if (f.lblDeviation->text() != text) f.lblDeviation->setText(text);
    const bool alarm = d.band == tlv::RateBand::Out;
    const QColor& colour = alarm                              ? kAlarm
                           : d.band == tlv::RateBand::Warning ? kWarning
                           : d.outside                        ? kOutside
                                                              : kWithin;
    const QString style =
        QStringLiteral("QLabel { color: %1; font-weight: %2; }")
            .arg(colour.name(), alarm ? QStringLiteral("bold") : QStringLiteral("normal"));
    if (f.lblDeviation->styleSheet() != style) f.lblDeviation->setStyleSheet(style);
}

void frmMain::ShowLifeLeft(Frame& f, int j)
{
    const ReadingArrays& r = Readings();
    const int bits = m_core->SensorBits(j);
    const QString text = OutputLifeText(r, bits);
    if (f.lblLifeLeft->text() != text) f.lblLifeLeft->setText(text);
    const QString detail = OutputLifeDetail(r, bits);
    if (f.lblLifeLeft->statusTip() != detail) {
        f.lblLifeLeft->setStatusTip(detail);
        f.lblLifeLeft->setToolTip(QStringLiteral("Crystal life left: thickness the output's "
                                                 "sensors can still take, and the time at this "
                                                 "rate.\n") +
                                  detail);
    }
}

void frmMain::ShowAnalog()
{
    const ReadingArrays& r = Readings();
    for (int j : kShownOutputs) {
        const int a = InputAnalog(Tables().Output(j).Input);
        if (!IsPresentOutput(j) || a < 0 || a >= kAnalogInputs) continue;
        Frame& f = FrameAt(j);
        const AnalogRecord& in = Tables().Analog(a);
        ShowReadingText(f.txtRateRdg,
                        tlv::FormatRate(ScaleAnalog(in, r.AnVolts[static_cast<size_t>(a)])));
        const QString units = in.Units.trimmed();
        if (f.lblRateRdg->text() != units) f.lblRateRdg->setText(units);
    }
}

void frmMain::ShowMode(int j, int mode)
{
    if (!IsShownOutput(j)) return;
    UpdateFrame(j);
    if (mode == ModeOff && RunState() == RunRunning)
        FrameAt(j).txtPowerRdg->setText(QStringLiteral("0.0"));
}

// A setpoint changed elsewhere (a remote client, a recipe) shows as if typed here.
void frmMain::ShowSetpoint(int j, Setpoint which)
{
    if (!IsShownOutput(j)) return;
    Frame& f = FrameAt(j);
    switch (which) {
    case Setpoint::Rate:
        f.txtRate->setText(tlv::Format(m_core->RateSetpoint(j), QStringLiteral("##0.00")));
        break;
    case Setpoint::Thickness:
        f.txtThick->setText(tlv::Format(m_core->ThicknessSetpoint(j), QStringLiteral("##0.0##")));
        break;
    case Setpoint::ManualPower:
        f.txtManPwr->setText(tlv::Format(m_core->ManualPower(j), QStringLiteral("##0.0")));
        break;
    }
}

// A setup was loaded: every frame shows its setpoints and is laid out for its mode and input.
void frmMain::ShowSetup()
{
    for (int j : kShownOutputs) {
        const OutputRecord& out = Tables().Output(j);
        Frame& f = FrameAt(j);
        f.txtThick->setText(tlv::Format(out.Thick, QStringLiteral("0.000")));
        const int analog = InputAnalog(out.Input);
        if (analog >= 0 && analog < kAnalogInputs)
            f.txtRate->setText(tlv::FormatRate(ScaleAnalog(Tables().Analog(analog), out.Rate)));
        else
            f.txtRate->setText(tlv::Format(out.Rate, QStringLiteral("#0.00")));
        if (IsPresentOutput(j))
            f.txtManPwr->setText(tlv::Format(m_core->ManualPower(j), QStringLiteral("0.0")));
        UpdateFrame(j);
    }
}

void frmMain::UpdateFrame(int j)
{
    if (!IsShownOutput(j)) return;
    Frame& f = FrameAt(j);
    const OutputRecord& out = Tables().Output(j);
    f.fraLoop->setTitle(out.Name.trimmed());
    const int mode = out.Mode;
    if (mode >= ModeOff && mode <= ModeAuto && !f.optMode[static_cast<size_t>(mode)]->isChecked()) {
        const QSignalBlocker block(f.optMode[static_cast<size_t>(mode)]);
        f.optMode[static_cast<size_t>(mode)]->setChecked(true);
    }

    const std::array<QWidget*, 10> all{f.txtManPwr,   f.txtThick,    f.txtRate,    f.txtRateRdg,
                                       f.txtThickRdg, f.txtPowerRdg, f.lblRateRdg, f.lblThickRdg,
                                       f.lblPowerRdg, f.lblLifeLeft};
    if (mode != ModeManual && mode != ModeAuto) {
        for (QWidget* w : all)
            w->hide();
        f.lblDeviation->hide();
        return;
    }
    ShowDeviation(f, j);

    f.lblPowerRdg->setText(QStringLiteral("Power"));
    const int analog = InputAnalog(out.Input);
    const int source = InputOutput(out.Input);
    if (analog >= 0 && analog < kAnalogInputs) {
        for (QWidget* w : {f.txtThickRdg, f.txtThick})
            w->hide();
        f.lblLifeLeft->hide(); // no crystal measures an analog-fed output
        f.lblThickRdg->hide();
        for (QWidget* w : std::array<QWidget*, 6>{f.txtRateRdg, f.txtRate, f.lblRateRdg,
                                                  f.txtManPwr, f.txtPowerRdg, f.lblPowerRdg})
            w->show();
        f.lblRateRdg->setText(Tables().Analog(analog).Units.trimmed());
    } else if (source >= 0) {
        const int shown = tlv880::OutputNumberOfSlot(source);
        ShowMessage(this, QStringLiteral("PID control can't use output %1 as an input.").arg(shown),
                    QMessageBox::NoIcon);
    } else {
        for (QWidget* w : all)
            w->show();
        const bool cross = Tables().Flags.XRate > 0 && out.XOut > -1 && out.XOut < kOutputSlots;
        f.lblRateRdg->setText(cross ? Tables().Output(out.XOut).Name.trimmed()
                                    : QStringLiteral("Rate"));
    }

    const bool automatic = mode == ModeAuto;
    SetTextColour(f.txtRate, automatic ? Qt::black : kGrey);
    SetTextColour(f.txtManPwr, automatic ? kGrey : Qt::black);
}

} // namespace coflux
