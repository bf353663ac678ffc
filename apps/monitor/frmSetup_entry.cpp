// Checking the setup form's entries, and its OK and Cancel.
#include "frmMain.h"
#include "frmSetup.h"

#include "common/DialogService.h"
#include "common/EntryGuard.h"
#include "common/FormUtil.h"
#include "common/NumberFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <cmath>

namespace monitor {

namespace {

constexpr double kMaxCrystalMHz = 10.0;
constexpr double kMinCrystalMHz = 1.0;
constexpr int kFilterMin = 1;
constexpr int kFilterMax = 10;

} // namespace

void frmSetup::Refuse(const QString& message)
{
    tlv::DialogService::message(this, message, QMessageBox::Ok, QMessageBox::NoIcon,
                                QString::fromLatin1(kProgramTitle));
}

QString frmSetup::CheckField(QLineEdit& box)
{
    double v = 0.0;
    const bool isNumber = ParseNumber(box.text(), v);
    const cTLV880a& tlv = m_main.Instrument();

    if (&box == m_txtPeriod) {
        if (!isNumber || v < tlv.PeriodMin() || v > tlv.PeriodMax())
            return QStringLiteral("Period must be between ") + QString::number(tlv.PeriodMin()) +
                   QStringLiteral(" and ") + QString::number(tlv.PeriodMax()) +
                   QStringLiteral(" !");
        box.setText(tlv::Format(v, QStringLiteral("#.00")));
        return {};
    }
    if (&box == m_txtFilter) {
        const long whole = isNumber ? std::lround(v) : 0;
        if (!isNumber || whole < kFilterMin || whole > kFilterMax)
            return QStringLiteral("Filter must be between ") + QString::number(kFilterMin) +
                   QStringLiteral(" and ") + QString::number(kFilterMax) + QStringLiteral(" !");
        box.setText(QString::number(whole));
        return {};
    }

    // Crystal frequencies, in MHz, against the current texts of the other two fields; a field
    // that does not hold a number yet is refused when it is checked itself.
    double other[3] = {};
    bool hasOther[3] = {};
    for (int i = 0; i < 3; ++i)
        hasOther[i] = ParseNumber(m_txtInit[i]->text(), other[i]);
    const double maximum = other[0], minimum = other[1], initial = other[2];
    if (&box == m_txtInit[0]) {
        if (!isNumber || v > kMaxCrystalMHz)
            return QStringLiteral("Max. Frequency must be <= 10 MHZ !");
        if (hasOther[2] && v < initial)
            return QStringLiteral("Max. Frequency must be > Initial Frequency !");
    } else if (&box == m_txtInit[1]) {
        if (!isNumber || v < kMinCrystalMHz)
            return QStringLiteral("Min. Frequency must be >= 1MHZ !");
        if (hasOther[2] && v > initial)
            return QStringLiteral("Min. Frequency must be < Initial Frequency !");
    } else {
        if (!isNumber || (hasOther[0] && v > maximum))
            return QStringLiteral("Initial Frequency must be be < Max. Frequency !");
        if (hasOther[1] && v < minimum)
            return QStringLiteral("Initial Frequency must be > Min. Frequency !");
    }
    box.setText(tlv::Format(v, QStringLiteral("#0.000")));
    return {};
}

void frmSetup::CheckEntry(QWidget* control, bool& valid)
{
    valid = m_entries->Check(control);
}

bool frmSetup::Apply()
{
    // A field whose check was passed by (its value typed, then OK clicked) is checked here too,
    // so no value beyond the limits is ever taken over or saved.
    if (!m_entries->CheckAll(tlv::EntryGuard::Scope::Every)) return false;
    const MonitorSettings& s = m_main.Settings();
    SetupChange change;
    change.period = s.period;
    ParseNumber(m_txtPeriod->text(), change.period);
    double mhz[3] = {};
    for (int i = 0; i < 3; ++i)
        ParseNumber(m_txtInit[i]->text(), mhz[i]);
    change.maxFreq = std::round(mhz[0] * 1000000.0);
    change.minFreq = std::round(mhz[1] * 1000000.0);
    change.initFreq = std::round(mhz[2] * 1000000.0);
    double filter = s.filter;
    ParseNumber(m_txtFilter->text(), filter);
    change.filter = static_cast<int>(std::lround(filter));
    change.logEnabled = m_chkLog->isChecked() ? 1 : 0;
    change.logFile = m_txtLogFile->text();
    change.onTop = m_chkOnTop->isChecked() ? 1 : 0;
    change.sensorsShown = m_cboShowSensors->currentIndex() + 1;
    change.display = m_optDisplay[0]->isChecked() ? DisplayMode::Thickness : DisplayMode::Mass;

    // A refused period or window leaves the previous ones in force; the rest is taken over.
    const QString refusal = m_main.Core().ApplySetup(change);
    if (!refusal.isEmpty()) Refuse(refusal);
    m_main.InitForm();
    return true;
}

void frmSetup::cmdFSwitch_Click(int index)
{
    if (index == 1)
        RunCommand(Ok);
    else if (index == 2)
        RunCommand(Cancel);
}

void frmSetup::optDisplay_Click(int index)
{
    m_main.Core().SetDisplayMode(index == 0 ? DisplayMode::Thickness : DisplayMode::Mass);
}

void frmSetup::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || isActiveWindow() ||
        m_entries->ShowingMessage())
        return;
    // Another window became active: the entry being edited must be valid to be left.
    m_entries->Check(focusWidget());
}

void frmSetup::keyPressEvent(QKeyEvent* event)
{
    // Enter in an entry is the guard's; elsewhere on the form it does nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    QWidget::keyPressEvent(event);
}

} // namespace monitor
