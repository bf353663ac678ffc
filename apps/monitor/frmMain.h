#pragma once
// tlvmonitor's main window: the readings grid of up to 24 sensors, the material boxes beside its
// rows, Start/Stop and Zero, the menus and the status bar.
//
// The window shows the monitor's core (MonitorCore: settings, setup file, run state, poll, log
// and publishing) and forwards the operator's commands to it; it never writes the core's state.
// Unless one is handed in, it creates and owns the core and the program's one instrument object
// (monitor build).

#include "MonitorCore.h"

#include "common/EntryGuard.h"
#include "instrument/cTLV880a.h"

#include <QMainWindow>
#include <QPointer>

#include "common/StatusLine.h"
#include <array>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

namespace tlv {
class AlarmPanel;
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

// The readings grid: the sensor heads, four reading columns, and what each crystal has left.
inline constexpr int kGridColumns = 6;
inline constexpr int kLifeLeftColumn = 5;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Shows `core` (not owned; it must outlive the window).
    explicit frmMain(MonitorCore& core, QWidget* parent = nullptr);
    // Creates and owns a core over `instrument` (not owned); null lets the window create and
    // own the instrument too (monitor build).
    explicit frmMain(cTLV880a* instrument = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: the remembered setup file (else "tlvmonitor.dat"), layout, position, stopped.
    void Form_Load();

    // Builds grid, material boxes and zero list for the core's current settings.
    void InitForm();
    // The core's setup file commands (MonitorCore); writing saves what the boxes show.
    bool IniRead(const QString& file) { return m_core->IniRead(file); }
    void ApplySettings() { m_core->ApplySettings(); }
    bool IniWrite(const QString& file);
    // 0 stops polling, 1 sends the materials, starts measuring and polling; others are ignored.
    void SetRunState(int state) { m_core->SetRunState(state); }
    // Refreshes the grid from the newest reading (and the core logs it).
    void ShowReadings() { m_core->ShowReadings(); }
    // Checks a material box; any other control is valid.
    void CheckEntry(QWidget* control, bool& valid);

    MonitorCore& Core() { return *m_core; }
    const MonitorCore& Core() const { return *m_core; }
    const MonitorSettings& Settings() const { return m_core->Settings(); }
    cTLV880a& Instrument() { return m_core->Instrument(); }
    const cTLV880a& Instrument() const { return m_core->Instrument(); }
    // The sensor readings of the newest poll (rate Å/s, thickness Å, frequency Hz).
    const SensorArray& LatestReadings() const { return m_core->LatestReadings(); }
    // The status line: the latest instrument error or refusal, and setup files refused.
    tlv::StatusLine& StatusLine() { return *m_statusLine; }
    const QTimer& RunTimer() const { return m_core->RunTimer(); }
    // Starts the core's publishing; the status bar shows the connection.
    bool StartPublishing(const tlv::mqtt::PublishOptions& options);
    // Null until publishing was started.
    tlv::mqtt::MqttPublisher* Publisher() { return m_core->Publisher(); }
    static QString SetupFilePath(const QString& file) { return MonitorCore::SetupFilePath(file); }
    QString LogFilePath() const { return m_core->LogFilePath(); }

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
    struct OwnedCore {
        std::unique_ptr<cTLV880a> instrument;
        std::unique_ptr<MonitorCore> core;
    };
    static OwnedCore MakeCore(cTLV880a* instrument);
    frmMain(OwnedCore owned, QWidget* parent);
    void Build();
    void ConnectCore();
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
    // The check of a material box: empty when accepted by the core, else the message.
    QString CheckMaterialBox(QLineEdit& box);
    int SensorOfBox(const QObject* box) const;
    void BuildStatusBar();
    // The core's reports (frmMain_run.cpp).
    void ShowRunState(int state);
    void ShowRefresh(const Refresh& refresh);
    void ShowNotice(const QString& text, NoticeKind kind);

    std::unique_ptr<cTLV880a> m_ownInstrument; // set when the window made the instrument
    std::unique_ptr<MonitorCore> m_ownCore;    // set when the window made the core
    MonitorCore* m_core = nullptr;
    tlv::StatusLine* m_statusLine = nullptr;
    tlv::AlarmPanel* m_alarmPanel = nullptr; // the core's alarms, docked at the bottom

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
    QLabel* m_lblSim = nullptr; // "SIMULATE" while no card measures
    QMenu* m_mnuFile = nullptr;
    QMenu* m_mnuView = nullptr;
    QPointer<frmSetup> m_setupForm;
    tlv::EntryGuard* m_entries = nullptr; // the material boxes' checks
    QPointer<QWidget> m_aboutForm;
    tlv::mqtt::PublishStatusLabel* m_lblPublish = nullptr;

    DisplayMode m_headsShown = DisplayMode::Thickness;
};

} // namespace monitor
