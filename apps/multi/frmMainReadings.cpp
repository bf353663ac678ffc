// Reading on and off, the two views of the reading frames, and the instrument's events.

#include "frmMain.h"

#include "FormHelpers.h"

#include "common/DialogService.h"
#include "common/NumberFormat.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace multi {

void frmMain::optSimulate_Click(int index)
{
    m_console->ChooseMode(index);
    // Simulate mode (the only one without a card): the library simulates the readings.
    lblSim->setVisible(index == 1);
}

void frmMain::cmdRead_Click()
{
    if (m_console->ToggleReading(optSimulate[0]->isChecked() ? 0 : 1)) {
        ClearReadings();
        cmdRead->setText(QStringLiteral("Stop"));
        SetButtonColour(cmdRead, kFailColour);
    } else {
        cmdRead->setText(QStringLiteral("Read"));
        SetButtonColour(cmdRead, kOkColour);
    }
}

void frmMain::ClearReadings()
{
    for (int i = 0; i < kSensorCount; ++i) {
        lblThickRdg[i]->clear();
        lblRateRdg[i]->clear();
        lblFreqRdg[i]->clear();
        lblDevRdg[i]->clear();
    }
    for (QLabel* label : lblPowerRdg)
        label->clear();
}

void frmMain::cmdDisplay_Click()
{
    m_sensorView = !m_sensorView;
    cmdDisplay->setText(m_sensorView ? QStringLiteral("Show Outputs")
                                     : QStringLiteral("Show Sensors"));
    ApplyDisplayMode();
}

void frmMain::ApplyDisplayMode()
{
    // The output view has two outputs per card and no frequency: it uses the first two rows.
    for (int card = 0; card < kMaxCards; ++card) {
        lblFreq[card]->setVisible(m_sensorView);
        for (int row = 0; row < kSensorsPerCard; ++row) {
            const int i = card * kSensorsPerCard + row;
            const bool shown = m_sensorView || row < kOutputsPerCard;
            lblFreqRdg[i]->setVisible(m_sensorView);
            lblThickRdg[i]->setVisible(shown);
            lblRateRdg[i]->setVisible(shown);
            lblDevRdg[i]->setVisible(shown);
        }
    }
}

void frmMain::TLV880_TLVReading(const SensorArray& sensors, const OutputArray& outputs,
                                double /*time*/)
{
    const int cards = std::clamp(NumCards(), 0, kMaxCards);
    if (m_sensorView) {
        for (int i = 0; i < cards * kSensorsPerCard; ++i) {
            lblRateRdg[i]->setText(tlv::Format(sensors[i][0], QStringLiteral("#0.0")));
            lblDevRdg[i]->setText(tlv::Format(sensors[i][3], QStringLiteral("##0.0")));
            lblThickRdg[i]->setText(tlv::Format(sensors[i][1], QStringLiteral("#0.000")));
            lblFreqRdg[i]->setText(sensors[i][2] < 0
                                       ? QStringLiteral("Crystal Fail")
                                       : tlv::Format(sensors[i][2], QStringLiteral("#0.0")));
        }
    } else {
        for (int n = 0; n < cards; ++n) {
            for (int k = 0; k < kOutputsPerCard; ++k) {
                const int label = n * kSensorsPerCard + k;
                const auto& output = outputs[n * kOutputsPerCard + k];
                lblRateRdg[label]->setText(tlv::Format(output[0], QStringLiteral("#0.0")));
                lblDevRdg[label]->setText(tlv::Format(output[3], QStringLiteral("##0.0")));
                lblThickRdg[label]->setText(tlv::Format(output[1], QStringLiteral("#0.000")));
            }
        }
    }
    for (int j = 0; j < cards * kOutputsPerCard; ++j)
        lblPowerRdg[j]->setText(tlv::Format(outputs[j][2], QStringLiteral("##0.0")));
}

void frmMain::TLV880_TLVError(int errNum, const QString& errText)
{
    // Without the card library nothing the window does can work: the operator hears of it once
    // even when the instrument's errors are not shown.
    m_statusLine->showError(errNum, errText, {},
                            m_console->Initialising() ? QStringLiteral("init") : QString());
    const bool firstMissingLibrary = errNum == kLibraryMissingError && !m_libraryMissingShown;
    if (firstMissingLibrary) m_libraryMissingShown = true;
    if (Setup().card.showErrors > 0 || firstMissingLibrary)
        tlv::DialogService::message(this,
                                    QStringLiteral("TLV880 Error: %1\n%2").arg(errNum).arg(errText),
                                    QMessageBox::Ok, QMessageBox::NoIcon, windowTitle());
}

} // namespace multi
