#pragma once
// The process of tlvmonitor, with no widget in it: the program-wide settings, the setup file,
// the run state, the poll of the newest readings (its own timer tmrRun, not the instrument's
// reading events), the log and publishing. The window, the remote target and the tests drive
// the same commands; the core reports through its signals and never asks the operator itself.

#include "MonitorSettings.h"
#include "ReadingCells.h"

#include "common/alarms/AlarmConditions.h"
#include "common/alarms/ProgramAlarms.h"
#include "instrument/cTLV880a.h"

#include <QObject>
#include <QTime>
#include <QTimer>

#include <vector>

namespace tlv::mqtt {
class MqttPublisher;
struct PublishOptions;
} // namespace tlv::mqtt

namespace monitor {

// How a notice of the core is to be shown to the operator.
enum class NoticeKind { Information, Warning };

// One of the three material boxes of a sensor's row.
enum class MaterialField { Density, Tooling, ZFactor };

// What an entered material value came to.
struct MaterialEntry {
    QString refusal;      // empty when accepted, else the message naming the limits
    QString text;         // the text the box shows from now on (as typed when only re-worded)
    bool changed = false; // a new value was stored
};

// The material texts of the rows as the window's boxes show them (empty: the stored one).
struct ShownMaterials {
    std::array<QString, kMaxSensors> density;
    std::array<QString, kMaxSensors> tooling;
    std::array<QString, kMaxSensors> zFactor;
};

// The settings the setup form takes over at OK.
struct SetupChange {
    double period = 0.25;
    double maxFreq = 6000000.0;
    double minFreq = 4000000.0;
    double initFreq = 5000000.0;
    int filter = 1;
    short logEnabled = 0;
    QString logFile;
    short onTop = 0;
    int sensorsShown = 4;
    DisplayMode display = DisplayMode::Thickness;
};

// One display refresh: the cell texts of the displayed sensors at that time.
struct Refresh {
    QTime at;
    std::vector<SensorCells> cells; // sensor 0 first
};

class MonitorCore : public QObject {
    Q_OBJECT
public:
    // `instrument` is the program's instrument object (monitor build); not owned, it must
    // outlive the core.
    explicit MonitorCore(cTLV880a& instrument, QObject* parent = nullptr);
    ~MonitorCore() override;

    const MonitorSettings& Settings() const { return m_settings; }
    cTLV880a& Instrument() { return m_tlv; }
    const cTLV880a& Instrument() const { return m_tlv; }
    int RunState() const { return m_settings.runState; }
    // The sensor readings of the newest poll (rate Å/s, thickness Å, frequency Hz).
    const SensorArray& LatestReadings() const { return m_readings; }
    QTimer& RunTimer() { return m_tmrRun; }
    const QTimer& RunTimer() const { return m_tmrRun; }

    // --- the setup file (MonitorCoreSetup.cpp)
    // Start-up: reads the remembered setup file, else "tlvmonitor.dat"; a refused file leaves
    // the defaults in force (sent to the instrument) and stays the one named.
    void LoadStartupSetup();
    // Reads the setup file of that name in the program's folder and sends it to the
    // instrument. False when the file is refused (a notice names it; the current setup stays).
    bool IniRead(const QString& file);
    // Sends the settings held to the instrument.
    void ApplySettings();
    // Writes the settings to the setup file of that name in the program's folder, the material
    // texts as `shown` holds them where it holds one; false when nothing or not everything
    // could be written (a notice says why).
    bool IniWrite(const QString& file, const ShownMaterials& shown = {});
    // The full path of a setup file of that name (setup files live in the program's folder).
    static QString SetupFilePath(const QString& file);

    // --- settings commands (MonitorCoreSetup.cpp)
    // Checks a value typed into a material box against the instrument's limits; while
    // measuring an accepted value is sent at once. A new value is stored in its format, marks
    // the setup as changed and names the film material it matches (or none).
    MaterialEntry EnterMaterial(int sensor, MaterialField field, const QString& typed);
    // The film material a sensor's numbers were picked as (a label only).
    void NameMaterial(int sensor, const QString& name);
    // The setup form's OK: sends period and crystal window, takes every setting over and marks
    // the setup as changed. Returns the instrument's refusal of the card settings (the period
    // and window then stay as they were), else an empty text.
    QString ApplySetup(const SetupChange& change);
    // Shows thickness or mass from the next refresh on.
    void SetDisplayMode(DisplayMode mode);

    // --- measuring (MonitorCore.cpp)
    // 0 stops polling; 1 sends the materials, starts measuring, zeroes all and polls; other
    // values are ignored.
    void SetRunState(int state);
    // Stops the poll and leaves the run state as it is: the program is closing.
    void StopPolling() { m_tmrRun.stop(); }
    void ZeroAll();
    void ZeroSensor(int sensor);
    // One tick of tmrRun: the newest reading is taken (older ones waiting are dropped), shown,
    // logged and published.
    void Poll();
    // Formats the newest reading of every displayed sensor, logs it and reports it (refreshed).
    void ShowReadings();
    // The full path of the log file: a name without a folder lies in the program's folder.
    QString LogFilePath() const;

    // --- alarms: a crystal failing in the readings shown (three in a row), until it reads again
    // or is no longer read; the log "tlvmonitor-alarms.log" beside the data log.
    tlv::ProgramAlarms& Alarms() { return m_alarms; }
    const tlv::ProgramAlarms& Alarms() const { return m_alarms; }

    // --- publishing (MonitorCorePublishing.cpp)
    // Publishes readings, run state and events to the broker the options name (started again
    // when called again). False when the options cannot work; the program runs on without.
    bool StartPublishing(const tlv::mqtt::PublishOptions& options);
    // Null until publishing was started.
    tlv::mqtt::MqttPublisher* Publisher() const { return m_publisher; }

signals:
    void runStateChanged(int state);
    void setupFileChanged(const QString& name);
    void refreshed(const monitor::Refresh& refresh);
    // A message for the operator (a message box in the window).
    void notice(const QString& text, monitor::NoticeKind kind);
    // A refusal the status line keeps in view.
    void statusNotice(const QString& text);
    // Publishing was set up, before it first tries to reach the broker.
    void publisherCreated(tlv::mqtt::MqttPublisher* publisher);

private:
    void MakeCurrent(const QString& file);
    void SendMaterials(int sensor);
    void AppendLog(const QString& line);
    void PublishState();
    void PublishReadings();

    cTLV880a& m_tlv;
    MonitorSettings m_settings;
    SensorArray m_readings{};
    OutputArray m_outputReadings{};
    QTimer m_tmrRun;
    tlv::mqtt::MqttPublisher* m_publisher = nullptr; // child; null while not publishing
    tlv::ProgramAlarms m_alarms;
    tlv::CrystalReadingAlarms m_crystals;

    bool m_showing = false;   // ShowReadings is running; a refresh never nests in another
    bool m_logBroken = false; // the log could not be appended to during this run
    bool m_zeroing = false;   // ZeroAll is discarding old readings
};

// Parses a material text as the instrument takes it (0 when it is no number).
double MaterialNumber(const QString& text);

} // namespace monitor
