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

EntryGuard::EntryGuard(QWidget& form, QString title)
    : QObject(&form), m_form(form), m_title(std::move(title))
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

bool EntryGuard::Check(QWidget* control)
{
    const Entry* entry = Find(control);
    if (!entry || !entry->box->isEnabled()) return true;
    QLineEdit* box = entry->box;
    const QString message = entry->check(*box);
    if (message.isEmpty()) return true;
    Refuse(box, message);
    return false;
}

bool EntryGuard::CheckFocused()
{
    return Check(QApplication::focusWidget());
}

bool EntryGuard::CheckAll(Scope scope)
{
    for (const auto& entry : m_entries) {
        if (entry.box->isHidden() || !entry.box->isEnabled()) continue;
        const bool edited =
            std::find(m_edited.begin(), m_edited.end(), entry.box) != m_edited.end();
        if (edited || scope == Scope::Every) {
            if (!Check(entry.box)) return false;
        }
    }
    return true;
}

void EntryGuard::Refuse(QLineEdit* box, const QString& message)
{
    m_busy = true;
    DialogService::message(&m_form, message, QMessageBox::Ok, QMessageBox::NoIcon, m_title);
    m_busy = false;
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

bool EntryGuard::eventFilter(QObject* watched, QEvent* event)
{
    const Entry* entry = Find(watched);
    if (!entry || m_busy || m_loading) return QObject::eventFilter(watched, event);
    QLineEdit* box = entry->box;
    switch (event->type()) {
    case QEvent::FocusIn:
        SelectLater(box, false);
        break;
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Opening a menu or switching windows is not leaving the entry.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) Check(box);
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (Check(box) && m_selectAfterEnter) ::SelectAllText(box);
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
