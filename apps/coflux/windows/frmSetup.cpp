#include "frmSetup.h"

#include "Deposition.h"
#include "EntryChecks.h"
#include "frmFilmControls.h"

#include "common/EntryGuard.h"
#include "common/FormUtil.h"
#include "common/NumberFormat.h"
#include "instrument/cTLV880a.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <cmath>

namespace coflux {

namespace {

constexpr double kHzPerMHz = 1000000.0;
constexpr int kFilterMin = 1;
constexpr int kFilterMax = 10;
constexpr std::array<int, 3> kRevisionEntries{1, 2, 7};

} // namespace

frmSetup::frmSetup(Deposition& core, QWidget* parent)
    : tlv::EditorForm(parent, Qt::Window), m_core(core)
{
    m_guard = StartEditorWindow(this, QStringLiteral("frmSetup"), QStringLiteral("Card Setup"));
    BuildControls();
    AddEntryChecks();
    Fill();
    ::RestoreFormPosition(this, true);
    m_guard->SetLoading(false);
}

void frmSetup::BuildControls()
{
    auto* top = new QHBoxLayout;
    auto* entries = new QGridLayout;
    m_txtPeriod = MakeEdit(this, QStringLiteral("txtPeriod"), QStringLiteral("1.25"),
                           QStringLiteral("Measurement period of card."));
    m_txtFilter = MakeEdit(this, QStringLiteral("txtFilter"), QStringLiteral("9"),
                           QStringLiteral("Number of readings used in rate/thickness filter."));
    entries->addWidget(tlv::MakeLabel(this, {}, QStringLiteral(" Period")), 0, 0);
    entries->addWidget(m_txtPeriod, 0, 1);
    entries->addWidget(tlv::MakeLabel(this, {}, QStringLiteral("Filter")), 1, 0);
    entries->addWidget(m_txtFilter, 1, 1);
    m_chkSimulate = MakeCheck(this, QStringLiteral("chkSimulate"), QStringLiteral("Simulate"),
                              QStringLiteral("Simulate TLV-880 card inputs."));
    entries->addWidget(m_chkSimulate, 2, 0, 1, 2);
    entries->setRowStretch(3, 1);
    top->addLayout(entries);

    auto* fraCrystal =
        Named(new QGroupBox(QStringLiteral("Freq(MHz)"), this), QStringLiteral("fraCrystal"));
    auto* crystal = new QGridLayout(fraCrystal);
    const std::array<QString, 3> captions{QStringLiteral("Max."), QStringLiteral("Min."),
                                          QStringLiteral("Initial")};
    const std::array<QString, 3> tips{QStringLiteral("Maximum valid sensor frequency."),
                                      QStringLiteral("Minimum valid sensor frequency."),
                                      QStringLiteral("Starting (new) sensor frequency.")};
    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<size_t>(i);
        m_txtInit[k] = MakeEdit(fraCrystal, IndexedName("txtInit", i), {}, tips[k]);
        crystal->addWidget(tlv::MakeLabel(fraCrystal, {}, captions[k]), i, 0);
        crystal->addWidget(m_txtInit[k], i, 1);
    }
    top->addWidget(fraCrystal);

