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

// A number as the operator typed it (already accepted by the process).
bool ParseEntry(const QString& text, double& value)
{
    bool ok = false;
    value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value);
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
    int j = -1;
    Setpoint which = Setpoint::Rate;
    QString pattern;
    if (j = FrameOf(box, &Frame::txtRate); j >= 0) {
        pattern = QStringLiteral("##0.00");
    } else if (j = FrameOf(box, &Frame::txtThick); j >= 0) {
        which = Setpoint::Thickness;
        pattern = QStringLiteral("##0.0##");
    } else if (j = FrameOf(box, &Frame::txtManPwr); j >= 0) {
        which = Setpoint::ManualPower;
        pattern = QStringLiteral("##0.0");
    } else {
        return true;
    }
    if (!IsPresentOutput(j)) return true;

    m_entering = true;
    const CommandResult result = m_core->EnterSetpoint(j, which, box->text());
    m_entering = false;
    if (!result.ok()) {
        RefuseEntry(box, result.text);
        return false;
    }
    double value = 0;
    ParseEntry(box->text(), value);
    box->setText(tlv::Format(value, pattern));
    return true;
}

void frmMain::RefuseEntry(QLineEdit* box, const QString& message)
{
    ShowMessage(this, message, QMessageBox::NoIcon);
    m_currentEntry = box;
    box->setFocus();
    box->selectAll();
}

} // namespace coflux
