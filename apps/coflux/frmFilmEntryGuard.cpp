#include "frmFilmEntryGuard.h"

#include "common/DialogService.h"
#include "common/FormUtil.h"
#include "common/NumberFormat.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace coflux {

std::optional<double> ParseEntry(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString LimitText(double value)
{
    return QString::number(value, 'g', 10);
}

EntryCheck RangeCheck(double min, double max, const QString& pattern, const QString& messageStart)
{
    return [=](QLineEdit& box) -> QString {
        const auto value = ParseEntry(box.text());
        if (!value || *value < min || *value > max)
            return messageStart + LimitText(min) + QStringLiteral(" and ") + LimitText(max) +
                   QStringLiteral(" !");
        box.setText(tlv::Format(*value, pattern));
        return {};
    };
}

EntryCheck CutCheck(int width)
{
    return [width](QLineEdit& box) -> QString {
        if (box.text().size() > width) box.setText(box.text().left(width));
        return {};
    };
}

bool SameNumber(const QString& text, double value, const QString& pattern)
{
    const auto typed = ParseEntry(text);
    const auto shown = ParseEntry(tlv::Format(value, pattern));
    return typed && shown && *typed == *shown;
}

bool AskSaveChanges(QWidget* form)
{
    const auto answer = tlv::DialogService::message(
        form, QStringLiteral("Save ") + form->windowTitle() + QStringLiteral(" Changes?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon);
    return answer == QMessageBox::Yes;
}

EntryGuard::EntryGuard(QWidget& form) : QObject(&form), m_form(form) {}

void EntryGuard::SetLoading(bool loading)
{
    m_loading = loading;
    if (loading) m_edited.clear();
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

const EntryGuard::Entry* EntryGuard::Find(const QObject* box) const
{
    for (const auto& entry : m_entries)
        if (entry.box == box) return &entry;
    return nullptr;
}

bool EntryGuard::Check(QLineEdit* box)
{
    const Entry* entry = Find(box);
    if (!entry || !box->isEnabled()) return true;
    const QString message = entry->check(*box);
    if (message.isEmpty()) return true;
    Refuse(box, message);
    return false;
}

bool EntryGuard::CheckAll(Scope scope)
{
    for (const auto& entry : m_entries) {
        const bool edited =
            std::find(m_edited.begin(), m_edited.end(), entry.box) != m_edited.end();
        if (entry.box->isHidden() || !entry.box->isEnabled()) continue;
        if (edited) {
            if (!Check(entry.box)) return false;
        } else if (scope == Scope::Every) {
            // An untouched entry is only tested: it keeps the text it was filled with.
            QLineEdit probe(entry.box->text());
            const QString message = entry.check(probe);
            if (!message.isEmpty()) {
                Refuse(entry.box, message);
                return false;
            }
        }
    }
    return true;
}

void EntryGuard::Refuse(QLineEdit* box, const QString& message)
{
    m_busy = true;
    tlv::DialogService::message(&m_form, message, QMessageBox::Ok, QMessageBox::NoIcon);
    m_busy = false;
    m_current = box;
    box->setFocus(Qt::OtherFocusReason);
    ::SelectAllText(box);
    // The control that was taking the focus may still receive it after this event; give it back
    // to the refused entry once the focus change has settled.
    QPointer<QLineEdit> guarded(box);
    QTimer::singleShot(0, this, [guarded] {
        if (guarded && guarded->isVisible()) {
            guarded->setFocus(Qt::OtherFocusReason);
            ::SelectAllText(guarded);
        }
    });
}

void EntryGuard::OnFocusIn(QWidget* control)
{
    if (m_loading || m_busy || control == m_current) return;
    if (auto* current = qobject_cast<QLineEdit*>(m_current.data())) {
        if (!Check(current)) return;
    }
    m_current = control;
    ::SelectAllText(control);
}

bool EntryGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        OnFocusIn(qobject_cast<QWidget*>(watched));
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (auto* box = qobject_cast<QLineEdit*>(watched)) {
                if (Check(box)) {
                    m_current = box;
                    ::SelectAllText(box);
                }
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace coflux