    auto* revisions = new QGridLayout;
    const std::array<QString, 3> cards{QStringLiteral("Card 1:"), QStringLiteral("Card 2:"),
                                       QStringLiteral("Analog:")};
    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<size_t>(i);
        revisions->addWidget(tlv::MakeLabel(this, IndexedName("lblCard", i), cards[k]), i, 0);
        m_lblRev[k] = tlv::MakeLabel(this, IndexedName("lblRev", kRevisionEntries[k]), {});
        revisions->addWidget(m_lblRev[k], i, 1);
    }
    revisions->setRowStretch(3, 1);
    top->addLayout(revisions);

    auto* log = new QHBoxLayout;
    m_chkLog = MakeCheck(this, QStringLiteral("chkLog"), QStringLiteral("Log to File:"),
                         QStringLiteral("Log data to disk."));
    m_txtLogFile = MakeEdit(this, QStringLiteral("txtLogFile"), QStringLiteral("TLV880.LOG"),
                            QStringLiteral("Disk file for logged data."), 0);
    m_txtLogFile->setAlignment(Qt::AlignLeft);
    log->addWidget(m_chkLog);
    log->addWidget(m_txtLogFile, 1);

    m_txtError = MakeEdit(this, QStringLiteral("txtError"), {}, {}, 0);
    m_txtError->setReadOnly(true);
    m_txtError->setAlignment(Qt::AlignLeft);
    m_txtError->setFocusPolicy(Qt::NoFocus);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cmdFSwitch = AddCommandButtons(this, buttons, {kOkTip, {}, {}});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(log);
    layout->addWidget(m_txtError);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmSetup::AddEntryChecks()
{
    cTLV880a& tlv = m_core.Instrument();
    m_guard->AddEntry(m_txtPeriod,
                      RangeCheck(tlv.PeriodMin(), tlv.PeriodMax(), QStringLiteral("#.00"),
                                 QStringLiteral("Period must be between ")));
    m_guard->AddEntry(m_txtFilter, [this](QLineEdit& box) { return CheckFilter(box); });
    m_guard->AddEntry(m_txtInit[0], [this](QLineEdit& box) { return CheckMaxFreq(box); });
    m_guard->AddEntry(m_txtInit[1], [this](QLineEdit& box) { return CheckMinFreq(box); });
    m_guard->AddEntry(m_txtInit[2], [this](QLineEdit& box) { return CheckInitFreq(box); });
    for (QWidget* control : {static_cast<QWidget*>(m_chkSimulate), static_cast<QWidget*>(m_chkLog),
                             static_cast<QWidget*>(m_txtLogFile)})
        m_guard->Watch(control);
    for (QPushButton* button : m_cmdFSwitch)
        m_guard->Watch(button);
}

QString frmSetup::StatusText(int code)
{
    if (code < 900) return QStringLiteral("DLL Loaded");
    switch (code) {
    case 901:
        return QStringLiteral("Error: Jumper conflict.");
    case 902:
        return QStringLiteral("Error: Two cards jumpered as master.");
    case 903:
        return QStringLiteral("Error: No card jumpered as master.");
    case 904:
        return QStringLiteral("Error: No card found.");
    case 905:
        return QStringLiteral("Errror: Interrupt not enabled.");
    case 906:
        return QStringLiteral("Error: Driver not found.");
    default:
        return QStringLiteral("Error: ") + tlv::Format(code / 100.0, QStringLiteral("0.00"));
    }
}

void frmSetup::Fill()
{
    cTLV880a& tlv = m_core.Instrument();
    const ProgramFlags& flags = m_core.Tables().Flags;
    m_chkLog->setChecked(flags.LogEnabled != 0);
    m_txtLogFile->setText(flags.LogFile);

    m_txtInit[0]->setText(tlv::Format(tlv.SensorMaxFreq() / kHzPerMHz, QStringLiteral("0.000")));
    m_txtInit[1]->setText(tlv::Format(tlv.SensorMinFreq() / kHzPerMHz, QStringLiteral("0.000")));
    m_txtInit[2]->setText(tlv::Format(tlv.SensorInitFreq() / kHzPerMHz, QStringLiteral("0.000")));
    m_txtPeriod->setText(tlv::Format(tlv.Period(), QStringLiteral("#.00")));
    m_txtFilter->setText(QString::number(tlv.FilterSize()));

    if (tlv.Revision(1) != 0) {
        m_chkSimulate->setChecked(tlv.OpMode() == 1);
        m_chkSimulate->setEnabled(true);
    } else {
        // Without a card only simulation is possible.
        m_chkSimulate->setChecked(true);
        m_chkSimulate->setEnabled(false);
    }

    for (size_t k = 0; k < kRevisionEntries.size(); ++k)
        m_lblRev[k]->setText(tlv::Format(
            tlv.Revision(static_cast<short>(kRevisionEntries[k])) / 100.0, QStringLiteral("0.00")));
    m_txtError->setText(StatusText(tlv.Revision(0)));
}

