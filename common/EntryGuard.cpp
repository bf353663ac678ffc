#include "common/EntryGuard.h"

#include "common/DialogService.h"
#include "common/FormUtil.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tlv {

std::optional<double> ParseEntry(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

EntryGuard::EntryGuard(QWidget& form, QString title, Leaving leaving)
    : QObject(&form), m_form(form), m_title(std::move(title)), m_leaving(leaving)
{
}

void EntryGuard::AddEntry(QLineEdit* box, EntryCheck check)
{
    m_entries.push_back({box, std::move(check)});
    box->installEventFilter(this);
    connect(box, &QLineEdit::textChanged, this, [this, box] {
        if (!m_loading && std::find(m_edited.begin(), m_edited.end(), box) == m_edited.end())
            m_edited.push_back(box);
    });
}

void EntryGuard::Watch(QWidget* control)
{
    control->installEventFilter(this);
}

void EntryGuard::RemoveEntry(QLineEdit* box)
{
    box->removeEventFilter(this);
    disconnect(box, nullptr, this, nullptr);
    std::erase_if(m_entries, [box](const Entry& e) { return e.box == box; });
    std::erase(m_edited, box);
}

void EntryGuard::SetLoading(bool loading)
{
    m_loading = loading;
    if (loading) m_edited.clear();
}

const EntryGuard::Entry* EntryGuard::Find(const QObject* box) const
{
    if (!box) return nullptr;
    for (const auto& entry : m_entries)
        if (entry.box == box) return &entry;
    return nullptr;
}

bool EntryGuard::IsEdited(const QLineEdit* box) const
{
    return std::find(m_edited.begin(), m_edited.end(), box) != m_edited.end();
}

bool EntryGuard::Check(QWidget* control)
{
    const Entry* entry = Find(control);
    if (!entry || !entry->box->isEnabled()) return true;
    QLineEdit* box = entry->box;
    // A check may send the value on, and the message of a refusal waits for the operator: focus
    // changes meanwhile are not the operator leaving the entry.
    const bool outer = m_checking;
    m_checking = true;
    const QString message = entry->check(*box);
    if (!message.isEmpty()) Refuse(box, message);
    m_checking = outer;
    return message.isEmpty();
}

bool EntryGuard::CheckCurrent()
{
    if (m_busy || m_checking) return true;
    return Check(m_current);
}

bool EntryGuard::CheckFocused()
{
    return Check(QApplication::focusWidget());
}

bool EntryGuard::CheckAll(Scope scope)
{
    for (const auto& entry : m_entries) {
        if (entry.box->isHidden() || !entry.box->isEnabled()) continue;
        if (IsEdited(entry.box) || scope == Scope::Every) {
            if (!Check(entry.box)) return false;
        } else if (scope == Scope::EveryKeepingUntouched) {
            // Tested on a copy: the entry keeps the text it was filled with.
            QLineEdit probe(entry.box->text());
            const bool outer = m_checking;
            m_checking = true;
            const QString message = entry.check(probe);
            if (!message.isEmpty()) Refuse(entry.box, message);
            m_checking = outer;
            if (!message.isEmpty()) return false;
        }
    }
    return true;
}

void EntryGuard::Refuse(QLineEdit* box, const QString& message)
{
    m_busy = true;
    DialogService::message(&m_form, message, QMessageBox::Ok, QMessageBox::NoIcon, m_title);
    m_busy = false;
    if (m_leaving == Leaving::NextControl) {
        m_current = box;
        box->setFocus(Qt::OtherFocusReason);
    }
    ::SelectAllText(box);
    SelectLater(box, true);
}

// The control that was taking the focus may still receive it after this event, and a click that
// entered a box places its cursor after the focus event: the selection is made once the event
// has been handled.
void EntryGuard::SelectLater(QLineEdit* box, bool focus)
{
    QPointer<QLineEdit> guarded(box);
    QMetaObject::invokeMethod(
        this,
        [guarded, focus] {
            if (!guarded) return;
            if (focus && guarded->isVisible()) guarded->setFocus(Qt::OtherFocusReason);
            ::SelectAllText(guarded);
        },
        Qt::QueuedConnection);
}

// NextControl: another control takes the focus only when the current entry is valid; a refused
// entry has then taken the focus back and stays the current control.
void EntryGuard::OnFocusIn(QWidget* control)
{
    if (control == m_current) return;
    if (!Check(m_current)) return;
    m_current = control;
    ::SelectAllText(control);
    if (auto* box = qobject_cast<QLineEdit*>(control)) SelectLater(box, false);
}

bool EntryGuard::OnEnter(QLineEdit* box)
{
    if (!Check(box)) return false;
    if (m_leaving == Leaving::NextControl) m_current = box;
    if (m_selectAfterEnter) ::SelectAllText(box);
    return true;
}

bool EntryGuard::eventFilter(QObject* watched, QEvent* event)
{
    auto* control = qobject_cast<QWidget*>(watched);
    if (!control || m_busy || m_checking || m_loading) return QObject::eventFilter(watched, event);
    const Entry* entry = Find(watched);
    switch (event->type()) {
    case QEvent::FocusIn:
        if (m_leaving == Leaving::NextControl)
            OnFocusIn(control);
        else if (entry)
            SelectLater(entry->box, false);
        break;
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Opening a menu or switching windows is not leaving the entry.
        if (m_leaving == Leaving::FocusOut && entry && reason != Qt::PopupFocusReason &&
            reason != Qt::ActiveWindowFocusReason)
            Check(entry->box);
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* box = qobject_cast<QLineEdit*>(control);
        if (box && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            OnEnter(box);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tlv
