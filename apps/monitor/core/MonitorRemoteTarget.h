#pragma once
// What tlvmonitor answers remote clients: its identity, the sensor readings of the newest poll,
// whether it is measuring and its alarms. Acknowledging an alarm is the only change it offers
// (with --remote-control); every other change is an undefined header here.

#include "MonitorCore.h"

#include "common/remote/RemoteTarget.h"

namespace monitor {

class MonitorRemoteTarget : public tlv::remote::RemoteTarget {
public:
    // `core` holds the monitor's readings and run state and must outlive the target.
    explicit MonitorRemoteTarget(MonitorCore& core) : m_core(core) {}

    QString Model() const override { return QStringLiteral("TLVMONITOR"); }
    // Its open alarms; acknowledging them is the one change it offers.
    tlv::AlarmModel* Alarms() const override { return &m_core.Alarms().model(); }
    tlv::remote::Outcome SensorReading(int sensor, tlv::remote::Triple& reading) const override;
    tlv::remote::Outcome SensorLifeLeft(int sensor, double& thickness,
                                        double& seconds) const override;
    tlv::remote::Outcome State(tlv::remote::RunState& state) const override;
    // The film materials the material pickers offer, and the film of a sensor shown (read
    // only: the monitor offers no remote control).
    tlv::remote::Outcome Materials(QList<tlv::Material>& materials) const override;
    tlv::remote::Outcome SensorMaterial(int sensor, QString& name, double& density,
                                        double& zFactor) const override;

private:
    MonitorCore& m_core;
};

} // namespace monitor
