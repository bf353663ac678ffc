// The controls of the main window: six output frames side by side, the run buttons and the
// simulation label in a column on the right, and the menus.

#include "frmMain.h"

#include "RecipeProgram.h"
#include "RecipeProgressStrip.h"
#include "frmChart.h"
#include "frmCrystals.h"
#include "frmTune.h"

#include "common/EntryGuard.h"
#include "common/FormUtil.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace coflux {

namespace {

constexpr int kBoxWidth = 72;

QLineEdit* MakeBox(QWidget* parent, const QString& name, const QString& text, const QString& tip,
                   bool readOnly)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setToolTip(tip);
    box->setReadOnly(readOnly);
    box->setAlignment(Qt::AlignRight);
    box->setFixedWidth(kBoxWidth);
    if (readOnly) {
        box->setFocusPolicy(Qt::NoFocus);
        QPalette p = box->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        box->setPalette(p);
    }
    return box;
}

QString Indexed(const char* name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

} // namespace

void frmMain::BuildFrame(int j, const QString& modeArrayName)
{
    Frame& f = FrameAt(j);
    const int shownNumber = tlv880::OutputNumberOfSlot(j); // slots 12, 13: "Output 5", "Output 6"
    f.fraLoop = new QGroupBox(QStringLiteral("Output %1").arg(shownNumber));
    f.fraLoop->setObjectName(Indexed("fraLoop", j));

    auto* grid = new QGridLayout(f.fraLoop);
    // Spacing chosen so that six outputs and the run buttons fit a 1280-pixel screen.
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(4);

    static const char* const kModeCaptions[4] = {"Off", "Record", "Manual", "Auto"};
    static const char* const kModeTips[4] = {
        "Disable this output.", "Set this output to recorder function.",
        "Set this outputl to Manual power control.", "Set this output to PID loop control."};
    for (int m = 0; m < 4; ++m) {
        auto* opt = new QRadioButton(QString::fromLatin1(kModeCaptions[m]), f.fraLoop);
        opt->setObjectName(QStringLiteral("%1_%2").arg(modeArrayName).arg(m));
        opt->setToolTip(QString::fromLatin1(kModeTips[m]));
        f.optMode[static_cast<size_t>(m)] = opt;
        grid->addWidget(opt, m / 2, m % 2);
        connect(opt, &QRadioButton::clicked, this, [this, j, m] { ChannelMode(j, m); });
    }

    f.txtManPwr =
        MakeBox(f.fraLoop, Indexed("txtManPwr", j), QStringLiteral("0.0"),
                QStringLiteral("Manual power setpoint in %. Press enter to send value."), false);
    f.txtThick =
        MakeBox(f.fraLoop, Indexed("txtThick", j), QStringLiteral("000.000"),
                QStringLiteral("Thickness setpoint in kA. Press enter to send value."), false);
    f.txtRate = MakeBox(f.fraLoop, Indexed("txtRate", j), QStringLiteral("0.0"),
                        QStringLiteral("Rate setpoint in A/s. Press enter to send value."), false);
    f.txtRateRdg = MakeBox(f.fraLoop, Indexed("txtRateRdg", j), QStringLiteral("0.0"),
                           QStringLiteral("Rate reading in A/s."), true);
    f.txtThickRdg = MakeBox(f.fraLoop, Indexed("txtThickRdg", j), QStringLiteral("0.000"),
                            QStringLiteral("Thickness reading in kA."), true);
    f.txtPowerRdg = MakeBox(f.fraLoop, Indexed("txtPowerRdg", j), QStringLiteral("0.0"),
                            QStringLiteral("Output power in %."), true);
    f.lblRateRdg = tlv::MakeLabel(f.fraLoop, Indexed("lblRateRdg", j), QStringLiteral("Rate"));
    f.lblThickRdg =
        tlv::MakeLabel(f.fraLoop, Indexed("lblThickRdg", j), QStringLiteral("Thickness"));
    f.lblPowerRdg = tlv::MakeLabel(f.fraLoop, Indexed("lblPowerRdg", j), QStringLiteral("Power"));

    f.lblLifeLeft = tlv::MakeLabel(f.fraLoop, Indexed("lblLifeLeft", j), QString());
    f.lblLifeLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    f.lblLifeLeft->setToolTip(QStringLiteral("Crystal life left: thickness the output's sensors "
                                             "can still take, and the time at this rate."));
    QFont small = f.lblLifeLeft->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    f.lblLifeLeft->setFont(small);
    f.lblDeviation = tlv::MakeLabel(f.fraLoop, Indexed("lblDeviation", j), QString());
    f.lblDeviation->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    f.lblDeviation->setFont(small);
    f.lblDeviation->setToolTip(QStringLiteral(
        "Rate deviation from the setpoint in force: green within the rate tolerance, amber "
        "outside it, orange after the warning time, red after the alarm time."));

    // Each row pairs a setpoint box with the reading it governs: rate, thickness, power. The
    // life left of the output's crystals sits beside the rate's caption.
    grid->addWidget(f.lblRateRdg, 2, 0);
    grid->addWidget(f.lblLifeLeft, 2, 1);
    grid->addWidget(f.txtRate, 3, 0);
    grid->addWidget(f.txtRateRdg, 3, 1);
    grid->addWidget(f.lblDeviation, 4, 0, 1, 2);
    grid->addWidget(f.lblThickRdg, 5, 0, 1, 2);
    grid->addWidget(f.txtThick, 6, 0);
    grid->addWidget(f.txtThickRdg, 6, 1);
    grid->addWidget(f.lblPowerRdg, 7, 0, 1, 2);
    grid->addWidget(f.txtManPwr, 8, 0);
    grid->addWidget(f.txtPowerRdg, 8, 1);

    f.cmdZero = new QPushButton(QStringLiteral("Zero"), f.fraLoop);
    f.cmdZero->setObjectName(Indexed("cmdZero", j));
    f.cmdZero->setToolTip(QStringLiteral("Zero thickness on this channel."));
    f.cmdEdit = new QPushButton(QStringLiteral("Edit"), f.fraLoop);
    f.cmdEdit->setObjectName(Indexed("cmdEdit", j));
    f.cmdEdit->setToolTip(QStringLiteral("Edit additional parameters."));
    grid->addWidget(f.cmdZero, 9, 0);
    grid->addWidget(f.cmdEdit, 9, 1);
    grid->setRowStretch(10, 1);
    connect(f.cmdZero, &QPushButton::clicked, this, [this, j] { cmdZero_Click(j); });
    connect(f.cmdEdit, &QPushButton::clicked, this, [this, j] { cmdEdit_Click(j); });

    // Boxes hidden for a mode keep their place, so the frames keep their designed shape.
    const std::array<QWidget*, 11> modal{f.txtManPwr,   f.txtThick,    f.txtRate,     f.txtRateRdg,
                                         f.txtThickRdg, f.txtPowerRdg, f.lblRateRdg,  f.lblThickRdg,
                                         f.lblPowerRdg, f.lblLifeLeft, f.lblDeviation};
    for (QWidget* w : modal) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    GuardFrame(j);
}

