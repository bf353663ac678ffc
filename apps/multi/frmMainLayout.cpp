// The controls of the main window and where they sit: the three settings panels on the left,
// one reading frame per card on the right, the run buttons below.

#include "FormHelpers.h"
#include "frmMain.h"

#include "common/FormUtil.h"
#include "common/MaterialPicker.h"
#include "common/NumberFormat.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace multi {

namespace {

QLineEdit* MakeText(const QString& name, const QString& text, QWidget* parent)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(90);
    return edit;
}

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QComboBox* MakeList(const QString& name, const QString& allEntry, const QString& entry, int count,
                    QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->addItem(allEntry);
    for (int i = 1; i <= count; ++i)
        list->addItem(QStringLiteral("%1 %2").arg(entry).arg(i));
    return list;
}

QLabel* MakeReading(const QString& name, QWidget* parent)
{
    auto* label = tlv::MakeLabel(parent, name, QString());
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(72);
    return label;
}

} // namespace

void frmMain::BuildControls()
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("tlvmulti-Card Deposition"));

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    auto* body = new QHBoxLayout();
    outer->addLayout(body);

    auto* panels = new QVBoxLayout();
    panels->addWidget(BuildInitFrame());
    panels->addWidget(BuildSensorFrame());
    panels->addWidget(BuildPowerFrame());
    panels->addStretch(1);
    body->addLayout(panels);

    auto* cards = new QGridLayout();
    for (int card = 0; card < kMaxCards; ++card)
        cards->addWidget(BuildCardFrame(card), card / 2, card % 2);
    cards->setRowStretch(3, 1);
    body->addLayout(cards, 1);

    auto* buttons = new QHBoxLayout();
    lblSim = tlv::MakeSimulationMark(central);
    buttons->addWidget(lblSim);
    buttons->addStretch(1);
    cmdRead = MakeButton(QStringLiteral("cmdRead"), QStringLiteral("Read"), central);
    cmdDisplay = MakeButton(QStringLiteral("cmdDisplay"), QStringLiteral("Show Outputs"), central);
    cmdDoIt = MakeButton(QStringLiteral("cmdDoIt"), QStringLiteral("Send All"), central);
    for (QPushButton* button : {cmdRead, cmdDisplay, cmdDoIt}) {
        button->setMinimumWidth(120);
        buttons->addWidget(button);
    }
    outer->addLayout(buttons);
    setCentralWidget(central);
}

QGroupBox* frmMain::BuildInitFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Card Settings"));
    frame->setObjectName(QStringLiteral("fraInit"));
    auto* grid = new QGridLayout(frame);

    m_simulateGroup = new QButtonGroup(frame);
    const QStringList modes{QStringLiteral("Normal"), QStringLiteral("Simulate")};
    for (int i = 0; i < 2; ++i) {
        optSimulate[i] = new QRadioButton(modes[i], frame);
        optSimulate[i]->setObjectName(ArrayName("optSimulate", i));
        m_simulateGroup->addButton(optSimulate[i], i);
        grid->addWidget(optSimulate[i], 0, i);
    }

    const QStringList labels{QStringLiteral("Period"), QStringLiteral("Freq. Max."),
                             QStringLiteral("Freq. Min."), QStringLiteral("Freq. Init."),
                             QStringLiteral("Filter")};
    const QStringList texts{QStringLiteral(".25"), QStringLiteral("6100000"),
                            QStringLiteral("5000000"), QStringLiteral("6000000"),
                            QStringLiteral("4")};
    for (int i = 0; i < 5; ++i) {
        grid->addWidget(tlv::MakeLabel(frame, ArrayName("lblInit", i), labels[i]), i + 1, 0);
        txtInit[i] = MakeText(ArrayName("txtInit", i), texts[i], frame);
        grid->addWidget(txtInit[i], i + 1, 1);
    }
    cmdInit = MakeButton(QStringLiteral("cmdInit"), QStringLiteral("Init"), frame);
    grid->addWidget(cmdInit, 5, 2);
    return frame;
}

