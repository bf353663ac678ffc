#pragma once
// tlvmonitor's main window: the readings grid of up to 24 sensors, the material boxes beside its
// rows, Start/Stop and Zero, the menus, the setup file and the log.
//
// The window polls the instrument with its own timer (tmrRun) instead of the instrument's reading
// events. It owns the program-wide settings and, unless one is handed in, the program's one
// instrument object (monitor build), which the setup form shares through Instrument().

#include "MonitorSettings.h"
#include "ReadingCells.h"

#include "common/EntryGuard.h"
#include "instrument/cTLV880a.h"

#include <QMainWindow>
#include <QPointer>

#include "common/StatusLine.h"
#include <QTimer>
#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

namespace tlv {
class MaterialPicker;
struct Material;
} // namespace tlv

namespace tlv::mqtt {
class MqttPublisher;
class PublishStatusLabel;
struct PublishOptions;
} // namespace tlv::mqtt

namespace monitor {

class frmSetup;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // `instrument` is the program's instrument object, not owned; null lets the window create
    // and own one (monitor build).
    explicit frmMain(cTLV880a* instrument = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: the remembered setup file (else "tlvmonitor.dat"), layout, position, stopped.
    void Form_Load();

    // Builds grid, material boxes and zero list for the current settings.
    void InitForm();
    // Reads the setup file of that name in the program's folder and sends it to the instrument.
    // False when the file is refused (a message names it; the current setup stays).
    bool IniRead(const QString& file);
    // Sends the settings held (m_settings) to the instrument.
    void ApplySettings();
    // Writes the settings to the setup file of that name in the program's folder; false when
    // nothing or not everything could be written (the operator has been told).
    bool IniWrite(const QString& file);
    // 0 stops polling, 1 sends the materials, starts measuring and polling; others are ignored.
    void SetRunState(int state);
    // Fills the grid from the newest reading and appends the log lines.
    void ShowReadings();
    // Checks a material box; any other control is valid.
    void CheckEntry(QWidget* control, bool& valid);

    MonitorSettings& Settings() { return m_settings; }
    const MonitorSettings& Settings() const { return m_settings; }
    cTLV880a& Instrument() { return *m_tlv; }
    const cTLV880a& Instrument() const { return *m_tlv; }
    // The sensor readings of the newest poll (rate Å/s, thickness Å, frequency Hz).
    const SensorArray& LatestReadings() const { return m_readings; }
    // The status line: the latest instrument error or refusal, and setup files refused.
    tlv::StatusLine& StatusLine() { return *m_statusLine; }
    QTimer& RunTimer() { return m_tmrRun; }
    // Publishes readings, run state and events to the broker the options name (started again
    // when called again). False when the options cannot work; the window runs on without.
    bool StartPublishing(const tlv::mqtt::PublishOptions& options);
    // Null until publishing was started.
    tlv::mqtt::MqttPublisher* Publisher() { return m_publisher; }
    // The full path of a setup file of that name (setup files live in the program's folder).
    static QString SetupFilePath(const QString& file);
    // The full path of the log file: a name without a folder lies in the program's folder.
    QString LogFilePath() const;

public slots:
    void tmrRun_Timer();
    void cmdFSwitch_Click(int index);
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuExit_Click();
    void mnuViewSetup_Click();
    void mnuAbout_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    QLineEdit* CreateMaterialBox(const QString& name, int sensor, const QString& toolTip);
    void RemoveMaterialBoxes(int sensor);
    // The row's material picker (cboMaterial_s) beside its boxes (frmMain_entry.cpp).
    void CreateMaterialPicker(int sensor);
    void MaterialPicked(int sensor, const tlv::Material& material);
    void ShowRowMaterial(int sensor);
    void PlaceControls();
    void FillGridHeads();
    bool ValidateActiveControl();
    // The check of a material box: empty when accepted (then sent and stored), else the message.
    QString CheckMaterialBox(QLineEdit& box);
    int SensorOfBox(const QObject* box) const;
    double BoxNumber(const QLineEdit* box) const;
    void AppendLog(const QString& line);
    void ZeroAllSensors();
    void BuildStatusBar();
    void PublishState();
    void PublishReadings();

    MonitorSettings m_settings;
    cTLV880a* m_tlv = nullptr;
    bool m_ownsInstrument = false;
    tlv::StatusLine* m_statusLine = nullptr;

    SensorArray m_readings{};
    OutputArray m_outputReadings{};

    QTableWidget* m_grdReading = nullptr;
    std::array<QLabel*, 3> m_lblInit{};
    std::array<QPointer<QLineEdit>, kMaxSensors> m_txtDensity{};
    std::array<QPointer<QLineEdit>, kMaxSensors> m_txtTooling{};
    std::array<QPointer<QLineEdit>, kMaxSensors> m_txtZFactor{};
    std::array<QPointer<tlv::MaterialPicker>, kMaxSensors> m_cboMaterial{};
    QLabel* m_lblMaterial = nullptr;
    QPushButton* m_cmdStart = nullptr; // cmdFSwitch(0)
    QPushButton* m_cmdZero = nullptr;  // cmdFSwitch(2)
    QComboBox* m_cboZeroSensor = nullptr;
    QMenu* m_mnuFile = nullptr;
    QMenu* m_mnuView = nullptr;
    QTimer m_tmrRun;
    QPointer<frmSetup> m_setupForm;
    tlv::EntryGuard* m_entries = nullptr; // the material boxes' checks
    QPointer<QWidget> m_aboutForm;
    tlv::mqtt::MqttPublisher* m_publisher = nullptr; // child; null while not publishing
    tlv::mqtt::PublishStatusLabel* m_lblPublish = nullptr;

    bool m_showing = false;   // ShowReadings is running; a refresh never nests in another
    bool m_logBroken = false; // the log could not be appended to during this run
    bool m_zeroing = false;   // ZeroAll is discarding old readings
    DisplayMode m_headsShown = DisplayMode::Thickness;
};

} // namespace monitor
