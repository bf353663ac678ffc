// The monitor's answers to remote queries, from the readings the core's poll took.
#include "MonitorRemoteTarget.h"

#include "MonitorCore.h"

#include <limits>

namespace monitor {

using tlv::remote::Outcome;

Outcome MonitorRemoteTarget::SensorReading(int sensor, tlv::remote::Triple& reading) const
{
    const auto& row = m_core.LatestReadings().at(static_cast<size_t>(sensor));
    // The poll keeps thickness in Å; the interface speaks kÅ, as the grid does.
    reading = {row[0], row[1] / 1000.0, row[2]};
    return Outcome::Ok();
}

Outcome MonitorRemoteTarget::SensorLifeLeft(int sensor, double& thickness, double& seconds) const
{
    const auto& row = m_core.LatestReadings().at(static_cast<size_t>(sensor));
    const auto forecast =
        m_core.Instrument().SensorForecast(static_cast<short>(sensor), row[2], row[0]);
    const double none = std::numeric_limits<double>::quiet_NaN();
    thickness = forecast ? forecast->thicknessLeft : none;
    seconds = forecast && forecast->secondsLeft ? *forecast->secondsLeft : none;
    return Outcome::Ok();
}

Outcome MonitorRemoteTarget::State(tlv::remote::RunState& state) const
{
    state =
        m_core.Settings().runState != 0 ? tlv::remote::RunState::Run : tlv::remote::RunState::Stop;
    return Outcome::Ok();
}

Outcome MonitorRemoteTarget::Materials(QList<tlv::Material>& materials) const
{
    materials = tlv::MaterialTable::Program().Materials();
    return Outcome::Ok();
}

Outcome MonitorRemoteTarget::SensorMaterial(int sensor, QString& name, double& density,
                                            double& zFactor) const
{
    const MonitorSettings& settings = m_core.Settings();
    const auto s = static_cast<size_t>(sensor);
    if (!ParseNumber(settings.densityText.at(s), density) ||
        !ParseNumber(settings.zFactorText.at(s), zFactor))
        return Outcome::Error(tlv::remote::DataOutOfRange,
                              QStringLiteral("Sensor %1 holds no film").arg(sensor + 1));
    const auto material =
        tlv::MaterialTable::Program().Matching(density, zFactor, settings.materialName.at(s));
    name = material ? material->name : QString();
    return Outcome::Ok();
}

} // namespace monitor
