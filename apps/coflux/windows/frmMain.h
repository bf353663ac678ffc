#pragma once
// frmMain: the operator's console of coflux, a view and controller of the deposition process
// (Deposition). It shows what the process reports (readings, run state, modes, setpoints, trips,
// messages) and sends it the operator's commands; the editor forms work on the same process.
//
// The implementation is split by concern: frmMain.cpp (start-up, menus, window state, closing),
// frmMainView.cpp (following the process: run buttons, frames, readings, messages),
// frmMainLayout.cpp (the controls), frmMainEntry.cpp (setpoint entry and the focus guard),
// frmMainEditors.cpp (opening the editor windows), frmMainOptions.cpp (the Options menu).

#include "CofluxHost.h"
#include "Deposition.h"

#include "common/StatusLine.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <array>
#include <memory>

class QAction;
class QBoxLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace tlv {
class AlarmPanel;
class EntryGuard;
} // namespace tlv

namespace coflux {

class ChartRecorder;
class RecipeProgressStrip;
class frmChart;
class frmProcess;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window on a host of its own and runs the start-up sequence (remembered setup
    // file, card, position, show). When `instrument` is null the host also creates the
    // program's instrument object; otherwise the caller keeps it and it must outlive the window.
    explicit frmMain(QWidget* parent = nullptr, cTLV880a* instrument = nullptr);
    // Builds the window as a view of an existing host, which must outlive it, and runs the
    // same start-up sequence.
    explicit frmMain(CofluxHost& host, QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- the process behind the window ----
    CofluxHost& Host() { return *m_host; }
    Deposition& Core() { return *m_core; }
    const Deposition& Core() const { return *m_core; }
    const ProcessTables& Tables() const { return m_core->Tables(); }
    cTLV880a& Instrument() { return m_core->Instrument(); }
    const ReadingArrays& Readings() const { return m_core->Readings(); }
    short RunState() const { return m_core->RunState(); }
    bool IsPresentOutput(int j) const { return m_core->IsPresentOutput(j); }

    // ---- operations of the menus and the editors ----
    // Loads a setup file of the program's folder (File Open without the dialog).
    void IniRead(const QString& file) { m_core->OpenSetup(file); }
    // Writes the setup to a file of the program's folder; false when nothing or not all was
    // written (the reason has been shown).
    bool IniWrite(const QString& file) { return m_core->SaveSetup(file).ok(); }
    // Sets output j to a mode (0 Off, 1 Record, 2 Manual, 3 Auto), as a click on its option.
    void ChannelMode(int j, int mode) { m_core->SetMode(j, mode); }
    // Redraws frame j for its name, mode and input.
    void UpdateFrame(int j);
    QString SetupFileName() const { return m_core->SetupFileName(); }

    // ---- editor windows (frmMainEditors.cpp): open modeless, or raise when open ----
    void ShowOutputEditor(int j);   // output (film) editor for output j
    void ShowRecorderEditor(int j); // recorder editor for output j
    void ShowReadingsView();
    void ShowInputSetup();
    void ShowCardSetup();
    // The Process window of the host's recipe session.
    frmProcess* ShowProcessWindow();
    // The chart window (made on first use, raised when open) on the window's chart history,
    // which records from start-up on.
    void ShowChart();
    void RestoreChartVisibility(); // opens the chart when it was open at the last close
    ChartRecorder* ChartHistory() const { return m_chartHistory; }
    // Places a sign of the program's state (the "REMOTE" label) under "SIMULATE".
    void AddSign(QWidget* sign);
    bool ReadingsViewVisible() const;

    // ---- operator commands, public so that tests drive them like clicks ----
    void cmdFSwitch_Click(int index);
    void cmdZero_Click(int j);
    void cmdEdit_Click(int j);
    // Validates the current entry and sends it; false when refused (focus kept on it).
    bool ValidateCurrentEntry();
    // The control that last took the focus legitimately (a refused entry stays it).
    QWidget* CurrentEntry() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The controls of one output frame; the array index is the output slot.
    struct Frame {
        QGroupBox* fraLoop = nullptr;
        std::array<QRadioButton*, 4> optMode{};
        QLineEdit* txtManPwr = nullptr;
        QLineEdit* txtThick = nullptr;
        QLineEdit* txtRate = nullptr;
        QLineEdit* txtRateRdg = nullptr;
        QLineEdit* txtThickRdg = nullptr;
        QLineEdit* txtPowerRdg = nullptr;
        QLabel* lblRateRdg = nullptr;
        QLabel* lblThickRdg = nullptr;
        QLabel* lblPowerRdg = nullptr;
        QLabel* lblLifeLeft = nullptr;  // what the output's crystals can still take
        QLabel* lblDeviation = nullptr; // the rate against its setpoint in force
        QPushButton* cmdZero = nullptr;
        QPushButton* cmdEdit = nullptr;
    };

    // frmMainLayout.cpp
    void BuildControls();
    void BuildFrame(int j, const QString& modeArrayName);
    void BuildMenus();
    void FitToCardCount();

    // frmMainOptions.cpp: the Options menu (program flags)
    void BuildOptionsMenu();
    // Options -> Rate Tolerance: the form that edits the process's rate tolerance.
    void ShowRateTolerance();
    // View -> Alarms: the alarm panel, shown again once closed.
    void ShowAlarmPanel();
    void ShowFlags(); // check marks, frames and the output editor follow the program flags

    // frmMain.cpp
    void Form_Load();
    void ValidateBeforeMenu(QMenu* menu);
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuHelp_Click();
    void mnuAbout_Click();
    void SaveWindowState();

    // frmMainView.cpp: following the process
    void FollowCore();
    void ShowRunState(short state);
    void ShowReading();
    void ShowLifeLeft(Frame& f, int j);  // the output's crystal forecast beside its rate
    void ShowDeviation(Frame& f, int j); // the rate against its setpoint, by the tolerance
    void ShowRunWord();                  // the run state's word beside the run buttons
    void FollowRecipe();                 // the recipe's progress under the output frames
    void ShowAnalog();
    void ShowMode(int j, int mode);
    void ShowSetpoint(int j, Setpoint which);
    void ShowSetup();
    void CancelEditorsOfReplacedSetup(const QString& name);
    // Shows a message box once the current handler has returned to the event loop.
    void ShowMessageLater(const QString& text, QMessageBox::Icon icon);

    // frmMainEntry.cpp
    // The setpoint boxes of frame j become guarded entries; its other controls are watched.
    void GuardFrame(int j);
    // Sends the setpoint typed in `box`; an empty text when taken (the box then shows it as
    // `pattern`), else the message of the refusal.
    QString EnterSetpoint(int j, Setpoint which, const QString& pattern, QLineEdit& box);

    Frame& FrameAt(int j) { return m_frames.at(static_cast<size_t>(j)); }

    std::unique_ptr<CofluxHost> m_ownHost; // when the window made the host
    CofluxHost* m_host = nullptr;
    Deposition* m_core = nullptr; // the host's process

    std::array<Frame, kOutputSlots> m_frames{};
    std::array<QPushButton*, 3> m_cmdFSwitch{};
    QLabel* m_lblSim = nullptr;
    QLabel* m_lblRunState = nullptr;           // STOPPED, RUNNING, HOLD, RECIPE COMPLETE
    RecipeProgressStrip* m_progress = nullptr; // the running recipe's layer and times left
    bool m_recipeComplete = false;             // the recipe ended as planned; outputs at idle
    double m_readingTime = 0;                  // of the last reading, seconds since midnight
    QBoxLayout* m_signColumn = nullptr;        // the column of the run buttons and "SIMULATE"
    tlv::StatusLine* m_statusLine = nullptr;   // the process's latest error, refusal or notice
    QMenu* m_mnuFile = nullptr;
    QMenu* m_mnuView = nullptr;
    QMenu* m_mnuHelpHelp = nullptr;
    QMenu* m_mnuOptions = nullptr;
    QAction* m_mnuShowErrors = nullptr;
    QAction* m_mnuXRate = nullptr;
    tlv::AlarmPanel* m_alarmPanel = nullptr; // the process's alarms, docked at the bottom

    tlv::EntryGuard* m_guard = nullptr; // the setpoint boxes' checks and the focus guard
    bool m_loading = false;             // set while the window loads: no focus guard
    bool m_entering = false;            // the window itself sends an entry to the process
    bool m_closing = false;

    // Editor windows, created on first use (frmMainEditors.cpp).
    QPointer<QWidget> m_frmFilm;
    QPointer<QWidget> m_frmRecorder;
    QPointer<QWidget> m_frmInputs;
    QPointer<QWidget> m_frmSetup;
    QPointer<QWidget> m_frmReadings;
    QPointer<frmProcess> m_frmProcess;
    QPointer<frmChart> m_frmChart;
    ChartRecorder* m_chartHistory = nullptr; // child of the window
    QPointer<QWidget> m_helpWindow;
    QPointer<QWidget> m_frmTolerance;
};

} // namespace coflux
