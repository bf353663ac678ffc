#pragma once
// frmFilm: the output (film) editor of coflux. Edits one output that runs in Manual or Auto
// mode: its name, PID terms, full scale, maximum power, slew rate, the sensors or the analog
// input that feed it, the film material its sensors measure (cboMaterial: picked by name, it
// gives every sensor of the output that material's density and Z-factor, with the input
// editor's rules), the cross output whose rate drives its rate setpoint, and the backup
// sensor that takes over when its sensors fail. Its Tune button opens the Loop Tuning window on
// the output. It edits the
// deposition process's output table in place and has the process send it to the card.
//
// The process owns the tables and the instrument and outlives the form.

#include "ProcessTables.h"

#include "common/EditorForm.h"

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tlv {
class EntryGuard;
class MaterialPicker;
} // namespace tlv

namespace coflux {

class Deposition;
class FilmBackupRow;

class frmFilm : public tlv::EditorForm {
    Q_OBJECT
public:
    explicit frmFilm(Deposition& core, QWidget* parent = nullptr);

    // Selects the output to edit (0..3, 12, 13). When the form is open on another output with
    // changes, asks whether to save them first. Returns false when the switch did not happen
    // (a refused entry while saving).
    bool setOutNum(short out);
    short OutNum() const { return m_outNum; }

    // The caption for an output slot: "Output 1".."Output 12", "Output A1", "Output A2".
    static QString OutputCaption(int out);

    // Stores the boxes in the output record, resolves sensor and analog-input conflicts with the
    // operator, redraws the output's frame and sends its configuration. Returns false (and
    // stores nothing) when an entry is refused.
    bool Apply() override;
    // True when a box, a sensor box, the analog selection or the cross output differs from the
    // output record.
    bool Changed() const override;

    // Shows the cross output list (X Out) only while cross-rate is on.
    void ShowCrossOutput(bool crossRate);

private:
    void BuildControls();
    void AddEntryChecks();
    void Fill();
    // The record's terms into the P, I and D boxes that still show what they were filled with.
    void FollowTerms();
    void FillCrossOutputs(const OutputRecord& record);
    int SelectedAnalog() const; // 0..3, or -1 for "Sensors"
    void SelectAnalog(int analog);
    void EnableSensorBoxes();
    // Asks about each checked sensor (bits) another output has; those the operator keeps
    // there are unchecked and left out of the result.
    int ConfirmSensors(int checked);
    // Asks about an analog input another output has; false: it stays there.
    bool ConfirmAnalog(int analog);
    // The material every sensor of the output measures, empty when they differ or name none.
    QString SensorsMaterial(const OutputRecord& record) const;

    Deposition& m_core;
    tlv::EntryGuard* m_guard = nullptr;
    short m_outNum = -1;

    QLineEdit* m_txtFilm = nullptr;
    QLineEdit* m_txtPTerm = nullptr;
    QLineEdit* m_txtIterm = nullptr;
    QLineEdit* m_txtDTerm = nullptr;
    QLineEdit* m_txtFullScale = nullptr;
    QLineEdit* m_txtMaxPower = nullptr;
    QLineEdit* m_txtSlewRate = nullptr;
    std::array<QCheckBox*, kConfiguredSensors> m_chkSensor{};
    std::array<QRadioButton*, kAnalogInputs + 1> m_optAnalog{}; // 0..3 inputs, 4 "Sensors"
    QButtonGroup* m_analogGroup = nullptr;
    QLabel* m_lblAnalog = nullptr;
    QLabel* m_lblXOut = nullptr;
    QComboBox* m_cboXOut = nullptr;
    tlv::MaterialPicker* m_cboMaterial = nullptr;
    QString m_filledMaterial; // what the picker showed when the form was filled
    std::array<QPushButton*, 3> m_cmdFSwitch{};
    QPushButton* m_cmdTune = nullptr;
    std::array<QString, 3> m_filledTerms; // the P, I and D texts as last filled
    FilmBackupRow* m_backup = nullptr;    // the backup sensor and its tooling
};

} // namespace coflux
