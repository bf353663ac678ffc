#pragma once
// frmInputs: the "Input Setup" form of coflux. Edits the eight quartz-crystal sensors (film
// material and monitor setpoint) and the four analog inputs (scaling, units and monitor setpoint)
// in the deposition process's tables. A sensor that feeds no loop gets its new material at once;
// the material of a sensor that feeds a loop reaches the card when the setup is next loaded.
// Each sensor row has a material picker (cboMaterial_s) that fills its density and Z-factor.
//
// The process owns the tables and the instrument and outlives the form.

#include "ProcessTables.h"

#include "common/EditorForm.h"

#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace tlv {
class EntryGuard;
class MaterialPicker;
} // namespace tlv

namespace coflux {

class Deposition;

class frmInputs : public tlv::EditorForm {
    Q_OBJECT
public:
    explicit frmInputs(Deposition& core, QWidget* parent = nullptr);

    // Stores every box in the tables and sends the material of unassigned sensors. Returns false
    // (and stores nothing) when an entry is refused.
    bool Apply() override;
    // True when a box differs from its table value or a check box from its monitor flag.
    bool Changed() const override;

private:
    struct SensorRow {
        QLineEdit* txtDensity;
        QLineEdit* txtZFactor;
        QLineEdit* txtTooling;
        QCheckBox* chkSensor;
        QLineEdit* txtThick;
        tlv::MaterialPicker* cboMaterial;
        QString filledMaterial; // the name the picker showed when the form was filled
    };
    struct AnalogRow {
        QLineEdit* txtGain;
        QLineEdit* txtOffset;
        QLineEdit* txtUnits;
        QCheckBox* chkAnalog;
        QLineEdit* txtAinSP;
    };

    void BuildSensors();
    void ConnectPicker(SensorRow& row);
    void BuildAnalog();
    void AddEntryChecks();
    void Fill();
    void FitToCards();
    bool SensorExists(int sensor) const;
    // True when a box differs from these tables (Changed: from the process's own).
    bool DiffersFrom(const ProcessTables& tables) const;

    Deposition& m_core;
    tlv::EntryGuard* m_guard = nullptr;
    QGroupBox* m_fraSensors = nullptr;
    QGroupBox* m_fraAnalog = nullptr;
    std::array<SensorRow, kConfiguredSensors> m_sensors{};
    bool m_filling = false;  // the boxes are being filled: the pickers follow, nothing is chosen
    bool m_applying = false; // Apply is storing the boxes: the process's announcements are ours
    ProcessTables m_filled;  // the tables as the boxes were last filled from them
    std::array<AnalogRow, kAnalogInputs> m_analogs{};
    std::array<QPushButton*, 3> m_cmdFSwitch{};
};

} // namespace coflux
