#pragma once
// Deposition: the live process of coflux, without a widget. It owns the process tables (outputs,
// sensors, analog inputs, program flags), the run state and its rules, the latest readings, the
// reading and analog handlers with the recorder and cross-rate functions, the setpoint trips,
// the configuration of each output on the card, the data log and the loading and saving of setup
// files. It talks to the instrument object and reports through signals; the main window, an
// unattended run, a remote client or a recipe drive the same object with the same commands.
//
// Commands that change something return a CommandResult: Done, or the refusal text the main
// window shows for the same change (run-state rule, value out of range, output not present).
// Every accepted change is announced by a signal, so every view shows it whoever made it.
//
// Nothing here runs a nested event loop. Signals that a view may answer with a message box
// (tripped, classError, sensorEvent, outputEvent) are emitted from a queued call, after the
// instrument's poll has returned; notice() comes straight from the command that caused it.
//
// Deposition.cpp: construction, run states, zeroing, modes and setpoints.
// DepositionEvents.cpp: the reading and analog handlers, trips, ApplyOutputSetup.
// DepositionSetup.cpp: loading and saving setup files (their format is CofluxSetupFile).
// DepositionLog.cpp: the data log of a run.
// DepositionMaterials.cpp: the film material of a sensor, by its numbers or by name.
// DepositionBackup.cpp: the backup sensor that takes over an output whose crystals all failed.

#include "BackupSensors.h"
#include "OutputDeviation.h"
#include "ProcessEdits.h"
#include "ProcessTables.h"
#include "ReadingArrays.h"

#include "common/MaterialTable.h"
#include "instrument/cTLV880a.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

namespace coflux {

class CrystalHistory;
class DepositionAlarms;
class TuningRun;

// Run states of a deposition.
enum RunStateValue : short { RunStopped = 0, RunRunning = 1, RunHeld = 2 };

// The three setpoints an operator enters in an output's frame.
enum class Setpoint {
    Rate,       // Å/s; for an analog-fed output the input's display units (Gain × V + Offset)
    Thickness,  // kÅ
    ManualPower // %
};

// How a message of the process is meant to be shown (the icon of the window's box).
enum class NoticeLevel { Information, Warning };

// Why a deposition stopped (runStopped).
enum class StopReason {
    Trip,      // an input monitor's thickness or voltage setpoint was reached
    Setpoint,  // an output's thickness setpoint was reached
    Operator,  // Stop: the window's button, a remote client, a recipe, a signal
    TimeLimit, // the run's time limit
    Error,     // the process cannot go on (the card library stopped measuring)
};

struct CommandResult {
    enum class Status {
        Done,
        RefusedByRunState, // not allowed in the current run state (e.g. Hold while stopped)
        OutOfRange,        // a value outside its limits, or not a number
        NotPresent,        // the output or sensor does not exist on the installed cards
        Failed             // the instrument class or the file system refused it
    };
    Status status = Status::Done;
    QString text; // empty when Done; otherwise the message the window shows for it

    bool ok() const { return status == Status::Done; }
    static CommandResult done() { return {}; }
    static CommandResult refused(Status s, const QString& why) { return {s, why}; }
};

// What loading a setup file found, for callers that must act on it (an unattended run refuses
// to start on a refused card setup).
struct SetupLoadResult {
    bool loaded = false;   // false: empty name, nothing was done
    bool fileFound = true; // false: every key took its default
    // Not empty: the file cannot be a setup file (the message names it and why); nothing was
    // loaded and the current setup stays, under its own name.
    QString refusal;
    bool refusedByRunState = false; // the refusal is the run state's: stop the deposition first
    int cardSettingsError = 0; // error number of the refused card settings (SendInit), 0 = taken
    QString cardSettingsMessage;
    QList<QPair<int, QString>> classErrors; // every class error raised while loading, in order
    QStringList notices;                    // messages shown to the operator while loading
    // Values outside their field's limits that took the field's default, one line each.
    QStringList replacedValues;
};

class Deposition : public QObject {
    Q_OBJECT
public:
    // Works with the program's instrument object, which must outlive it. Listens to the
    // instrument's events from here on; loads nothing (call OpenSetup).
    explicit Deposition(cTLV880a& instrument, QObject* parent = nullptr);
    ~Deposition() override;

    Deposition(const Deposition&) = delete;
    Deposition& operator=(const Deposition&) = delete;

