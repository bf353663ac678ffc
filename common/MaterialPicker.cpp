#include "common/MaterialPicker.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>

#include <algorithm>

namespace tlv {

MaterialPicker::MaterialPicker(QWidget* parent, const MaterialTable& table)
    : QComboBox(parent), m_table(table)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert); // typed text never becomes a material
    setMaxVisibleItems(20);
    setMinimumContentsLength(18);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    QString tip = QStringLiteral("Film material: fills density and Z-factor. Type part of its "
                                 "name or formula.");
    // Lines of the table that were skipped are named where the operator looks for a material.
    if (const QStringList& skipped = table.Problems(); !skipped.isEmpty()) {
        tip += QStringLiteral("\nSkipped: ") + skipped.front();
        if (skipped.size() > 1)
            tip +=
                QStringLiteral(" (and %1 more lines; see standard error)").arg(skipped.size() - 1);
    }
    setToolTip(tip);

    // Listed by name; the item's data is the name, its text the caption searched.
    QList<Material> sorted = table.Materials();
    std::stable_sort(sorted.begin(), sorted.end(), [](const Material& a, const Material& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    for (const Material& m : sorted) {
        addItem(m.Caption(), m.name);
        const QString zText = m.zRatioKnown ? QString::number(m.zRatio, 'f', 3)
                                            : QStringLiteral("1.000 (Z-ratio unknown)");
        setItemData(
            count() - 1,
            QStringLiteral("%1 g/cm³, Z-ratio %2").arg(QString::number(m.density, 'f', 2), zText),
            Qt::ToolTipRole);
    }

    auto* completer = new QCompleter(model(), this);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    setCompleter(completer);

    // The combo box reports a choice from its list and from the completer's proposals alike.
    connect(this, &QComboBox::activated, this, &MaterialPicker::ChooseIndex);
    connect(lineEdit(), &QLineEdit::editingFinished, this, &MaterialPicker::ChooseTyped);
    Show(std::nullopt);
}

void MaterialPicker::Show(const std::optional<Material>& material)
{
    m_shown = material;
    const QSignalBlocker quiet(this);
    const int index = material ? findData(material->name) : -1;
    setCurrentIndex(index);
    setEditText(material ? material->Caption() : QString());
}

void MaterialPicker::ShowMatching(double density, double zRatio, const QString& preferred)
{
    Show(m_table.Matching(density, zRatio, preferred));
}

void MaterialPicker::ShowMatchingTexts(const QString& density, const QString& zRatio,
                                       const QString& preferred)
{
    bool okDensity = false;
    bool okZ = false;
    const double d = density.trimmed().toDouble(&okDensity);
    const double z = zRatio.trimmed().toDouble(&okZ);
    if (okDensity && okZ)
        ShowMatching(d, z, preferred);
    else
        Show(std::nullopt);
}

void MaterialPicker::ChooseIndex(int index)
{
    if (index < 0 || index >= count()) return;
    const std::optional<Material> material = m_table.Find(itemData(index).toString());
    if (!material) return;
    Show(material);
    emit materialChosen(*material);
}

// Enter or leaving the text: a text that spells a material's name or caption chooses it; any
// other text goes back to what the form's numbers match, so a half-typed search changes nothing.
void MaterialPicker::ChooseTyped()
{
    const QString typed = currentText().trimmed();
    if (m_shown && typed.compare(m_shown->Caption(), Qt::CaseInsensitive) == 0) return;
    int index = findText(typed, Qt::MatchFixedString); // case-insensitive, whole caption
    if (index < 0)
        if (const std::optional<Material> named = m_table.Find(typed))
            index = findData(named->name);
    if (index >= 0 && !typed.isEmpty()) {
        ChooseIndex(index);
        return;
    }
    Show(m_shown);
}

} // namespace tlv
