#include "frmSensorMap.h"

#include "FormHelpers.h"

#include "common/FormUtil.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace multi {

namespace {

// Every row of options and the column heads above them share these cell widths, so the heads
// stand over their columns.
constexpr int kMonitorCellWidth = 60;
constexpr int kOutputCellWidth = 28;

// Column heads and row captions stand centred over and beside their option cells.
QLabel* CentredLabel(const QString& name, const QString& caption, QWidget* parent)
{
    QLabel* label = tlv::MakeLabel(parent, name, caption);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QHBoxLayout* CellRow(QWidget* owner)
{
    auto* row = new QHBoxLayout(owner);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    return row;
}

// The three head rows over the option columns: the output axis, the card groups, the numbers.
QWidget* BuildColumnHeads(QWidget* parent)
{
    auto* heads = new QWidget(parent);
    auto* grid = new QGridLayout(heads);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(0);
    grid->setColumnMinimumWidth(0, kMonitorCellWidth);

    grid->addWidget(CentredLabel(ArrayName("lblMonitor", 2), QStringLiteral("O U T P U T"), heads),
                    0, 1, 1, kSourceOutputs);
    for (int card = 0; card < kMaxCards; ++card)
        grid->addWidget(CentredLabel(ArrayName("lblOutputCard", card),
                                     QStringLiteral("Card %1").arg(card + 1), heads),
                        1, 1 + card * kOutputsPerCard, 1, kOutputsPerCard);
    auto* monitor = CentredLabel(ArrayName("lblMonitor", 0), QStringLiteral("Monitor"), heads);
    monitor->setFixedWidth(kMonitorCellWidth);
    grid->addWidget(monitor, 2, 0);
    for (int k = 0; k < kSourceOutputs; ++k) {
        auto* number = CentredLabel(ArrayName("lblOutputNum", k),
                                    QString::number(k % kOutputsPerCard + 1), heads);
        number->setFixedWidth(kOutputCellWidth);
        grid->addWidget(number, 2, 1 + k);
    }
    return heads;
}

// A radio button centred in a cell of fixed width; the cell's frame is the row, so the options of
// one row exclude each other and no others.
QRadioButton* AddOption(QHBoxLayout* row, QWidget* frame, const QString& name, int width)
{
    auto* cell = new QWidget(frame);
    cell->setFixedWidth(width);
    auto* centre = CellRow(cell);
    auto* option = new QRadioButton(frame);
    option->setObjectName(name);
    option->setAutoExclusive(false); // the row's button group decides instead
    centre->addWidget(option, 0, Qt::AlignCenter);
    row->addWidget(cell);
    return option;
}

} // namespace

frmSensorMap::frmSensorMap(MapHandler onMap, QWidget* parent)
    : QDialog(parent), m_onMap(std::move(onMap))
{
    setObjectName(QStringLiteral("frmSensorMap"));
    setWindowTitle(QStringLiteral("Sensor to Ouput Map"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* grid = new QGridLayout(this);
    grid->setVerticalSpacing(0);
    grid->addWidget(BuildColumnHeads(this), 0, 3);

    auto* axis = CentredLabel(ArrayName("lblMonitor", 1), QStringLiteral("S E N S O R"), this);
    axis->setWordWrap(true); // one letter a line: the row axis reads downwards
    axis->setFixedWidth(14);
    grid->addWidget(axis, 1, 0, kSensorCount, 1);

    for (int s = 0; s < kSensorCount; ++s) {
        const int card = s / kSensorsPerCard;
        if (s % kSensorsPerCard == 0)
            grid->addWidget(CentredLabel(ArrayName("lblSensorCard", card),
                                         QStringLiteral("Card %1").arg(card + 1), this),
                            1 + s, 1, kSensorsPerCard, 1);
        grid->addWidget(CentredLabel(ArrayName("lblSensorNum", s),
                                     QString::number(s % kSensorsPerCard + 1), this),
                        1 + s, 2);

        auto* frame = new QFrame(this);
        frame->setObjectName(ArrayName("fraSensor", s));
        auto* row = CellRow(frame);
        auto* group = new QButtonGroup(frame);
        optMonitor[s] = AddOption(row, frame, ArrayName("optMonitor", s), kMonitorCellWidth);
        group->addButton(optMonitor[s]);
        for (int k = 0; k < kSourceOutputs; ++k) {
            const int index = s * kSourceOutputs + k;
            optSensor[index] =
                AddOption(row, frame, ArrayName("optSensor", index), kOutputCellWidth);
            group->addButton(optSensor[index]);
        }
        row->addStretch(1);
        optMonitor[s]->setChecked(true);
        grid->addWidget(frame, 1 + s, 3);
    }

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdMap"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 1 + kSensorCount, 0, 1, 4);

    connect(ok, &QPushButton::clicked, this, &frmSensorMap::cmdMap_Click);
    connect(cancel, &QPushButton::clicked, this, &frmSensorMap::cmdCancel_Click);
}

void frmSensorMap::Init(const SensorMap& sensorLoop)
{
    for (int s = 0; s < kSensorCount; ++s) {
        const int output = sensorLoop[s];
        if (output >= 0 && output < kSourceOutputs)
            optSensor[s * kSourceOutputs + output]->setChecked(true);
        else
            optMonitor[s]->setChecked(true);
    }
}

SensorMap frmSensorMap::CurrentMap() const
{
    SensorMap map{};
    for (int s = 0; s < kSensorCount; ++s) {
        map[s] = -1;
        for (int k = 0; k < kSourceOutputs; ++k)
            if (optSensor[s * kSourceOutputs + k]->isChecked()) map[s] = k;
    }
    return map;
}

void frmSensorMap::cmdMap_Click()
{
    const SensorMap map = CurrentMap();
    if (m_onMap) m_onMap(map);
    close();
}

void frmSensorMap::cmdCancel_Click()
{
    close();
}

} // namespace multi