void frmMain::BuildControls()
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("TLV-880 Coflux Controller"));
    m_guard = new tlv::EntryGuard(*this, {}, tlv::EntryGuard::Leaving::NextControl);
    m_guard->SetLoading(true); // until the window has loaded

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    outer->addLayout(row);
    // A running recipe's layer and times left, under the frames.
    m_progress = new RecipeProgressStrip(central);
    outer->addWidget(m_progress);

    for (int j : kShownOutputs) {
        const QString arrayName =
            tlv880::IsAnalogOutput(j)
                ? QStringLiteral("optModeA%1").arg(tlv880::AnalogOutputOfSlot(j))
                : QStringLiteral("optMode%1").arg(j);
        BuildFrame(j, arrayName);
        row->addWidget(FrameAt(j).fraLoop);
    }

    auto* column = new QVBoxLayout;
    static const char* const kCaptions[3] = {"&Start", "&Resume", "&Zero All"};
    static const char* const kTips[3] = {"Start/Stop measurements and zero thickness.",
                                         "Hold/Resume measurements without Zeroing Thickness.",
                                         "Zero thickness on all channels."};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(kCaptions[i]), central);
        button->setObjectName(Indexed("cmdFSwitch", i));
        button->setToolTip(QString::fromLatin1(kTips[i]));
        button->setMinimumHeight(40);
        // "Hold" appears where "Resume" is, and "Zero All" stays where it is, whichever is shown.
        QSizePolicy policy = button->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        button->setSizePolicy(policy);
        m_guard->Watch(button);
        m_cmdFSwitch[static_cast<size_t>(i)] = button;
        column->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, i] { cmdFSwitch_Click(i); });
    }
    // The run state in a word and a colour of its own, beside the buttons' captions.
    m_lblRunState = tlv::MakeLabel(central, QStringLiteral("lblRunState"), QString());
    m_lblRunState->setAlignment(Qt::AlignCenter);
    m_lblRunState->setMinimumHeight(28);
    m_lblRunState->setWordWrap(true);
    column->addSpacing(8);
    column->addWidget(m_lblRunState);
    m_lblSim = new QLabel(QStringLiteral("SIMULATE"), central);
    m_lblSim->setObjectName(QStringLiteral("lblSim"));
    m_lblSim->setAlignment(Qt::AlignCenter);
    m_lblSim->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0); font-weight: bold;"));
    column->addSpacing(12);
    column->addWidget(m_lblSim);
    m_signColumn = column;
    column->addStretch(1);
    row->addLayout(column);

    setCentralWidget(central);
    m_statusLine = tlv::InstallStatusLine(this);
    BuildMenus();
}