QString frmSetup::CheckFilter(QLineEdit& box) const
{
    const auto value = ParseEntry(box.text());
    // The filter is a whole number of readings; a fraction is cut off.
    const double whole = value ? std::trunc(*value) : 0.0;
    if (!value || whole < kFilterMin || whole > kFilterMax)
        return QStringLiteral("Filter must be between %1 and %2 !").arg(kFilterMin).arg(kFilterMax);
    box.setText(QString::number(static_cast<int>(whole)));
    return {};
}

QString frmSetup::CheckMaxFreq(QLineEdit& box) const
{
    const auto value = ParseEntry(box.text());
    if (!value || *value > 10) return QStringLiteral("Max. Frequency must be <= 10 MHZ !");
    const auto initial = ParseEntry(m_txtInit[2]->text());
    if (initial && !(*value > *initial))
        return QStringLiteral("Max. Frequency must be > Initial Frequency !");
    box.setText(tlv::Format(*value, QStringLiteral("#0.000")));
    return {};
}

QString frmSetup::CheckMinFreq(QLineEdit& box) const
{
    const auto value = ParseEntry(box.text());
    if (!value || *value < 1) return QStringLiteral("Min. Frequency must be >= 1MHZ !");
    const auto initial = ParseEntry(m_txtInit[2]->text());
    if (initial && !(*value < *initial))
        return QStringLiteral("Min. Frequency must be < Initial Frequency !");
    box.setText(tlv::Format(*value, QStringLiteral("#0.000")));
    return {};
}

QString frmSetup::CheckInitFreq(QLineEdit& box) const
{
    const auto value = ParseEntry(box.text());
    const auto maximum = ParseEntry(m_txtInit[0]->text());
    const auto minimum = ParseEntry(m_txtInit[1]->text());
    if (!value || (maximum && !(*value < *maximum)))
        return QStringLiteral("Initial Frequency must be be < Max. Frequency !");
    if (minimum && !(*value > *minimum))
        return QStringLiteral("Initial Frequency must be > Min. Frequency !");
    box.setText(tlv::Format(*value, QStringLiteral("#0.000")));
    return {};
}

bool frmSetup::Changed() const
{
    // Closing the card setup other than by OK or Update drops its changes like Cancel, without a
    // question: the card keeps the settings it has.
    return false;
}

bool frmSetup::Apply()
{
    // Untouched boxes hold the card's own, accepted values (shown rounded).
    if (!m_guard->CheckAll(tlv::EntryGuard::Scope::Edited)) return false;
    CardEdit edit;
    edit.logEnabled = m_chkLog->isChecked();
    edit.logFile = m_txtLogFile->text();

    const cTLV880a& tlv = m_core.Instrument();
    // A box that still shows the card's value as filled keeps that value exactly: the display
    // rounds frequencies to kHz and the period to hundredths.
    const auto value = [](const QLineEdit* box, double current, double unit,
                          const QString& pattern) {
        if (box->text() == tlv::Format(current / unit, pattern)) return current;
        return ParseEntry(box->text()).value_or(0) * unit;
    };
    const QString mhz = QStringLiteral("0.000");
    edit.maxFrequency = std::round(value(m_txtInit[0], tlv.SensorMaxFreq(), kHzPerMHz, mhz));
    edit.minFrequency = std::round(value(m_txtInit[1], tlv.SensorMinFreq(), kHzPerMHz, mhz));
    edit.initFrequency = std::round(value(m_txtInit[2], tlv.SensorInitFreq(), kHzPerMHz, mhz));
    edit.period = value(m_txtPeriod, tlv.Period(), 1.0, QStringLiteral("#.00"));
    edit.filter = m_txtFilter->text().toInt();
    edit.simulate = m_chkSimulate->isChecked();
    // A refused setting has been told by the class's error already.
    m_core.EditCard(edit);
    return true;
}

void frmSetup::keyPressEvent(QKeyEvent* event)
{
    // Esc cancels, as in any dialog (the boxes pass it on to the form).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        RunCommand(Cancel);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace coflux