    // ---- state ----
    cTLV880a& Instrument() { return m_tlv; }
    const cTLV880a& Instrument() const { return m_tlv; }
    // The records, for every view to read; they change through the commands below only.
    const ProcessTables& Tables() const { return m_tables; }
    // The records to write, for tests that set a state up without a setup file. No view, mode
    // or client uses it.
    ProcessTables& TablesForTesting() { return m_tables; }
    const ReadingArrays& Readings() const { return m_readings; }
    // How far each output under rate control is from its setpoint in force, against the rate
    // tolerance, as of the last reading (none while the deposition is not running).
    const OutputDeviations& Deviations() const { return m_deviations; }
    // The life of every crystal, kept in "crystals.csv" in the program's folder.
    CrystalHistory& History() { return *m_history; }
    // The alarms of the process (DepositionAlarms.h).
    DepositionAlarms& Alarms() { return *m_alarms; }
    const DepositionAlarms& Alarms() const { return *m_alarms; }
    short RunState() const { return m_runState; }
    // The time (seconds since midnight) of the latest reading event, -1 before the first.
    double ReadingTime() const { return m_readingTime; }

    // What the installed cards have. A present output exists on the cards (any shown output
    // without a card); sensors and analog inputs likewise.
    bool IsPresentOutput(int j) const;
    bool IsPresentSensor(int s) const;
    bool IsPresentAnalog(int a) const;
    QList<int> PresentOutputs() const; // of 0..3, 12, 13
    QList<int> PresentSensors() const; // of 0..7 (the configured sensors)
    bool Simulating() const;           // the class measures simulated crystals
    int StartupResult() const;         // the library's start-up result (0, 904, 906, ...)
    QString StartupText() const;       // its message, empty for 0

    // Setpoints and mode of output j as the window shows them.
    int Mode(int j) const;
    double RateSetpoint(int j) const; // display units (see Setpoint::Rate)
    double ThicknessSetpoint(int j) const;
    double ManualPower(int j) const;
    // The sensor bits (0..23) that measure output j now: its own, or its backup's once the
    // backup took over in this run.
    int SensorBits(int j) const;
    bool BackupTookOver(int j) const { return IsShownOutput(j) && m_backups.TookOver(j); }
    // The tooling (%) sensor s measures with: the backup tooling of the output it backs up when
    // one is set, else its own record's.
    double SensorTooling(int s) const;
    // The rate setpoint (Å/s) a rate loop on crystals holds output j to, NaN when none does: the
    // output is not in Auto, is fed by an analog input (its setpoint is in the input's units) or
    // follows another output's rate (cross-rate: its setpoint is a ratio).
    double CrystalRateSetpoint(int j) const;
    // Recorder output of output j in %, not clamped, from the latest readings.
    double RecorderValue(int j) const;

    // The current setup file (name only, in the program's folder).
    QString SetupFileName() const { return m_setupFile; }
    // The latest class error, refusal or notice text (for a status line), and its cause: "halt"
    // for a trip's halt message (gone once the next run starts), else empty.
    QString LastStatusText() const { return m_lastStatus; }
    QString LastStatusCause() const { return m_lastStatusCause; }
    // Data lines of the current run that could not be written, and the first failure's cause.
    int LogLinesLost() const { return m_logLinesLost; }
    QString FirstLogFailure() const { return m_firstLogFailure; }

    // ---- run state ----
    CommandResult Start(); // stopped -> running; zeroes sensors and outputs, starts the log
    CommandResult Stop();  // running or held -> stopped; every present output to power 0
    // Stop for another reason than the operator's (a time limit, an error).
    CommandResult StopFor(StopReason reason);
    CommandResult Hold();   // running -> held
    CommandResult Resume(); // held -> running; thickness not zeroed
    // The two run buttons of the window: start/stop, and hold/resume (nothing while stopped).
    CommandResult PressStartStop();
    CommandResult PressHoldResume();
    // Enters a run state directly (0, 1 or 2), as the window's buttons and the trips do. A stop
    // this way is the operator's.
    void SetRunState(short state);

    // ---- zeroing (never changes the run state) ----
    CommandResult ZeroOutput(int j);
    CommandResult ZeroSensor(int s); // s = 0..23
    void ZeroAll();                  // outputs 0..3, 12, 13, then sensors 0..23

    // ---- outputs ----
    CommandResult SetMode(int j, int mode); // ChannelMode: 0 Off, 1 Record, 2 Manual, 3 Auto
    CommandResult SetRateSetpoint(int j, double value);
    CommandResult SetThicknessSetpoint(int j, double kA);
    CommandResult SetManualPower(int j, double percent);
    // Open-loop power: the output goes to Manual at this power (sent at once while running).
    CommandResult SetOpenLoopPower(int j, double percent);
    // Same as the Set* above for any Setpoint; `text` as typed (refused when not a number).
    CommandResult EnterSetpoint(int j, Setpoint which, const QString& text);
    // Sends one output's sensor or analog mapping, full scale and (running in Auto) loop terms.
    void ApplyOutputSetup(int j);
    // The loop terms of output j, checked against the output editor's limits with its messages,
    // stored and sent as the editor's Apply does.
    CommandResult SetLoopTerms(int j, double p, double i, double d);

