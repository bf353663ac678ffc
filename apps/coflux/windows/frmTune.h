#pragma once
// frmTune: the "Loop Tuning" window of coflux (View menu, or the output editor's "Tune" button).
// For one output fed by sensors it starts a tuning run of the process (an open-loop power step
// under the running deposition) and shows what the run found: the recorded rate with the fitted
// model drawn over it and the power beside it, the model, the proposed terms beside the current
// ones (and the terms for a start after a soak), and the predicted closed-loop rate and power
// of both. Apply writes the proposed terms through the process, with the output editor's checks
// and messages; the setup file takes them when it is next saved, as any change.
//
// The window only forwards commands to the process and shows its result: the run goes on when
// the window is closed, and a remote client's run shows here as well.

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace coflux {

class Deposition;
class TuneChart;
struct TuningResult;

class frmTune : public QWidget {
    Q_OBJECT
public:
    // The process must outlive the window.
    explicit frmTune(Deposition& core, QWidget* parent = nullptr);

    // Selects the output shown (0..3, 12, 13); false when it is not one the list offers.
    bool setOutNum(int out);
    int OutNum() const;

    // Starts a run on the selected output with the options of the boxes; a refusal is shown in a
    // message box. True when the run started.
    bool StartTuning();
    // Applies the result of the selected output; a refusal is shown. True when applied.
    bool ApplyTerms();

private:
    void BuildControls();
    void FillOutputs();
    void Refresh();
    void ShowRecord(const TuningResult& result);
    void ShowTerms(const TuningResult& result, bool done);
    void ShowPredictions(const TuningResult& result, bool done);

    Deposition& m_core;
    QComboBox* m_cboOutput = nullptr;
    QLineEdit* m_txtStartPower = nullptr;
    QLineEdit* m_txtStep = nullptr;
    QCheckBox* m_chkStepDown = nullptr;
    QComboBox* m_cboAggressiveness = nullptr;
    QPushButton* m_cmdStart = nullptr;
    QPushButton* m_cmdApply = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QLabel* m_lblState = nullptr;
    QLabel* m_lblModel = nullptr;
    QLabel* m_lblPrediction = nullptr;
    QTableWidget* m_grdTerms = nullptr;
    TuneChart* m_chtStep = nullptr;
    TuneChart* m_chtRate = nullptr;
    TuneChart* m_chtPower = nullptr;
};

// Opens the window (made on first use as a child of `parent`, raised when open) on output `out`
// (or on the one it shows when `out` is below 0).
frmTune* ShowTune(Deposition& core, QWidget* parent, int out = -1);

} // namespace coflux
