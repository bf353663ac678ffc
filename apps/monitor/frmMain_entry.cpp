// Checking the material boxes beside the grid rows.
#include "frmMain.h"

#include "common/DialogService.h"
#include "common/FormUtil.h"
#include "common/NumberFormat.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace monitor {

namespace {

struct MaterialKind {
    const char* subject; // start of the limits message
    double min;
    double max;
    const char* pattern;
};

} // namespace

bool frmMain::IsMaterialBox(QObject* object) const
{
    for (int s = 0; s < kMaxSensors; ++s)
        if (object == m_txtDensity[s] || object == m_txtTooling[s] || object == m_txtZFactor[s])
            return object != nullptr;
    return false;
}

int frmMain::SensorOfBox(const QObject* box) const
{
    const QString name = box->objectName();
    return name.mid(name.lastIndexOf(QLatin1Char('_')) + 1).toInt();
}

void frmMain::CheckEntry(QWidget* control, bool& valid)
{
    valid = true;
    if (!IsMaterialBox(control)) return;
    auto* box = static_cast<QLineEdit*>(control);
    const int s = SensorOfBox(box);
    const QString prefix = box->objectName().left(4);

    MaterialKind kind{};
    QString* stored = nullptr;
    if (prefix == QLatin1String("txtD")) {
        kind = {"Density must be between ", m_tlv->DensityMin(), m_tlv->DensityMax(), "#0.00"};
        stored = &m_settings.densityText[s];
    } else if (prefix == QLatin1String("txtT")) {
        kind = {"Tooling must be between ", m_tlv->ToolingMin(), m_tlv->ToolingMax(), "##0.0"};
        stored = &m_settings.toolingText[s];
    } else {
        kind = {"Z Factor must be between ", m_tlv->ZFactorMin(), m_tlv->ZFactorMax(), "#0.000"};
        stored = &m_settings.zFactorText[s];
    }

    // Text that is not a number in full is refused like a value beyond the limits.
    double v = 0.0;
    if (!ParseNumber(box->text(), v) || v < kind.min || v > kind.max) {
        m_checking = true;
        tlv::DialogService::message(
            this,
            QString::fromLatin1(kind.subject) + QString::number(kind.min) +
                QStringLiteral(" and ") + QString::number(kind.max) + QStringLiteral(" !"),
            QMessageBox::Ok, QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle));
        m_checking = false;
        valid = false;
        return;
    }

    if (m_settings.runState == 1)
        m_tlv->SendMaterial(static_cast<short>(s), BoxNumber(m_txtDensity[s]),
                            BoxNumber(m_txtZFactor[s]), BoxNumber(m_txtTooling[s]));

    double storedValue = 0.0;
    if (ParseNumber(*stored, storedValue) && storedValue == v)
        return; // the same value in other words: accepted as typed, nothing changed

    box->setText(tlv::Format(v, QString::fromLatin1(kind.pattern)));
    *stored = box->text();
    m_settings.setupChanged = true;
}

bool frmMain::ValidateActiveControl()
{
    QWidget* active = QApplication::focusWidget();
    if (!IsMaterialBox(active)) return true;
    bool valid = true;
    CheckEntry(active, valid);
    if (!valid) SelectAllText(active);
    return valid;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (!IsMaterialBox(watched) || m_checking) return QMainWindow::eventFilter(watched, event);
    auto* box = static_cast<QLineEdit*>(watched);

    if (event->type() == QEvent::FocusIn) {
        // Entering a box selects its text, after the click that entered it has placed the cursor.
        QPointer<QLineEdit> guarded(box);
        QMetaObject::invokeMethod(
            this, [guarded] { SelectAllText(guarded); }, Qt::QueuedConnection);
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Opening a menu or switching windows is not leaving the box.
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return false;
        bool valid = true;
        CheckEntry(box, valid);
        if (!valid) {
            QPointer<QLineEdit> guarded(box);
            QMetaObject::invokeMethod(
                this,
                [guarded] {
                    if (!guarded) return;
                    guarded->setFocus(Qt::OtherFocusReason);
                    SelectAllText(guarded);
                },
                Qt::QueuedConnection);
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            bool valid = true;
            CheckEntry(box, valid);
            if (!valid) SelectAllText(box);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace monitor
