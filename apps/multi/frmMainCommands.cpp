// The send commands of the main window, forwarded to the card console with the texts of their
// panel; each shows the outcome by its button's colour.

#include "frmMain.h"

#include "FormHelpers.h"
#include "frmSensorMap.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace multi {

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

ChannelChoice frmMain::SensorChoice() const
{
    return {lstCard[0]->currentIndex(), lstSensor->currentIndex()};
}

ChannelChoice frmMain::OutputChoice() const
{
    return {lstCard[1]->currentIndex(), lstOutputs->currentIndex()};
}

PowerPanel frmMain::PowerPanelShown() const
{
    return {optPower[0]->isChecked(), optPower[1]->isChecked(), txtPower->text()};
}

void frmMain::ShowStatus(QPushButton* button, int status)
{
    SetButtonColour(button, status != 0 ? kFailColour : kOkColour);
}

void frmMain::cmdInit_Click()
{
    ShowStatus(cmdInit, m_console->Init(CardPanel()));
}

void frmMain::cmdMaterial_Click()
{
    ShowStatus(cmdMaterial, m_console->SendMaterial(SensorChoice(),
                                                    {txtMaterial[0]->text(), txtMaterial[1]->text(),
                                                     txtMaterial[2]->text()}));
}

void frmMain::cmdFullScale_Click()
{
    ShowStatus(cmdFullScale,
               m_console->SendFullScale(
                   OutputChoice(),
                   {txtFullScale[0]->text(), txtFullScale[1]->text(), txtFullScale[2]->text()},
                   PowerPanelShown()));
}

void frmMain::cmdLoop_Click()
{
    const int status =
        m_console->SendLoop(OutputChoice(), {txtLoop[0]->text(), txtLoop[1]->text(),
                                             txtLoop[2]->text(), txtLoop[3]->text()});
    // The loop now sets the power: the manual power text no longer applies. (The instrument
    // numbers its loop refusals 5 and above: 1 is an entry that was no number, nothing sent.)
    if (status != kBadEntry) txtPower->clear();
    ShowStatus(cmdLoop, status);
}

void frmMain::optPower_Click(int index)
{
    if (index == 0)
        m_console->ChoosePid(OutputChoice(), PowerPanelShown());
    else
        ShowStatus(cmdPower, m_console->SendPower(OutputChoice(), PowerPanelShown()));
}

void frmMain::cmdPower_Click()
{
    if (!optPower[1]->isChecked()) optPower[1]->setChecked(true);
    optPower_Click(1);
}

void frmMain::cmdZero_Click()
{
    ShowStatus(cmdZero, m_console->Zero(SensorChoice()));
}

void frmMain::cmdMap_Click()
{
    if (!m_sensorMap)
        m_sensorMap =
            new frmSensorMap([this](const SensorMap& chosen) { MapSensors(chosen); }, this);
    m_sensorMap->show();
    m_sensorMap->raise();
    m_sensorMap->Init(m_console->StoredMap());
}

void frmMain::MapSensors(const SensorMap& sensMap)
{
    m_console->MapSensors(sensMap);
}

void frmMain::cmdDoIt_Click()
{
    const SendAllStatus status = m_console->SendAll(CardPanel());
    ShowStatus(cmdInit, status.init);
    ShowStatus(cmdMaterial, status.material);
    ShowStatus(cmdLoop, status.loop);
    ShowStatus(cmdFullScale, status.fullScale);
}

void frmMain::SensorSelection_Change()
{
    const int s =
        SingleChannel(lstCard[0]->currentIndex(), lstSensor->currentIndex(), kSensorsPerCard);
    if (s < 0) return;
    const SensorRow& row = Setup().sensors[s];
    txtMaterial[0]->setText(row.density);
    txtMaterial[1]->setText(row.zFactor);
    txtMaterial[2]->setText(row.tooling);
}

void frmMain::OutputSelection_Change()
{
    const int o =
        SingleChannel(lstCard[1]->currentIndex(), lstOutputs->currentIndex(), kOutputsPerCard);
    if (o < 0) return;
    const OutputRow& row = Setup().outputs[o];
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