    // ---- loop tuning (tuning/TuningRun.h) ----
    TuningRun& Tuning() { return *m_tuning; }
    const TuningRun& Tuning() const { return *m_tuning; }

    // ---- the editors' commands (ProcessEdits.h); each tells the views once ----
    // The output whose loop sensor s (0..23) or analog input a (0..3) feeds on the card, -1 none.
    int SensorOwner(int s) const;
    int AnalogOwner(int a) const;
    // The output editor's OK: film, loop terms, scale, cross output, backup and inputs of
    // output j. Sensors and an analog input another output had are taken from it, so that each
    // feeds one loop. Refused, changing nothing, for a backup that already feeds the film.
    CommandResult EditOutput(int j, const OutputEdit& edit);
    // What EditOutput would refuse `edit` with, before the editor asks anything.
    CommandResult CheckOutputEdit(int j, const OutputEdit& edit) const;
    // The input editor's OK: every analog record and the present sensors' records and films.
    CommandResult EditInputs(const InputsEdit& edit);
    // The card setup's OK: the log and the card settings (sent to the card).
    CommandResult EditCard(const CardEdit& edit);
    // The recorder editor's OK: the card lets go of the inputs the output's loop had first;
    // Failed, the record unchanged, when it keeps one.
    CommandResult EditRecorder(int j, const RecorderEdit& edit);

    // ---- film materials of the sensors; announced by inputsChanged ----
    // The material table films are named from (the program's, unless a test gave another; it
    // must outlive the process).
    const tlv::MaterialTable& Materials() const;
    void setMaterials(const tlv::MaterialTable& table) { m_materials = &table; }
    // Sets the film of configured sensor s (0..7): density, Z-factor and tooling, with the name
    // of the material they were picked as (empty: typed by hand, or none). Refused for a sensor
    // the cards do not have or a value outside the class's limits. A sensor that feeds no loop
    // gets the material on the card at once; one that feeds a loop keeps the card's until the
    // setup is loaded again, as the input editor has always done.
    CommandResult SetSensorFilm(int s, double density, double zFactor, double tooling,
                                const QString& material);
    // The same with the density and Z-ratio of the material of that name in Materials(); the
    // tooling stays. Refused (OutOfRange) for a name the table does not have.
    CommandResult SetSensorMaterial(int s, const QString& name);
    // The film of a recipe layer: every configured sensor that feeds output j takes the material
    // of that name, sent to the card at once (the layer is measured with it from its start),
    // its tooling kept. Refused for an output that is not present or a name the table lacks.
    CommandResult SetOutputMaterial(int j, const QString& name);

    // ---- program flags (the window's Options menu); announced by cardChanged ----
    // Class errors and health events shown as message boxes, besides the status line.
    void SetShowErrors(bool show);
    // The cross-rate function: an output with a cross output follows that output's rate.
    // Switched off while running, such loops return to their own rate setpoint at once.
    void SetCrossRate(bool on);
    // The rate tolerance of every output (the Options menu's Rate Tolerance form): refused with
    // the form's message when it cannot be used; announced by cardChanged, saved with the setup.
    CommandResult SetRateTolerance(const tlv::RateTolerance& tolerance);

    // ---- setup files ----
    // Whether making a setup file current also remembers it in the user's settings for the next
    // start (on by default; an unattended run leaves the user's settings alone).
    void setRemembersSetupFile(bool remember) { m_remembersSetupFile = remember; }
    // Loads a setup file of the program's folder as File Open does; an empty name does nothing.
    // Refused (refusedByRunState) while a deposition runs or is held, for every caller alike.
    SetupLoadResult OpenSetup(const QString& name);
    // Whether a setup file may be opened now; the refusal's text otherwise.
    CommandResult CanOpenSetup() const;
    // Writes the setup to a file of the program's folder as Save As does (and the closing
    // question's Yes). Failed with the window's message when nothing or not all was written.
    CommandResult SaveSetup(const QString& name);

public slots:
    // Handlers of the instrument's events (connected at construction; public for tests).
    void TLVReading(const SensorArray& sensors, const OutputArray& outputs, double time);
    void TLVAnalog(const AnalogArray& analog, double time);
    void TLVError(int number, const QString& message);
    void TLVSensorEvent(int code, const QString& message, int sensor);
    void TLVOutputEvent(int code, const QString& message, int output);

signals:
    // ---- process ----
    void runStateChanged(short state, short previous);
    // After each reading event has been handled: every value of Readings() is the new one.
    void readingTaken(const coflux::ReadingArrays& readings, double time);
    // After each analog event has been handled (AnVolts are the new ones).
    void analogTaken(const coflux::ReadingArrays& readings, double time);
    // A thickness or voltage setpoint stopped the deposition (the run state is already 0).
    // Comes once the handler that tripped has returned.
    void tripped(const QString& message);
    // A running or held deposition stopped, and why; `message` is the halt message of a trip
    // or a setpoint, else empty. Emitted at once, after runStateChanged.
    void runStopped(coflux::StopReason reason, const QString& message);
    // Thickness of output j was zeroed (the window shows "0.000").
    void thicknessZeroed(int output);
    // Every sensor of output j failed and `backup` took over its loop ("Sensor 5 takes over
    // from sensor 1 on Silver."); emitted from a queued call, after the poll.
    void backupTookOver(int output, int backup, const QString& message);

