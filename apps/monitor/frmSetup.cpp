#include "frmSetup.h"

#include "frmMain.h"

#include "common/EntryGuard.h"
#include "common/FormUtil.h"
#include "common/NumberFormat.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace monitor {

frmSetup::frmSetup(frmMain& main) : tlv::EditorForm(&main, Qt::Window), m_main(main)
{
    setObjectName(QStringLiteral("frmSetup"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_entries = new tlv::EntryGuard(*this, QString::fromLatin1(kProgramTitle));
    BuildControls();
}

QLineEdit* frmSetup::NewEntry(const QString& name, const QString& toolTip)
{
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setToolTip(toolTip);
    box->setAlignment(Qt::AlignRight);
    box->setMaximumWidth(80);
    m_entries->AddEntry(box, [this](QLineEdit& entry) { return CheckField(entry); });
    return box;
}

void frmSetup::BuildControls()
{
    // Display frame
    auto* fraDisplay = new QGroupBox(QStringLiteral("Display"), this);
    fraDisplay->setObjectName(QStringLiteral("fraDisplay"));
    m_chkOnTop = new QCheckBox(QStringLiteral("Always Visible"), fraDisplay);
    m_chkOnTop->setObjectName(QStringLiteral("chkOnTop"));
    m_cboShowSensors = new QComboBox(fraDisplay);
    m_cboShowSensors->setObjectName(QStringLiteral("cboShowSensors"));
    m_cboShowSensors->setToolTip(QStringLiteral("Number of sensors displayed on main form."));
    const QString displayTips[2] = {QStringLiteral("Display thickness in kA."),
                                    QStringLiteral("Display mass in ng/cm^2.")};
    const QString displayCaptions[2] = {QStringLiteral("Thickness"), QStringLiteral("Mass")};
    auto* displayGroup = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        m_optDisplay[i] = new QRadioButton(displayCaptions[i], fraDisplay);
        m_optDisplay[i]->setObjectName(QStringLiteral("optDisplay_%1").arg(i));
        m_optDisplay[i]->setToolTip(displayTips[i]);
        displayGroup->addButton(m_optDisplay[i], i);
        connect(m_optDisplay[i], &QRadioButton::clicked, this, [this, i] { optDisplay_Click(i); });
    }
    auto* displayGrid = new QGridLayout(fraDisplay);
    displayGrid->addWidget(m_chkOnTop, 0, 0, 1, 2);
    displayGrid->addWidget(
        tlv::MakeLabel(fraDisplay, QStringLiteral("lblInit_5"), QStringLiteral("Last Sensor:")), 1,
        0);
    displayGrid->addWidget(m_cboShowSensors, 1, 1);
    displayGrid->addWidget(m_optDisplay[0], 2, 0);
    displayGrid->addWidget(m_optDisplay[1], 2, 1);

    // Card frame
    auto* fraCard = new QGroupBox(QStringLiteral("Card"), this);
    fraCard->setObjectName(QStringLiteral("fraCard"));
    m_txtPeriod =
        NewEntry(QStringLiteral("txtPeriod"), QStringLiteral("Measurement period for readings."));
    m_txtFilter = NewEntry(QStringLiteral("txtFilter"),
                           QStringLiteral("Number of readings used in rate filter."));
    const QString initTips[3] = {QStringLiteral("Maximum valid sensor frequency."),
                                 QStringLiteral("Minimum valid sensor frequency."),
                                 QStringLiteral("Starting (new) sensor frequency.")};
    const QString initCaptions[3] = {QStringLiteral("Max."), QStringLiteral("Min."),
                                     QStringLiteral("Initial")};
    auto* cardGrid = new QGridLayout(fraCard);
    cardGrid->addWidget(
        tlv::MakeLabel(fraCard, QStringLiteral("lblInit_3"), QStringLiteral("Period (Sec.)")), 0,
        0);
    cardGrid->addWidget(m_txtPeriod, 0, 1);
    cardGrid->addWidget(
        tlv::MakeLabel(fraCard, QStringLiteral("lblInit_4"), QStringLiteral("Filter (Rdgs)")), 1,
        0);
    cardGrid->addWidget(m_txtFilter, 1, 1);
    cardGrid->addWidget(
        tlv::MakeLabel(fraCard, QStringLiteral("lblInit_21"), QStringLiteral("Xtal Freq (MHz)")), 2,
        0, 1, 2);
    for (int i = 0; i < 3; ++i) {
        m_txtInit[i] = NewEntry(QStringLiteral("txtInit_%1").arg(i), initTips[i]);
        cardGrid->addWidget(
            tlv::MakeLabel(fraCard, QStringLiteral("lblInit_%1").arg(i), initCaptions[i]), 3 + i,
            0);
        cardGrid->addWidget(m_txtInit[i], 3 + i, 1);
    }

    // Revision table: row labels DLL, Card 1..6, Analog beside the values lblRev(0..7).
    auto* fraRevision = new QWidget(this);
    fraRevision->setObjectName(QStringLiteral("fraRevision"));
    auto* revGrid = new QGridLayout(fraRevision);
    revGrid->setContentsMargins(0, 0, 0, 0);
    QFont bold = font();
    bold.setBold(true);
    QLabel* headCard =
        tlv::MakeLabel(fraRevision, QStringLiteral("lblRevTxt_1"), QStringLiteral("Card"));
    QLabel* headRevision =
        tlv::MakeLabel(fraRevision, QStringLiteral("lblRevTxt_6"), QStringLiteral("Revision"));
    headCard->setFont(bold);
    headRevision->setFont(bold);
    revGrid->addWidget(headCard, 0, 0);
    revGrid->addWidget(headRevision, 0, 1);
    const int rowLabelIndex[8] = {0, 2, 3, 4, 5, 7, 8, 9};
    const QString rowCaptions[8] = {QStringLiteral("DLL"),    QStringLiteral("Card 1"),
                                    QStringLiteral("Card 2"), QStringLiteral("Card 3"),
                                    QStringLiteral("Card 4"), QStringLiteral("Card 5"),
                                    QStringLiteral("Card 6"), QStringLiteral("Analog")};
    for (int n = 0; n < 8; ++n) {
        revGrid->addWidget(tlv::MakeLabel(fraRevision,
                                          QStringLiteral("lblRevTxt_%1").arg(rowLabelIndex[n]),
                                          rowCaptions[n]),
                           n + 1, 0);
        m_lblRev[n] = tlv::MakeLabel(fraRevision, QStringLiteral("lblRev_%1").arg(n), QString());
        m_lblRev[n]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_lblRev[n]->setFrameShape(QFrame::Panel);
        m_lblRev[n]->setFrameShadow(QFrame::Sunken);
        m_lblRev[n]->setMinimumWidth(50);
        revGrid->addWidget(m_lblRev[n], n + 1, 1);
    }
    m_lblRev[1]->setToolTip(
        QStringLiteral("TLV-880 Card 1 firmware revision (0.00 for not installed)"));

    // Logging and commands
    m_chkLog = new QCheckBox(QStringLiteral("Log to File:"), this);
    m_chkLog->setObjectName(QStringLiteral("chkLog"));
    m_chkLog->setToolTip(QStringLiteral("Save readings to a log file."));
    m_txtLogFile = new QLineEdit(this);
    m_txtLogFile->setObjectName(QStringLiteral("txtLogFile"));
    m_txtLogFile->setToolTip(QStringLiteral("Filename (and optional path) of log file."));
    m_cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdFSwitch_1"));
    m_cmdOK->setToolTip(QStringLiteral("Update the settings."));
    connect(m_cmdOK, &QPushButton::clicked, this, [this] { cmdFSwitch_Click(1); });
    m_cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdFSwitch_2"));
    m_cmdCancel->setToolTip(QStringLiteral("Abandon changes."));
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { cmdFSwitch_Click(2); });

    auto* left = new QVBoxLayout;
    left->addWidget(fraDisplay);
    left->addWidget(fraCard);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addSpacing(12);
    top->addWidget(fraRevision, 0, Qt::AlignTop);
    auto* log = new QHBoxLayout;
    log->addWidget(m_chkLog);
    log->addWidget(m_txtLogFile, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    auto* form = new QVBoxLayout(this);
    form->addLayout(top);
    form->addLayout(log);
    form->addLayout(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize);
}

void frmSetup::Form_Load()
{
    cTLV880a& tlv = m_main.Instrument();
    const MonitorSettings& s = m_main.Settings();
    for (short n = 0; n < 8; ++n)
        m_lblRev[n]->setText(tlv::Format(tlv.Revision(n) / 100.0, QStringLiteral("0.00")));

    m_txtPeriod->setText(tlv::Format(s.period, QStringLiteral("#.00")));
    m_txtFilter->setText(QString::number(s.filter));
    const double mhz[3] = {s.maxFreq, s.minFreq, s.initFreq};
    for (int i = 0; i < 3; ++i)
        m_txtInit[i]->setText(tlv::Format(mhz[i] / 1000000.0, QStringLiteral("0.000")));

    m_chkOnTop->setChecked(s.onTop != 0);
    m_cboShowSensors->clear();
    for (int n = 1; n <= kMaxSensors; ++n)
        m_cboShowSensors->addItem(QString::number(n));
    m_cboShowSensors->setCurrentIndex(s.sensorsShown - 1);
    m_optDisplay[static_cast<int>(s.display)]->setChecked(true);
    m_chkLog->setChecked(s.logEnabled != 0);
    m_txtLogFile->setText(s.logFile);

    adjustSize();
    if (!RestoreFormPosition(this, true)) CenterFormScreen(this);
    setWindowTitle(QString::fromLatin1(kProductName) + QStringLiteral(" Setup"));
}

} // namespace monitor
