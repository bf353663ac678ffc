// Remote commands of coflux for the film materials: the table's list, and a sensor's film set
// and read by name through the deposition process.
#include "CofluxRemoteTarget.h"

#include "Deposition.h"

namespace coflux {

using tlv::remote::Outcome;

Outcome CofluxRemoteTarget::Materials(QList<tlv::Material>& materials) const
{
    materials = m_process.Materials().Materials();
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::SetSensorMaterial(int sensor, const QString& name)
{
    return FromResult(m_process.SetSensorMaterial(sensor, name));
}

Outcome CofluxRemoteTarget::SensorMaterial(int sensor, QString& name, double& density,
                                           double& zFactor) const
{
    if (sensor >= kConfiguredSensors || !m_process.IsPresentSensor(sensor))
        return Outcome::Error(tlv::remote::DataOutOfRange,
                              QStringLiteral("Sensor %1 is not set up").arg(sensor + 1));
    const SensorRecord& record = m_process.Tables().Sensor(sensor);
    density = record.Density;
    zFactor = record.ZFactor;
    // The name the input editor shows for these numbers.
    const auto material = m_process.Materials().Matching(density, zFactor, record.Material);
    name = material ? material->name : QString();
    return Outcome::Ok();
}

} // namespace coflux