    // ---- configuration ----
    void modeChanged(int output, int mode);
    void setpointChanged(int output, coflux::Setpoint which);
    void outputChanged(int output); // name, input or other settings of the output
    void inputsChanged();           // sensor or analog-input records
    void cardChanged();             // card settings or program flags
    void setupLoaded(const QString& name);
    void setupFileChanged(const QString& name); // the current setup file's name

    // ---- messages ----
    // Something the operator must be told, from the command that caused it (setup file not
    // found, read-only, not written).
    void notice(const QString& text, coflux::NoticeLevel level);
    void classError(int number, const QString& message);
    void sensorEvent(int code, const QString& message, int sensor);
    void outputEvent(int code, const QString& message, int output);
    // A data line could not be written: the log file, why, and lines lost in this run so far.
    void logLineLost(const QString& file, const QString& cause, int lostInRun);
    // The latest class error, refusal or notice, for a status line.
    void statusText(const QString& text);
    // The cause of the latest status text has gone ("halt": the next run started).
    void statusCleared(const QString& cause);

private:
    // DepositionEvents.cpp
    void Trip(StopReason reason, const QString& message);
    void RecordReading(const SensorArray& sensors, const OutputArray& outputs);
    void DriveOutputOnReading(int j);
    void FollowDeviations(double time);
    // DepositionBackup.cpp
    void TakeOverFailedOutputs();
    bool AllSensorsFailed(int bits);
    void SendBackupTooling();
    // DepositionLog.cpp
    void StartLog();
    void WriteLogLine(const QString& line);
    // Deposition.cpp
    void EnterStopped();
    void EnterHeld();
    void EnterRunning(bool starting);
    void ApplyMode(int j, int mode); // what entering a mode does while running
    CommandResult CheckOutput(int j) const;
    CommandResult Refuse(CommandResult::Status status, const QString& text);
    // Hold and Resume: from one run state to another, refused with `refusal` from any other.
    CommandResult MoveRunState(short from, short to, const QString& refusal);
    // Announce changed records to the views.
    void OutputEdited(int j); // name, input, terms, scale of output j changed
    void InputsEdited();      // sensor or analog records changed
    void CardEdited();        // card settings or program flags changed
    // The output editor's input rules: output j takes the sensors (bits) or the analog input.
    void AssignSensors(int j, int sensors);
    void AssignAnalog(int j, int analog, int sensors);
    void SetStatus(const QString& text, const QString& cause = QString());
    void SetSetupFileName(const QString& name);
    // DepositionSetup.cpp
    void ReportReplacedValues(const QString& name, const QStringList& replaced,
                              SetupLoadResult& result);

    cTLV880a& m_tlv;
    ProcessTables m_tables;
    ReadingArrays m_readings;
    BackupSensors m_backups;
    OutputDeviations m_deviations;
    CrystalHistory* m_history = nullptr;              // a child of this object
    DepositionAlarms* m_alarms = nullptr;             // a child of this object
    std::array<double, kOutputSlots> m_manualPower{}; // the manual power setpoints, %
    short m_runState = RunStopped;
    // Why the next stop happens; the operator's unless a trip or StopFor says otherwise.
    StopReason m_stopReason = StopReason::Operator;
    QString m_stopMessage;
    double m_readingTime = -1;
    QString m_logLine; // the data line being assembled during one reading cycle
    QString m_setupFile;
    QString m_lastStatus;
    QString m_lastStatusCause;
    int m_logLinesLost = 0;
    QString m_firstLogFailure;
    SetupLoadResult* m_loading = nullptr; // collects class errors while a setup loads
    bool m_remembersSetupFile = true;
    std::unique_ptr<TuningRun> m_tuning;
    const tlv::MaterialTable* m_materials = nullptr; // nullptr: the program's table
};

} // namespace coflux

Q_DECLARE_METATYPE(coflux::ReadingArrays)
Q_DECLARE_METATYPE(coflux::Setpoint)
Q_DECLARE_METATYPE(coflux::NoticeLevel)
Q_DECLARE_METATYPE(coflux::StopReason)
