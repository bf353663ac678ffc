#pragma once
// frmInputs: the "Input Setup" form of coflux. Edits the eight quartz-crystal sensors (film
// material and monitor setpoint) and the four analog inputs (scaling, units and monitor setpoint)
// in the deposition process's tables. A sensor that feeds no loop gets its new material at once;
// the material of a sensor that feeds a loop reaches the card when the setup is next loaded.
//
// The process owns the tables and the instrument and outlives the form.

#include "ProcessTables.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace coflux {

class EntryGuard;
class Deposition;

class frmInputs : public QWidget {
    Q_OBJECT
public:
    explicit frmInputs(Deposition& core, QWidget* parent = nullptr);

    // Stores every box in the tables and sends the material of unassigned sensors. Returns false
    // (and stores nothing) when an entry is refused.
    bool Apply();
    // True when a box differs from its table value or a check box from its monitor flag.
    bool Changed() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct SensorRow {
        QLineEdit* txtDensity;
        QLineEdit* txtZFactor;
        QLineEdit* txtTooling;
        QCheckBox* chkSensor;
        QLineEdit* txtThick;
    };
    struct AnalogRow {
        QLineEdit* txtGain;
        QLineEdit* txtOffset;
        QLineEdit* txtUnits;
        QCheckBox* chkAnalog;
        QLineEdit* txtAinSP;
    };

    void BuildSensors();
    void BuildAnalog();
    void AddEntryChecks();
    void Fill();
    void FitToCards();
    bool SensorExists(int sensor) const;
    void OnSwitch(int index);

    Deposition& m_core;
    EntryGuard* m_guard = nullptr;
    QGroupBox* m_fraSensors = nullptr;
    QGroupBox* m_fraAnalog = nullptr;
    std::array<SensorRow, kConfiguredSensors> m_sensors{};
    std::array<AnalogRow, kAnalogInputs> m_analogs{};
    std::array<QPushButton*, 3> m_cmdFSwitch{};
    bool m_abandon = false; // closing through Cancel or after applying: no question
};

} // namespace coflux
