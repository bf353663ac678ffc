// Setpoint entry: Enter sends the current entry; a control that takes the focus first has the
// current entry validated (the focus guard); a refused entry keeps the focus with its text
// selected and a message names the limits.

#include "frmMain.h"

#include "CofluxProgram.h"

#include "common/NumberFormat.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <cmath>

namespace coflux {

namespace {

// A number as the operator typed it; false when it is not a number at all.
bool ParseEntry(const QString& text, double& value)
{
    bool ok = false;
    value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value);
}

QString Limit(double v)
{
    return QString::number(v);
}

} // namespace

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && event->type() == QEvent::FocusIn) {
        OnFocusIn(widget);
    } else if (widget && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            qobject_cast<QLineEdit*>(widget)) {
            ValidateCurrentEntry();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// The focus guard: another control may take the focus only when the current entry is valid.
void frmMain::OnFocusIn(QWidget* w)
{
    if (m_loading || m_validating || w == m_currentEntry) return;
    if (!ValidateCurrentEntry()) return; // the refused entry has taken the focus back
    m_currentEntry = w;
    if (auto* box = qobject_cast<QLineEdit*>(w); box && !box->text().isEmpty())
        QTimer::singleShot(0, box, [box] { box->selectAll(); });
}

int frmMain::FrameOf(const QWidget* w, QLineEdit* Frame::*member) const
{
    for (int j : kShownOutputs)
        if (m_frames.at(static_cast<size_t>(j)).*member == w) return j;
    return -1;
}

bool frmMain::ValidateCurrentEntry()
{
    auto* box = qobject_cast<QLineEdit*>(m_currentEntry.data());
    if (!box || m_validating) return true;
    m_validating = true;
    const bool ok = ValidateEntry(box);
    m_validating = false;
    return ok;
}

bool frmMain::ValidateEntry(QLineEdit* box)
{
    if (int j = FrameOf(box, &Frame::txtRate); j >= 0)
        return !IsPresentOutput(j) || ValidateRate(j, box);
    if (int j = FrameOf(box, &Frame::txtThick); j >= 0)
        return !IsPresentOutput(j) || ValidateThick(j, box);
    if (int j = FrameOf(box, &Frame::txtManPwr); j >= 0)
        return !IsPresentOutput(j) || ValidateManPwr(j, box);
    return true;
}

void frmMain::RefuseEntry(QLineEdit* box, const QString& message)
{
    ShowMessage(this, message, QMessageBox::NoIcon);
    m_currentEntry = box;
    box->setFocus();
    box->selectAll();
}

bool frmMain::ValidateRate(int j, QLineEdit* box)
{
    OutputRecord& out = m_tables.Output(j);
    const auto slot = static_cast<short>(j);
    double value = 0;
    const bool number = ParseEntry(box->text(), value);
    const int analog = InputAnalog(out.Input);

    if (analog >= 0 && analog < kAnalogInputs) {
        // Entered in the input's display units; the loop works in volts.
        const AnalogRecord& in = m_tables.Analog(analog);
        const double volts = in.Gain == 0 ? 0 : (value - in.Offset) / in.Gain;
        if (!number || volts < -10 || volts > 10) {
            RefuseEntry(
                box, QStringLiteral("Rate value is not between -10 volts and +10 analog volts!"));
            return false;
        }
        box->setText(tlv::Format(value, QStringLiteral("##0.00")));
        out.Rate = volts;
        m_tlv->setRate(slot, volts);
        return true;
    }

    const double min = m_tlv->RateMin();
    const double max = m_tlv->RateMax();
    if (!number || value < min || value > max) {
        RefuseEntry(box,
                    QStringLiteral("Rate must be between %1 and %2 !").arg(Limit(min), Limit(max)));
        return false;
    }
    box->setText(tlv::Format(value, QStringLiteral("##0.00")));
    out.Rate = value;
    // With cross-rate on, the loop's setpoint follows the cross output at the next reading.
    if (!(m_tables.Flags.XRate != 0 && out.XOut != -1)) m_tlv->setRate(slot, value);
    return true;
}

bool frmMain::ValidateThick(int j, QLineEdit* box)
{
    double value = 0;
    const double min = m_tlv->ThickMin();
    const double max = m_tlv->ThickMax();
    if (!ParseEntry(box->text(), value) || value < min || value > max) {
        RefuseEntry(
            box,
            QStringLiteral("Thickness must be between %1 and %2 !").arg(Limit(min), Limit(max)));
        return false;
    }
    box->setText(tlv::Format(value, QStringLiteral("##0.0##")));
    m_tables.Output(j).Thick = value;
    return true;
}

bool frmMain::ValidateManPwr(int j, QLineEdit* box)
{
    double value = 0;
    const double min = m_tlv->PowerMin();
    const double max = m_tlv->PowerMax();
    if (!ParseEntry(box->text(), value) || value < min || value > max) {
        RefuseEntry(
            box, QStringLiteral("Power must be between %1 and %2 !").arg(Limit(min), Limit(max)));
        return false;
    }
    box->setText(tlv::Format(value, QStringLiteral("##0.0")));
    if (m_runState == RunRunning && OutputMode(j) == ModeManual)
        m_tlv->SendPower(static_cast<short>(j), value);
    return true;
}

} // namespace coflux
