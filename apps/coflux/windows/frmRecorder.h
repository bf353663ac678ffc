#pragma once
// frmRecorder: the "Recorder Setup" form of coflux. An output in Record mode drives a chart
// recorder: its power follows one measured value (a sensor, an analog input or another output),
// scaled so that the chosen full-scale value gives 100 %. The form chooses the input and the
// scale for one output and shows the live input and output readings.
//
// It edits the deposition process's output table in place; the process computes the recorder
// value at every reading. The process owns the tables and the instrument and outlives the form.

#include "ProcessTables.h"
#include "instrument/cTLV880a.h"

#include "common/EditorForm.h"

#include <array>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace coflux {

class Deposition;

class frmRecorder : public tlv::EditorForm {
    Q_OBJECT
public:
    explicit frmRecorder(Deposition& core, QWidget* parent = nullptr);

    // Input option indices: sensors 0..7, analog inputs 8..11, outputs 0..3 as 12..15 and the
    // analog outputs A1, A2 as 24, 25.
    static constexpr int kFirstAnalogOption = 8;
    static constexpr int kFirstOutputOption = 12;
    static constexpr int kAnalogOutputOption = 24;
    static constexpr int kScales = 8;

    // Selects the output to edit; asks to save the changes of the output shown before. Returns
    // false when the switch did not happen.
    bool setOutNum(short out);
    short OutNum() const { return m_outNum; }

    // The input option that stands for an output's Input field, -1 when it names no input.
    static int InputOption(int input);
    // The Input field that an input option stands for.
    static int InputOfOption(int option);
    // The scales that give a value for the kind of input an option stands for.
    static bool ScaleAllowed(int option, int scale);

    // Stores the selected input and scale in the output record and redraws its frame. Returns
    // false when the card kept a sensor or analog input of the output's former loop (the class
    // has reported why): the form stays open with the choice.
    bool Apply() override;
    bool Changed() const override;

public slots:
    void OnReading(const SensorArray& sensors, const OutputArray& outputs, double time);
    void OnAnalog(const AnalogArray& analog, double time);

private:
    void BuildControls();
    void FitToCards();
    void Fill();
    void OnInputChosen(int option);
    int SelectedInput() const;
    int SelectedScale() const;

    Deposition& m_core;
    short m_outNum = -1;
    QButtonGroup* m_inputGroup = nullptr;
    QButtonGroup* m_scaleGroup = nullptr;
    std::array<QRadioButton*, 26> m_optInput{}; // 16..23 unused
    std::array<QRadioButton*, kScales> m_optScale{};
    std::array<QLabel*, 5> m_lblInput{};
    QLineEdit* m_txtInput = nullptr;
    QLineEdit* m_txtOutput = nullptr;
    QLabel* m_lblInputRdg = nullptr;
    std::array<QPushButton*, 3> m_cmdFSwitch{};
};

} // namespace coflux