void frmMain::BuildMenus()
{
    auto addAction = [this](QMenu* menu, const char* name, const QString& text, auto slot) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    m_mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    addAction(m_mnuFile, "mnuOpen", QStringLiteral("Open"), [this] { mnuOpen_Click(); });
    addAction(m_mnuFile, "mnuSave", QStringLiteral("&Save As"), [this] { mnuSave_Click(); });
    m_mnuFile->addSeparator();
    addAction(m_mnuFile, "mnuExit", QStringLiteral("E&xit"), [this] { close(); });

    m_mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    m_mnuView->setObjectName(QStringLiteral("mnuView"));
    addAction(m_mnuView, "mnuViewSensors", QStringLiteral("&Readings"),
              [this] { ShowReadingsView(); });
    addAction(m_mnuView, "mnuViewChart", QStringLiteral("C&hart"), [this] { ShowChart(); });
    addAction(m_mnuView, "mnuViewProcess", QStringLiteral("&Process"),
              [this] { ShowProcessWindow(); });
    addAction(m_mnuView, "mnuViewCrystals", QStringLiteral("Cr&ystal History"),
              [this] { ShowCrystalHistory(*m_core, this); });
    addAction(m_mnuView, "mnuViewTune", QStringLiteral("Loop &Tuning"),
              [this] { ShowTune(*m_core, this); });
    addAction(m_mnuView, "mnuViewAlarms", QStringLiteral("&Alarms"), [this] { ShowAlarmPanel(); });
    m_mnuView->addSeparator();
    addAction(m_mnuView, "mnuViewMonitor", QStringLiteral("&Input Setup"),
              [this] { ShowInputSetup(); });
    addAction(m_mnuView, "mnuViewCard", QStringLiteral("&Card Setup"), [this] { ShowCardSetup(); });

    BuildOptionsMenu();

    m_mnuHelpHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    m_mnuHelpHelp->setObjectName(QStringLiteral("mnuHelpHelp"));
    addAction(m_mnuHelpHelp, "mnuHelp", QStringLiteral("&Help"), [this] { mnuHelp_Click(); });
    addAction(m_mnuHelpHelp, "mnuAbout", QStringLiteral("&About"), [this] { mnuAbout_Click(); });

    for (QMenu* menu : {m_mnuFile, m_mnuView, m_mnuOptions, m_mnuHelpHelp})
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { ValidateBeforeMenu(menu); });
}

// With no card the designed layout stays. With one card outputs 3 and 4 do not exist; without
// the analog section outputs 5 and 6 do not exist. Hidden frames give their width back: the
// frames and buttons to their right move left and the window narrows.
void frmMain::FitToCardCount()
{
    const int cards = Instrument().NumCards();
    if (cards == 0) return;
    for (int j : kShownOutputs)
        FrameAt(j).fraLoop->setVisible(Instrument().NumOutputValid(static_cast<short>(j)));
    centralWidget()->adjustSize();
    adjustSize();
}

void frmMain::AddSign(QWidget* sign)
{
    sign->setParent(m_lblSim->parentWidget());
    m_signColumn->insertWidget(m_signColumn->indexOf(m_lblSim) + 1, sign);
}

} // namespace coflux
