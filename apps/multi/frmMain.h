#pragma once
// tlvmulti's main window: live readings of up to six cards and one panel per group of card
// settings, each sent to one channel, one card, the same channel on every card, or everything.
//
// The window shows the card console (CardConsole: the program's one instrument object, the
// stored configuration and every send) and forwards the operator's commands to it with the texts
// of its panels; the console reads the numbers, sends and stores. The configuration is saved to
// "tlvmulti.INI" in the program's folder when the window closes.

#include "CardConsole.h"
#include "frmSensorMap.h"

#include "common/StatusLine.h"
#include "instrument/cTLV880a.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <vector>

namespace tlv {
class AlarmPanel;
} // namespace tlv

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tlv {
class MaterialPicker;
} // namespace tlv

namespace multi {

// The instrument's error number for a card library (or one of its calls) that cannot be found.
inline constexpr int kLibraryMissingError = 98;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Creates the instrument object itself (the normal program).
    explicit frmMain(QWidget* parent = nullptr);
    // Uses the given instrument object (tests bind it to a replaceable library); takes ownership.
    explicit frmMain(std::unique_ptr<cTLV880a> instrument, QWidget* parent = nullptr);
    ~frmMain() override;

    CardConsole& Console() { return *m_console; }
    cTLV880a& TLV880() { return m_console->Instrument(); }
    const MultiSetup& Setup() const { return m_console->Setup(); }
    bool SensorView() const { return m_sensorView; }
    // The sensor-map dialog while it is open, else null.
    frmSensorMap* SensorMapDialog() const { return m_sensorMap; }

    // Sends a sensor-to-output map (24 entries, -1 = none) and stores it in the sensor table.
    void MapSensors(const SensorMap& sensMap);

    // Read and write the settings file of that name in the program's folder. A file that is not
    // a settings file of this program is named in a message, the defaults are used and it is
    // never written over; stored numbers outside their limits are named once, at reading.
    void IniRead(const QString& file);
    void IniWrite(const QString& file);

    // The status line: the latest instrument error or refusal, whatever ShowErrors says.
    tlv::StatusLine& StatusLine() { return *m_statusLine; }

public slots:
    void TLV880_TLVReading(const SensorArray& sensors, const OutputArray& outputs, double time);
    void TLV880_TLVError(int errNum, const QString& errText);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormLoad();
    void CardDetection();
    void BuildControls();
    QGroupBox* BuildInitFrame();
    QGroupBox* BuildSensorFrame();
    QGroupBox* BuildPowerFrame();
    QGroupBox* BuildCardFrame(int card);
    void ConnectControls();

    // commands
    void cmdInit_Click();
    void cmdMaterial_Click();
    void cmdFullScale_Click();
    void cmdLoop_Click();
    void optPower_Click(int index);
    void cmdPower_Click();
    void cmdZero_Click();
    void cmdMap_Click();
    void cmdDoIt_Click();
    void optSimulate_Click(int index);
    void cmdRead_Click();
    void cmdDisplay_Click();
    void SensorSelection_Change();
    void OutputSelection_Change();

    // What the panels hold, as the console takes it.
    ChannelChoice SensorChoice() const;
    ChannelChoice OutputChoice() const;
    CardSettings CardPanel() const;
    PowerPanel PowerPanelShown() const;
    void ShowStatus(QPushButton* button, int status);
    void ShowWarning(const QString& text);
    void ApplyDisplayMode();
    void ClearReadings();
    int NumCards() const;

    std::unique_ptr<CardConsole> m_console;
    bool m_sensorView = true;
    bool m_libraryMissingShown = false;
    tlv::StatusLine* m_statusLine = nullptr;
    tlv::AlarmPanel* m_alarmPanel = nullptr; // the console's alarms, docked at the bottom
    QPointer<frmSensorMap> m_sensorMap;

    // Card Settings
    std::array<QRadioButton*, 2> optSimulate{};
    QLabel* lblSim = nullptr; // "SIMULATE" while the readings are simulated
    QButtonGroup* m_simulateGroup = nullptr;
    std::array<QLineEdit*, 5> txtInit{};
    QPushButton* cmdInit = nullptr;
    // Sensor Settings
    std::array<QComboBox*, 2> lstCard{};
    QComboBox* lstSensor = nullptr;
    std::array<QLineEdit*, 3> txtMaterial{};
    // Fills txtMaterial(0) and (1) from a film material; shows the one they match.
    tlv::MaterialPicker* cboMaterial = nullptr;
    QPushButton* cmdMaterial = nullptr;
    QPushButton* cmdZero = nullptr;
    QPushButton* cmdMap = nullptr;
    // Output Settings
    QComboBox* lstOutputs = nullptr;
    std::array<QLineEdit*, 3> txtFullScale{};
    QPushButton* cmdFullScale = nullptr;
    std::array<QLineEdit*, 4> txtLoop{};
    QPushButton* cmdLoop = nullptr;
    std::array<QRadioButton*, 2> optPower{};
    QButtonGroup* m_powerGroup = nullptr;
    QLineEdit* txtPower = nullptr;
    QPushButton* cmdPower = nullptr;
    // readings, four rows per card
    std::array<QGroupBox*, kMaxCards> fraCard{};
    std::array<QLabel*, kMaxCards> lblFreq{};
    std::array<QLabel*, kSensorCount> lblThickRdg{};
    std::array<QLabel*, kSensorCount> lblRateRdg{};
    std::array<QLabel*, kSensorCount> lblFreqRdg{};
    std::array<QLabel*, kSensorCount> lblDevRdg{};
    std::array<QLabel*, kSourceOutputs> lblPowerRdg{};
    QPushButton* cmdRead = nullptr;
    QPushButton* cmdDisplay = nullptr;
    QPushButton* cmdDoIt = nullptr;
};

} // namespace multi
