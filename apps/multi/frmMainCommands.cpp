// The send commands of the main window. Each walks its target set in ascending order, stops at
// the first call that fails, stores what the panel held in the rows of the target set and shows
// the outcome by its button's colour.

#include "frmMain.h"

#include "FormHelpers.h"
#include "frmSensorMap.h"

#include "common/DialogService.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <climits>
#include <cmath>

namespace multi {

namespace {

// Status of a command whose entry was not a number: nothing was sent, so the command failed.
constexpr int kBadEntry = 1;

// Sends to each target in ascending order and stops at the first one refused (status above 0).
// Returns the last status: 0 when every send was accepted or there was no target.
template <typename Send> int SendEach(const std::vector<int>& targets, Send send)
{
    int status = 0;
    for (int target : targets) {
        status = send(static_cast<short>(target));
        if (status > 0) break;
    }
    return status;
}

// Channels 0 .. count - 1.
std::vector<int> FirstChannels(int count)
{
    std::vector<int> channels;
    for (int i = 0; i < count; ++i)
        channels.push_back(i);
    return channels;
}

} // namespace

void frmMain::ConnectControls()
{
    connect(cmdInit, &QPushButton::clicked, this, &frmMain::cmdInit_Click);
    connect(cmdMaterial, &QPushButton::clicked, this, &frmMain::cmdMaterial_Click);
    connect(cmdFullScale, &QPushButton::clicked, this, &frmMain::cmdFullScale_Click);
    connect(cmdLoop, &QPushButton::clicked, this, &frmMain::cmdLoop_Click);
    connect(cmdPower, &QPushButton::clicked, this, &frmMain::cmdPower_Click);
    connect(cmdZero, &QPushButton::clicked, this, &frmMain::cmdZero_Click);
    connect(cmdMap, &QPushButton::clicked, this, &frmMain::cmdMap_Click);
    connect(cmdDoIt, &QPushButton::clicked, this, &frmMain::cmdDoIt_Click);
    connect(cmdRead, &QPushButton::clicked, this, &frmMain::cmdRead_Click);
    connect(cmdDisplay, &QPushButton::clicked, this, &frmMain::cmdDisplay_Click);
    // Only the operator's clicks act; choices the window makes itself send nothing by accident.
    for (int i = 0; i < 2; ++i) {
        connect(optPower[i], &QRadioButton::clicked, this, [this, i] { optPower_Click(i); });
        connect(optSimulate[i], &QRadioButton::clicked, this, [this, i] { optSimulate_Click(i); });
    }
    for (QComboBox* list : {lstCard[0], lstSensor})
        connect(list, &QComboBox::currentIndexChanged, this, &frmMain::SensorSelection_Change);
    for (QComboBox* list : {lstCard[1], lstOutputs})
        connect(list, &QComboBox::currentIndexChanged, this, &frmMain::OutputSelection_Change);
}

std::vector<int> frmMain::SensorTargetSet() const
{
    return SensorTargets(lstCard[0]->currentIndex(), lstSensor->currentIndex(), NumCards());
}

std::vector<int> frmMain::OutputTargetSet() const
{
    return OutputTargets(lstCard[1]->currentIndex(), lstOutputs->currentIndex(), NumCards());
}

void frmMain::ShowStatus(QPushButton* button, int status)
{
    SetButtonColour(button, status != 0 ? kFailColour : kOkColour);
}

void frmMain::ShowBadNumber(const QString& what, const QString& text)
{
    tlv::DialogService::message(this,
                                QStringLiteral("%1 must be a number, not \"%2\".").arg(what, text),
                                QMessageBox::Ok, QMessageBox::Warning, windowTitle());
}

bool frmMain::ReadNumbers(const std::vector<std::pair<QString, QString>>& labelledTexts,
                          std::vector<double>& values)
{
    values.clear();
    for (const auto& [label, text] : labelledTexts) {
        double value = 0;
        if (!ParseNumber(text, value)) {
            ShowBadNumber(label, text);
            return false;
        }
        values.push_back(value);
    }
    return true;
}

void frmMain::cmdInit_Click()
{
    std::vector<double> v;
    if (!ReadNumbers({{QStringLiteral("Filter"), txtInit[4]->text()},
                      {QStringLiteral("Freq. Max."), txtInit[1]->text()},
                      {QStringLiteral("Freq. Min."), txtInit[2]->text()},
                      {QStringLiteral("Freq. Init."), txtInit[3]->text()},
                      {QStringLiteral("Period"), txtInit[0]->text()}},
                     v)) {
        ShowStatus(cmdInit, kBadEntry);
        return;
    }
    // Settings the class refuses change nothing: the mode is not sent again, since every
    // switch of the mode clears the zero of every sensor (their thickness would jump), and
    // the filter keeps its readings. SendInit alone reports the refusal.
    if (cTLV880a::InitRefusal(v[1], v[2], v[3], v[4]) != 0) {
        ShowStatus(cmdInit, m_tlv->SendInit(v[1], v[2], v[3], v[4]));
        return;
    }
    m_tlv->setOpMode(optSimulate[0]->isChecked() ? 0 : 1);
    // The filter size is a whole number of readings; the instrument clips it to its range.
    m_tlv->setFilterSize(static_cast<int>(std::nearbyint(std::clamp(v[0], -1e6, 1e6))));
    ShowStatus(cmdInit, m_tlv->SendInit(v[1], v[2], v[3], v[4]));
}

void frmMain::cmdMaterial_Click()
{
    std::vector<double> v;
    if (!ReadNumbers({{QStringLiteral("Density"), txtMaterial[0]->text()},
                      {QStringLiteral("ZFactor"), txtMaterial[1]->text()},
                      {QStringLiteral("Tooling"), txtMaterial[2]->text()}},
                     v)) {
        ShowStatus(cmdMaterial, kBadEntry);
        return;
    }
    const std::vector<int> sensors = SensorTargetSet();
    const int status =
        SendEach(sensors, [&](short s) { return m_tlv->SendMaterial(s, v[0], v[1], v[2]); });
    for (int s : sensors) {
        m_setup.sensors[s].density = txtMaterial[0]->text();
        m_setup.sensors[s].zFactor = txtMaterial[1]->text();
        m_setup.sensors[s].tooling = txtMaterial[2]->text();
    }
    ShowStatus(cmdMaterial, status);
}

void frmMain::cmdFullScale_Click()
{
    std::vector<double> v;
    if (!ReadNumbers({{QStringLiteral("Volts"), txtFullScale[0]->text()},
                      {QStringLiteral("MaxPwr"), txtFullScale[1]->text()},
                      {QStringLiteral("Slew"), txtFullScale[2]->text()}},
                     v)) {
        ShowStatus(cmdFullScale, kBadEntry);
        return;
    }
    const std::vector<int> outputs = OutputTargetSet();
    const int status =
        SendEach(outputs, [&](short o) { return m_tlv->SendFullScale(o, v[0], v[1], v[2]); });
    for (int o : outputs)
        for (int i = 0; i < 3; ++i)
            m_setup.outputs[o].fullScale[i] = txtFullScale[i]->text();
    StorePowerPanel(outputs);
    ShowStatus(cmdFullScale, status);
}

void frmMain::cmdLoop_Click()
{
    std::vector<double> v;
    if (!ReadNumbers({{QStringLiteral("Rate"), txtLoop[0]->text()},
                      {QStringLiteral("P"), txtLoop[1]->text()},
                      {QStringLiteral("I"), txtLoop[2]->text()},
                      {QStringLiteral("D"), txtLoop[3]->text()}},
                     v)) {
        ShowStatus(cmdLoop, kBadEntry);
        return;
    }
    const std::vector<int> outputs = OutputTargetSet();
    const int status =
        SendEach(outputs, [&](short o) { return m_tlv->SendLoop(v[0], v[1], v[2], v[3], o); });
    // The loop now sets the power: the manual power text no longer applies.
    txtPower->clear();
    for (int o : outputs)
        for (int i = 0; i < 4; ++i)
            m_setup.outputs[o].loop[i] = txtLoop[i]->text();
    ShowStatus(cmdLoop, status);
}

void frmMain::StorePowerPanel(const std::vector<int>& outputs)
{
    for (int o : outputs) {
        m_setup.outputs[o].pidChosen = optPower[0]->isChecked();
        m_setup.outputs[o].manualChosen = optPower[1]->isChecked();
        m_setup.outputs[o].powerText = txtPower->text();
    }
}

void frmMain::optPower_Click(int index)
{
    const std::vector<int> outputs = OutputTargetSet();
    if (index == 0) {
        SendEach(outputs, [&](short o) { return m_tlv->setPIDMode(o, 1); });
    } else {
        double power = 0;
        if (!ParseNumber(txtPower->text(), power)) {
            ShowBadNumber(QStringLiteral("Power"), txtPower->text());
            ShowStatus(cmdPower, kBadEntry);
            return;
        }
        ShowStatus(cmdPower, SendEach(outputs, [&](short o) {
                       // The instrument allows no power before it has a full scale: an output
                       // that never had one gets the one its row holds first.
                       if (m_tlv->MaxPower(o) <= 0) {
                           const int status = SendStoredFullScale(o);
                           if (status != 0) return status;
                       }
                       return m_tlv->SendPower(o, power);
                   }));
    }
    StorePowerPanel(outputs);
}

void frmMain::cmdPower_Click()
{
    if (!optPower[1]->isChecked()) optPower[1]->setChecked(true);
    optPower_Click(1);
}

void frmMain::cmdZero_Click()
{
    if (lstCard[0]->currentIndex() == 0 && lstSensor->currentIndex() == 0) {
        ShowStatus(cmdZero, m_tlv->ZeroAll());
        return;
    }
    // The thickness a sensor shows is its output's, so zeroing a sensor zeroes that output. An
    // output number from the file beyond the 16-bit channel range names no output: cut down to a
    // channel it would wrap onto a real output and zero that one instead.
    int failures = 0;
    for (int s : SensorTargetSet()) {
        const int output = m_setup.sensors[s].output;
        const bool inRange = output >= SHRT_MIN && output <= SHRT_MAX;
        if (m_tlv->ZeroThickness(static_cast<short>(inRange ? output : -1)) != 0) ++failures;
    }
    ShowStatus(cmdZero, failures);
}

void frmMain::cmdMap_Click()
{
    SensorMap map{};
    for (int s = 0; s < kSensorCount; ++s)
        map[s] = m_setup.sensors[s].output;
    if (!m_sensorMap)
        m_sensorMap =
            new frmSensorMap([this](const SensorMap& chosen) { MapSensors(chosen); }, this);
    m_sensorMap->show();
    m_sensorMap->raise();
    m_sensorMap->Init(map);
}

void frmMain::MapSensors(const SensorMap& sensMap)
{
    m_tlv->SendMapSensors(sensMap);
    for (int s = 0; s < kSensorCount; ++s)
        m_setup.sensors[s].output = sensMap[s];
}

void frmMain::cmdDoIt_Click()
{
    cmdInit_Click();
    ShowStatus(cmdMaterial, SendAllMaterial());
    SendAllSensorLoops();
    ShowStatus(cmdLoop, SendAllLoops());
    ShowStatus(cmdFullScale, SendAllFullScale());
}

int frmMain::SendAllMaterial()
{
    return SendEach(FirstChannels(NumCards() * kSensorsPerCard), [&](short s) {
        const SensorRow& row = m_setup.sensors[s];
        const QString sensor = QStringLiteral("Sensor %1 ").arg(s + 1);
        std::vector<double> v;
        if (!ReadNumbers({{sensor + QStringLiteral("Density"), row.density},
                          {sensor + QStringLiteral("ZFactor"), row.zFactor},
                          {sensor + QStringLiteral("Tooling"), row.tooling}},
                         v))
            return kBadEntry;
        return m_tlv->SendMaterial(s, v[0], v[1], v[2]);
    });
}

int frmMain::SendAllSensorLoops()
{
    return SendEach(FirstChannels(kSensorCount),
                    [&](short s) { return m_tlv->setSensorLoop(s, m_setup.sensors[s].output); });
}

int frmMain::SendAllLoops()
{
    return SendEach(FirstChannels(NumCards() * kOutputsPerCard), [&](short o) {
        const OutputRow& row = m_setup.outputs[o];
        const QString output = QStringLiteral("Output %1 ").arg(o + 1);
        std::vector<double> v;
        if (!ReadNumbers({{output + QStringLiteral("Rate"), row.loop[0]},
                          {output + QStringLiteral("P"), row.loop[1]},
                          {output + QStringLiteral("I"), row.loop[2]},
                          {output + QStringLiteral("D"), row.loop[3]}},
                         v))
            return kBadEntry;
        return m_tlv->SendLoop(v[0], v[1], v[2], v[3], o);
    });
}

int frmMain::SendAllFullScale()
{
    return SendEach(FirstChannels(NumCards() * kOutputsPerCard),
                    [&](short o) { return SendStoredFullScale(o); });
}

int frmMain::SendStoredFullScale(short o)
{
    const OutputRow& row = m_setup.outputs[o];
    const QString output = QStringLiteral("Output %1 ").arg(o + 1);
    std::vector<double> v;
    if (!ReadNumbers({{output + QStringLiteral("Volts"), row.fullScale[0]},
                      {output + QStringLiteral("MaxPwr"), row.fullScale[1]},
                      {output + QStringLiteral("Slew"), row.fullScale[2]}},
                     v))
        return kBadEntry;
    return m_tlv->SendFullScale(o, v[0], v[1], v[2]);
}

void frmMain::SensorSelection_Change()
{
    const int s =
        SingleChannel(lstCard[0]->currentIndex(), lstSensor->currentIndex(), kSensorsPerCard);
    if (s < 0) return;
    txtMaterial[0]->setText(m_setup.sensors[s].density);
    txtMaterial[1]->setText(m_setup.sensors[s].zFactor);
    txtMaterial[2]->setText(m_setup.sensors[s].tooling);
}

void frmMain::OutputSelection_Change()
{
    const int o =
        SingleChannel(lstCard[1]->currentIndex(), lstOutputs->currentIndex(), kOutputsPerCard);
    if (o < 0) return;
    const OutputRow& row = m_setup.outputs[o];
    for (int i = 0; i < 3; ++i)
        txtFullScale[i]->setText(row.fullScale[i]);
    // Showing the row's choice sends nothing: only a click on an option sends.
    if (row.manualChosen)
        optPower[1]->setChecked(true);
    else if (row.pidChosen)
        optPower[0]->setChecked(true);
    txtPower->setText(row.powerText);
    for (int i = 0; i < 4; ++i)
        txtLoop[i]->setText(row.loop[i]);
}

} // namespace multi
