#pragma once
// frmMain: the operator's console of coflux. Owns the process tables and the program's one
// instrument object, runs a deposition (start, hold, resume, stop), reacts to every reading,
// trips setpoints, writes the data log and loads and saves setup files. The editor forms work
// on Tables() and call back into the public operations below.
//
// The implementation is split by concern: frmMain.cpp (start-up, run states, modes, frames,
// menus, closing), frmMainLayout.cpp (the controls), frmMainEntry.cpp (setpoint entry and the
// focus guard), frmMainSetup.cpp (setup file), frmMainEvents.cpp (reading events, trips,
// output configuration), frmMainEditors.cpp (opening the editor windows).

#include "ProcessTables.h"
#include "ReadingArrays.h"

#include "instrument/cTLV880a.h"

#include <QMainWindow>
#include <QPointer>

#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace coflux {

// Run states of a deposition.
enum RunStateValue : short { RunStopped = 0, RunRunning = 1, RunHeld = 2 };

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs the start-up sequence (setup file, card, position, show).
    // When `instrument` is null the window creates the program's instrument object and owns it;
    // otherwise the caller keeps ownership and the object must outlive the window.
    explicit frmMain(QWidget* parent = nullptr, cTLV880a* instrument = nullptr);
    ~frmMain() override;

    // ---- shared state ----
    ProcessTables& Tables() { return m_tables; }
    const ProcessTables& Tables() const { return m_tables; }
    cTLV880a& Instrument() { return *m_tlv; }
    const ReadingArrays& Readings() const { return m_readings; }
    short RunState() const { return m_runState; }

    // An output that exists on the installed cards (or any shown output with no card).
    bool IsPresentOutput(int j) const;

    // ---- operations used by the editors and the menus ----
    // Loads a setup file of the program's folder into the tables and the window, then configures
    // the card. An empty name does nothing.
    void IniRead(const QString& file);
    // Writes the tables to a setup file of the program's folder. An empty name does nothing.
    // Returns false when nothing was written (read-only file, write failure).
    bool IniWrite(const QString& file);
    // Sends one output's sensor or analog mapping, full scale and (running in Auto) loop terms.
    void ApplyOutputSetup(int j);
    // Sets output j to a mode (0 Off, 1 Record, 2 Manual, 3 Auto) and acts on it while running.
    void ChannelMode(int j, int mode);
    // Redraws frame j for its name, mode and input.
    void UpdateFrame(int j);
    // Enters a run state: 0 stop, 1 start or resume, 2 hold.
    void SetRunState(short state);
    // Recorder output of output j in % (not clamped), from the current reading arrays.
    double RecorderValue(int j) const;

    // The setup file that is current (name only, in the program's folder).
    QString SetupFileName() const;

    // ---- editor windows (frmMainEditors.cpp): open modeless, or raise when open ----
    void ShowOutputEditor(int j);   // output (film) editor for output j
    void ShowRecorderEditor(int j); // recorder editor for output j
    void ShowReadingsView();
    void ShowInputSetup();
    void ShowCardSetup();
    bool ReadingsViewVisible() const;

    // ---- operator commands, public so that scripted use and tests drive them like clicks ----
    void cmdFSwitch_Click(int index);
    void cmdZero_Click(int j);
    void cmdEdit_Click(int j);
    // Validates the current entry and sends it; false when refused (focus kept on it).
    bool ValidateCurrentEntry();
    QWidget* CurrentEntry() const { return m_currentEntry; }

public slots:
    // Handlers of the instrument's events.
    void TLVReading(const SensorArray& sensors, const OutputArray& outputs, double time);
    void TLVAnalog(const AnalogArray& analog, double time);
    void TLVError(int number, const QString& message);
    void TLVSensorEvent(int code, const QString& message, int sensor);
    void TLVOutputEvent(int code, const QString& message, int output);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
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
        QPushButton* cmdZero = nullptr;
        QPushButton* cmdEdit = nullptr;
    };

    // frmMainLayout.cpp
    void BuildControls();
    void BuildFrame(int j, const QString& modeArrayName);
    void BuildMenus();
    void FitToCardCount();

    // frmMain.cpp
    void Form_Load();
    void AttachInstrument();
    void ZeroOutput(int j);
    void OnFocusIn(QWidget* w);
    void ValidateBeforeMenu(QMenu* menu);
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuHelp_Click();
    void mnuAbout_Click();
    void SetSetupFileName(const QString& name);
    void SaveWindowState();

    // frmMainEntry.cpp
    bool ValidateEntry(QLineEdit* box);
    bool ValidateRate(int j, QLineEdit* box);
    bool ValidateThick(int j, QLineEdit* box);
    bool ValidateManPwr(int j, QLineEdit* box);
    void RefuseEntry(QLineEdit* box, const QString& message);
    int FrameOf(const QWidget* w, QLineEdit* Frame::*member) const;

    // frmMainEvents.cpp
    void Trip(const QString& message);

    // helpers
    double ManualPower(int j) const;
    int OutputMode(int j) const { return m_tables.Output(j).Mode; }
    Frame& FrameAt(int j) { return m_frames.at(static_cast<size_t>(j)); }

    ProcessTables m_tables;
    ReadingArrays m_readings;
    short m_runState = RunStopped;
    cTLV880a* m_tlv = nullptr;
    bool m_ownsInstrument = false;

    std::array<Frame, kOutputSlots> m_frames{};
    std::array<QPushButton*, 3> m_cmdFSwitch{};
    QLabel* m_lblSim = nullptr;
    QMenu* m_mnuFile = nullptr;
    QMenu* m_mnuView = nullptr;
    QMenu* m_mnuHelpHelp = nullptr;

    QString m_setupFile;
    QString m_logLine;                // data line being assembled during one reading cycle
    QPointer<QWidget> m_currentEntry; // control that last took the focus legitimately
    bool m_loading = false;           // set while the window loads: no focus guard
    bool m_validating = false;        // a validation (and its message) is in progress
    bool m_closing = false;

    // Editor windows, created on first use (frmMainEditors.cpp).
    QPointer<QWidget> m_frmFilm;
    QPointer<QWidget> m_frmRecorder;
    QPointer<QWidget> m_frmInputs;
    QPointer<QWidget> m_frmSetup;
    QPointer<QWidget> m_frmReadings;
    QPointer<QWidget> m_helpWindow;
};

} // namespace coflux