QGroupBox* frmMain::BuildSensorFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Sensor Settings"));
    frame->setObjectName(QStringLiteral("fraSensors"));
    auto* grid = new QGridLayout(frame);

    grid->addWidget(tlv::MakeLabel(frame, QStringLiteral("lblCard1"), QStringLiteral("Card:")), 0,
                    0);
    lstCard[0] = MakeList(ArrayName("lstCard", 0), QStringLiteral("All Cards"),
                          QStringLiteral("Card"), kMaxCards, frame);
    grid->addWidget(lstCard[0], 0, 1);
    grid->addWidget(tlv::MakeLabel(frame, QStringLiteral("lblSensors"), QStringLiteral("Sensor:")),
                    1, 0);
    lstSensor = MakeList(QStringLiteral("lstSensor"), QStringLiteral("All Sensors"),
                         QStringLiteral("Sensor"), kSensorsPerCard, frame);
    grid->addWidget(lstSensor, 1, 1);

    const QStringList labels{QStringLiteral("Density"), QStringLiteral("ZFactor"),
                             QStringLiteral("Tooling")};
    const QStringList texts{QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("100")};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(tlv::MakeLabel(frame, ArrayName("lbMaterial", i), labels[i]), i + 2, 0);
        txtMaterial[i] = MakeText(ArrayName("txtMaterial", i), texts[i], frame);
        grid->addWidget(txtMaterial[i], i + 2, 1);
    }
    // The film material picker below the three boxes: choosing one fills density and Z-factor,
    // which the Material command then sends as if typed.
    grid->addWidget(tlv::MakeLabel(frame, QStringLiteral("lbMaterialName"), QStringLiteral("Film")),
                    5, 0);
    cboMaterial = new tlv::MaterialPicker(frame);
    cboMaterial->setObjectName(QStringLiteral("cboMaterial"));
    grid->addWidget(cboMaterial, 5, 1, 1, 2);
    connect(cboMaterial, &tlv::MaterialPicker::materialChosen, this,
            [this](const tlv::Material& material) {
                txtMaterial[0]->setText(tlv::Format(material.density, QStringLiteral("#0.00")));
                txtMaterial[1]->setText(tlv::Format(material.zRatio, QStringLiteral("#0.000")));
            });
    for (int i = 0; i < 2; ++i)
        connect(txtMaterial[i], &QLineEdit::textChanged, this, [this] {
            cboMaterial->ShowMatchingTexts(txtMaterial[0]->text(), txtMaterial[1]->text(),
                                           cboMaterial->ShownName());
        });
    cboMaterial->ShowMatchingTexts(txtMaterial[0]->text(), txtMaterial[1]->text());
    cmdMaterial = MakeButton(QStringLiteral("cmdMaterial"), QStringLiteral("Material"), frame);
    cmdZero = MakeButton(QStringLiteral("cmdZero"), QStringLiteral("Zero"), frame);
    cmdMap = MakeButton(QStringLiteral("cmdMap"), QStringLiteral("Map Sensors.."), frame);
    grid->addWidget(cmdMaterial, 4, 2);
    grid->addWidget(cmdZero, 0, 2);
    grid->addWidget(cmdMap, 1, 2);
    return frame;
}

