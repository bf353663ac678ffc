#pragma once
// The material picker: an editable list of the film materials of a MaterialTable, beside the
// density and Z-factor boxes of a form. Typing filters the list by any part of a material's
// name or formula ("oxide", "MgF"); choosing one (from the list, or Enter on a name the text
// spells out) emits materialChosen, and the form fills its own boxes from it, which stay
// editable and are checked by the form as typed values are. The form tells the picker which
// numbers it holds (ShowMatching), and the picker shows the material they match, or nothing
// for numbers no material has.
//
// Owned by its parent widget; the table must outlive it.

#include "common/MaterialTable.h"

#include <QComboBox>

namespace tlv {

class MaterialPicker : public QComboBox {
    Q_OBJECT
public:
    explicit MaterialPicker(QWidget* parent = nullptr,
                            const MaterialTable& table = MaterialTable::Program());

    // Shows the material these numbers match (the one named `preferred` among several), or an
    // empty text when none does. Emits nothing.
    void ShowMatching(double density, double zRatio, const QString& preferred = {});
    // The same for the texts of a form's boxes; text that is not a number matches nothing.
    void ShowMatchingTexts(const QString& density, const QString& zRatio,
                           const QString& preferred = {});
    // Shows the material of that name, or none for a name the table lacks. Emits nothing.
    void ShowNamed(const QString& name) { Show(m_table.Find(name)); }
    // The material shown, or nullopt when the picker shows none.
    std::optional<Material> Shown() const { return m_shown; }
    // Its name, empty when none.
    QString ShownName() const { return m_shown ? m_shown->name : QString(); }

    const MaterialTable& Table() const { return m_table; }

signals:
    // The operator chose this material: the form sets its density and Z-factor from it.
    void materialChosen(const tlv::Material& material);

private:
    void Show(const std::optional<Material>& material);
    void ChooseIndex(int index);
    void ChooseTyped();

    const MaterialTable& m_table;
    std::optional<Material> m_shown;
};

} // namespace tlv
