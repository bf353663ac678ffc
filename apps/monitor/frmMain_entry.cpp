// Checking the material boxes beside the grid rows.
#include "frmMain.h"

#include "common/EntryGuard.h"
#include "common/NumberFormat.h"

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

int frmMain::SensorOfBox(const QObject* box) const
{
    const QString name = box->objectName();
    return name.mid(name.lastIndexOf(QLatin1Char('_')) + 1).toInt();
}

QString frmMain::CheckMaterialBox(QLineEdit& box)
{
    const int s = SensorOfBox(&box);
    const QString prefix = box.objectName().left(4);

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
    if (!ParseNumber(box.text(), v) || v < kind.min || v > kind.max)
        return QString::fromLatin1(kind.subject) + QString::number(kind.min) +
               QStringLiteral(" and ") + QString::number(kind.max) + QStringLiteral(" !");

    if (m_settings.runState == 1)
        m_tlv->SendMaterial(static_cast<short>(s), BoxNumber(m_txtDensity[s]),
                            BoxNumber(m_txtZFactor[s]), BoxNumber(m_txtTooling[s]));

    double storedValue = 0.0;
    if (ParseNumber(*stored, storedValue) && storedValue == v)
        return {}; // the same value in other words: accepted as typed, nothing changed

    box.setText(tlv::Format(v, QString::fromLatin1(kind.pattern)));
    *stored = box.text();
    m_settings.setupChanged = true;
    return {};
}

void frmMain::CheckEntry(QWidget* control, bool& valid)
{
    valid = m_entries->Check(control);
}

bool frmMain::ValidateActiveControl()
{
    return m_entries->CheckFocused();
}

} // namespace monitor
