// Setpoint entry: Enter sends the current entry; a control that takes the focus first has the
// current entry validated (the shared entry guard); a refused entry keeps the focus with its text
// selected and a message names the limits.

#include "frmMain.h"

#include "common/EntryGuard.h"
#include "common/NumberFormat.h"

#include <QGroupBox>
#include <QLineEdit>

namespace coflux {

void frmMain::GuardFrame(int j)
{
    Frame& f = FrameAt(j);
    const auto guard = [this, j](QLineEdit* box, Setpoint which, const QString& pattern) {
        m_guard->AddEntry(box, [this, j, which, pattern](QLineEdit& entry) {
            return EnterSetpoint(j, which, pattern, entry);
        });
    };
    guard(f.txtRate, Setpoint::Rate, QStringLiteral("##0.00"));
    guard(f.txtThick, Setpoint::Thickness, QStringLiteral("##0.0##"));
    guard(f.txtManPwr, Setpoint::ManualPower, QStringLiteral("##0.0"));
    for (QWidget* w : f.fraLoop->findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus && !m_guard->IsEntry(w)) m_guard->Watch(w);
}

QWidget* frmMain::CurrentEntry() const
{
    return m_guard->Current();
}

bool frmMain::ValidateCurrentEntry()
{
    return m_guard->CheckCurrent();
}

QString frmMain::EnterSetpoint(int j, Setpoint which, const QString& pattern, QLineEdit& box)
{
    if (!IsPresentOutput(j)) return {};
    m_entering = true;
    const CommandResult result = m_core->EnterSetpoint(j, which, box.text());
    m_entering = false;
    if (!result.ok()) return result.text;
    box.setText(tlv::Format(tlv::ParseEntry(box.text()).value_or(0.0), pattern));
    return {};
}

} // namespace coflux
