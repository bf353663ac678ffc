// Checking the material boxes beside the grid rows.
#include "frmMain.h"

#include "common/EntryGuard.h"
#include "common/MaterialPicker.h"
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
    // New numbers name the material they match, or none (a tooling changes no film).
    if (m_cboMaterial[s] && stored != &m_settings.toolingText[s]) {
        ShowRowMaterial(s);
        m_settings.materialName[s] = m_cboMaterial[s]->ShownName();
    }
    return {};
}

void frmMain::CreateMaterialPicker(int sensor)
{
    auto* picker = new tlv::MaterialPicker(centralWidget());
    picker->setObjectName(QStringLiteral("cboMaterial_") + QString::number(sensor));
    m_entries->Watch(picker);
    connect(picker, &tlv::MaterialPicker::materialChosen, this,
            [this, sensor](const tlv::Material& material) { MaterialPicked(sensor, material); });
    picker->show();
    m_cboMaterial[sensor] = picker;
}

void frmMain::ShowRowMaterial(int sensor)
{
    m_cboMaterial[sensor]->ShowMatchingTexts(m_settings.densityText[sensor],
                                             m_settings.zFactorText[sensor],
                                             m_settings.materialName[sensor]);
}

// A chosen material goes through the boxes' own checks, as if its numbers had been typed: the
// same limits and messages, sent at once while measuring, and the setup marked as changed.
void frmMain::MaterialPicked(int sensor, const tlv::Material& material)
{
    QLineEdit* density = m_txtDensity[sensor];
    QLineEdit* zFactor = m_txtZFactor[sensor];
    if (!density || !zFactor) return;
    density->setText(tlv::Format(material.density, QStringLiteral("#0.00")));
    zFactor->setText(tlv::Format(material.zRatio, QStringLiteral("#0.000")));
    if (!m_entries->Check(density) || !m_entries->Check(zFactor)) return;
    if (m_settings.materialName[sensor] != material.name) {
        m_settings.materialName[sensor] = material.name;
        m_settings.setupChanged = true;
    }
    m_cboMaterial[sensor]->ShowMatchingTexts(density->text(), zFactor->text(), material.name);
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
