#pragma once
// frmMain: the operator's console of coflux. Owns the process tables and the program's one
// instrument object, runs a deposition (start, hold, resume, stop), reacts to every reading,
// trips setpoints, writes the data log and loads and saves setup files. The editor forms work
// on Tables() and call back into the public operations below.

#include "ProcessTables.h"
#include "ReadingArrays.h"

#include <QMainWindow>
#include <QPointer>

class cTLV880a;

namespace coflux {

class frmFilm;
class frmInputs;
class frmSetup;
class frmRecorder;
class frmReadings;

// Run states of a deposition.
enum RunStateValue : short { RunStopped = 0, RunRunning = 1, RunHeld = 2 };

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs the start-up sequence (setup file, card, position, show).
    // When `instrument` is null the window creates the program's instrument object and owns it.
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

private:
    ProcessTables m_tables;
    ReadingArrays m_readings;
    short m_runState = RunStopped;
    cTLV880a* m_tlv = nullptr;
    bool m_ownsInstrument = false;

    // Editor windows, created on first use (frmMainEditors.cpp).
    QPointer<QWidget> m_frmFilm;
    QPointer<QWidget> m_frmRecorder;
    QPointer<QWidget> m_frmInputs;
    QPointer<QWidget> m_frmSetup;
    QPointer<QWidget> m_frmReadings;
};

} // namespace coflux
