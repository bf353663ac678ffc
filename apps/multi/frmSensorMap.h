#pragma once
// The sensor-to-output map dialog: one row of options per sensor (24), one column per output (12)
// plus "Monitor" (the sensor feeds no output). OK hands the whole map to the main window, Cancel
// discards it. The dialog deletes itself when it closes.

#include "TargetSets.h"

#include "instrument/cTLV880a.h"

#include <QDialog>
#include <array>
#include <functional>

class QRadioButton;

namespace multi {

class frmSensorMap : public QDialog {
    Q_OBJECT
public:
    using MapHandler = std::function<void(const SensorMap&)>;

    // onMap receives the map when OK is pressed (the main window's MapSensors).
    explicit frmSensorMap(MapHandler onMap, QWidget* parent = nullptr);

    // Shows sensorLoop (24 output indices, -1 = none): every row starts on "Monitor", and a row
    // whose value names output 0..11 shows that output chosen.
    void Init(const SensorMap& sensorLoop);

    // The map the options show now: output index per sensor, -1 for "Monitor".
    SensorMap CurrentMap() const;

private:
    void cmdMap_Click();
    void cmdCancel_Click();

    MapHandler m_onMap;
    std::array<QRadioButton*, kSensorCount * kSourceOutputs> optSensor{};
    std::array<QRadioButton*, kSensorCount> optMonitor{};
};

} // namespace multi