QGroupBox* frmMain::BuildPowerFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Output Settings"));
    frame->setObjectName(QStringLiteral("fraPower"));
    auto* grid = new QGridLayout(frame);

    grid->addWidget(tlv::MakeLabel(frame, QStringLiteral("lblCard2"), QStringLiteral("Card:")), 0,
                    0);
    lstCard[1] = MakeList(ArrayName("lstCard", 1), QStringLiteral("All Cards"),
                          QStringLiteral("Card"), kMaxCards, frame);
    grid->addWidget(lstCard[1], 0, 1);
    grid->addWidget(tlv::MakeLabel(frame, QStringLiteral("lblOutput"), QStringLiteral("Output:")),
                    1, 0);
    lstOutputs = MakeList(QStringLiteral("lstOutputs"), QStringLiteral("All Outputs"),
                          QStringLiteral("Output"), kOutputsPerCard, frame);
    grid->addWidget(lstOutputs, 1, 1);

    const QStringList scaleLabels{QStringLiteral("Volts"), QStringLiteral("MaxPwr"),
                                  QStringLiteral("Slew")};
    const QStringList scaleTexts{QStringLiteral("10"), QStringLiteral("100"),
                                 QStringLiteral("100")};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(tlv::MakeLabel(frame, ArrayName("lbFullScale", i), scaleLabels[i]), i + 2,
                        0);
        txtFullScale[i] = MakeText(ArrayName("txtFullScale", i), scaleTexts[i], frame);
        grid->addWidget(txtFullScale[i], i + 2, 1);
    }
    cmdFullScale = MakeButton(QStringLiteral("cmdFullScale"), QStringLiteral("FullScale"), frame);
    grid->addWidget(cmdFullScale, 4, 2);

    const QStringList loopLabels{QStringLiteral("Rate"), QStringLiteral("P"), QStringLiteral("I"),
                                 QStringLiteral("D")};
    const QStringList loopTexts{QStringLiteral("100"), QStringLiteral("25"), QStringLiteral("1"),
                                QStringLiteral("0")};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(tlv::MakeLabel(frame, ArrayName("lblLoop", i), loopLabels[i]), i + 5, 0);
        txtLoop[i] = MakeText(ArrayName("txtLoop", i), loopTexts[i], frame);
        grid->addWidget(txtLoop[i], i + 5, 1);
    }
    cmdLoop = MakeButton(QStringLiteral("cmdLoop"), QStringLiteral("Loop"), frame);
    grid->addWidget(cmdLoop, 8, 2);

    m_powerGroup = new QButtonGroup(frame);
    const QStringList powerModes{QStringLiteral("PID"), QStringLiteral("ManPwr")};
    for (int i = 0; i < 2; ++i) {
        optPower[i] = new QRadioButton(powerModes[i], frame);
        optPower[i]->setObjectName(ArrayName("optPower", i));
        m_powerGroup->addButton(optPower[i], i);
        grid->addWidget(optPower[i], 9, i);
    }
    optPower[0]->setChecked(true);
    grid->addWidget(tlv::MakeLabel(frame, ArrayName("lblLoop", 4), QStringLiteral("Power")), 10, 0);
    txtPower = MakeText(QStringLiteral("txtPower"), QStringLiteral("0"), frame);
    grid->addWidget(txtPower, 10, 1);
    cmdPower = MakeButton(QStringLiteral("cmdPower"), QStringLiteral("Set Power"), frame);
    grid->addWidget(cmdPower, 10, 2);
    return frame;
}

QGroupBox* frmMain::BuildCardFrame(int card)
{
    auto* frame = new QGroupBox(QStringLiteral("Card %1: ").arg(card + 1));
    frame->setObjectName(ArrayName("fraCard", card));
    fraCard[card] = frame;
    auto* grid = new QGridLayout(frame);

    grid->addWidget(tlv::MakeLabel(frame, ArrayName("lblThick", card), QStringLiteral("Thick")), 0,
                    0);
    grid->addWidget(tlv::MakeLabel(frame, ArrayName("lblRate", card), QStringLiteral("Rate")), 0,
                    1);
    lblFreq[card] = tlv::MakeLabel(frame, ArrayName("lblFreq", card), QStringLiteral("Frequency"));
    grid->addWidget(lblFreq[card], 0, 2);
    grid->addWidget(tlv::MakeLabel(frame, ArrayName("lblDev", card), QStringLiteral("Dev.")), 0, 3);

    for (int row = 0; row < kSensorsPerCard; ++row) {
        const int i = card * kSensorsPerCard + row;
        lblThickRdg[i] = MakeReading(ArrayName("lblThickRdg", i), frame);
        lblRateRdg[i] = MakeReading(ArrayName("lblRateRdg", i), frame);
        lblFreqRdg[i] = MakeReading(ArrayName("lblFreqRdg", i), frame);
        lblDevRdg[i] = MakeReading(ArrayName("lblDevRdg", i), frame);
        grid->addWidget(lblThickRdg[i], row + 1, 0);
        grid->addWidget(lblRateRdg[i], row + 1, 1);
        grid->addWidget(lblFreqRdg[i], row + 1, 2);
        grid->addWidget(lblDevRdg[i], row + 1, 3);
    }

    auto* powers = new QHBoxLayout();
    for (int k = 0; k < kOutputsPerCard; ++k) {
        const int j = card * kOutputsPerCard + k;
        powers->addWidget(
            tlv::MakeLabel(frame, ArrayName("lblPower", j), QStringLiteral("Pwr %1").arg(k + 1)));
        lblPowerRdg[j] = MakeReading(ArrayName("lblPowerRdg", j), frame);
        powers->addWidget(lblPowerRdg[j]);
    }
    grid->addLayout(powers, kSensorsPerCard + 1, 0, 1, 4);
    return frame;
}

} // namespace multi
