// Checking the material boxes beside the grid rows.
#include "frmMain.h"

#include "common/EntryGuard.h"
#include "common/MaterialPicker.h"
#include "common/NumberFormat.h"

#include <QLineEdit>

namespace monitor {

int frmMain::SensorOfBox(const QObject* box) const
{
    const QString name = box->objectName();
    return name.mid(name.lastIndexOf(QLatin1Char('_')) + 1).toInt();
}

QString frmMain::CheckMaterialBox(QLineEdit& box)
{
    const int s = SensorOfBox(&box);
    const QString prefix = box.objectName().left(4);
    const MaterialField field = prefix == QLatin1String("txtD")   ? MaterialField::Density
                                : prefix == QLatin1String("txtT") ? MaterialField::Tooling
                                                                  : MaterialField::ZFactor;
    const MaterialEntry entry = m_core->EnterMaterial(s, field, box.text());
    if (!entry.refusal.isEmpty()) return entry.refusal;
    if (entry.changed) {
        box.setText(entry.text);
        // New numbers name the material they match, or none.
        if (field != MaterialField::Tooling && m_cboMaterial[s]) ShowRowMaterial(s);
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
    const MonitorSettings& settings = Settings();
    m_cboMaterial[sensor]->ShowMatchingTexts(
        settings.densityText[sensor], settings.zFactorText[sensor], settings.materialName[sensor]);
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
    m_core->NameMaterial(sensor, material.name);
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
