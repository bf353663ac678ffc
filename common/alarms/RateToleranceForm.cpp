#include "common/alarms/RateToleranceForm.h"

#include "common/DialogService.h"
#include "common/EntryGuard.h"
#include "common/FormUtil.h"
#include "common/NumberFormat.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tlv {

namespace {

struct Field {
    const char* caption;
    double RateTolerance::*value;
    double low;
    double high;
    const char* pattern;
};
// The limits the setup file holds the values to (RateToleranceSetting).
const std::array<Field, 4> kFields{{
    {"Tolerance (%)", &RateTolerance::percent, 0, 100, "#0.0#"},
    {"Minimum (\u00c5/s)", &RateTolerance::minimumRate, 0, 999.99, "#0.00"},
    {"Warning after (s)", &RateTolerance::warningAfter, 0, 86400, "#0"},
    {"Alarm after (s)", &RateTolerance::alarmAfter, 1, 86400, "#0"},
}};

QString LimitText(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace

RateToleranceForm::RateToleranceForm(const RateTolerance& current, Applier apply, QWidget* parent)
    : EditorForm(parent, Qt::Window), m_apply(std::move(apply))
{
    setObjectName(QStringLiteral("frmTolerance"));
    setWindowTitle(QStringLiteral("Rate Tolerance"));
    m_guard = new EntryGuard(*this);

    auto* grid = new QGridLayout;
    for (size_t i = 0; i < kFields.size(); ++i) {
        const Field& field = kFields[i];
        grid->addWidget(MakeLabel(this, QString(), QString::fromUtf8(field.caption)), int(i), 0);
        auto* entry = new QLineEdit(this);
        entry->setObjectName(QStringLiteral("txtTolerance_%1").arg(i));
        entry->setMaximumWidth(90);
        grid->addWidget(entry, int(i), 1);
        m_entries[i] = entry;
        m_guard->AddEntry(entry, [field](QLineEdit& box) {
            const std::optional<double> value = ParseEntry(box.text());
            if (!value || *value < field.low || *value > field.high)
                return QStringLiteral("%1 must be between %2 and %3 !")
                    .arg(QString::fromUtf8(field.caption), LimitText(field.low),
                         LimitText(field.high));
            box.setText(Format(*value, QString::fromLatin1(field.pattern)));
            return QString();
        });
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const std::array<const char*, 2> captions{"OK", "Cancel"};
    for (int i = 0; i < 2; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(captions[size_t(i)]), this);
        button->setObjectName(QStringLiteral("cmdFSwitch_%1").arg(i));
        connect(button, &QPushButton::clicked, this, [this, i] { RunCommand(i); });
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fill(current);
}

void RateToleranceForm::fill(const RateTolerance& tolerance)
{
    m_guard->SetLoading(true);
    m_shown = tolerance;
    for (size_t i = 0; i < kFields.size(); ++i)
        m_entries[i]->setText(
            Format(tolerance.*kFields[i].value, QString::fromLatin1(kFields[i].pattern)));
    m_guard->SetLoading(false);
}

bool RateToleranceForm::Changed() const
{
    for (size_t i = 0; i < kFields.size(); ++i)
        if (m_entries[i]->text() !=
            Format(m_shown.*kFields[i].value, QString::fromLatin1(kFields[i].pattern)))
            return true;
    return false;
}

bool RateToleranceForm::Apply()
{
    if (!m_guard->CheckAll(EntryGuard::Scope::Every)) return false;
    RateTolerance tolerance;
    for (size_t i = 0; i < kFields.size(); ++i)
        tolerance.*kFields[i].value = ParseEntry(m_entries[i]->text()).value_or(0);
    QString refusal = QString::fromStdString(tolerance.problem());
    if (refusal.isEmpty() && m_apply) refusal = m_apply(tolerance);
    if (!refusal.isEmpty()) {
        DialogService::message(this, refusal, QMessageBox::Ok, QMessageBox::Warning);
        m_entries[0]->setFocus();
        return false;
    }
    fill(tolerance);
    return true;
}

} // namespace tlv
