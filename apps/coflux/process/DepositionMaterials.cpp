// The film material of a sensor: its density, Z-factor and tooling, and the name of the
// material they were picked as. The input editor and remote clients set it through here, so
// the same limits and the same rule for when the card gets it hold for both.

#include "Deposition.h"

namespace coflux {

namespace {

QString Limits(const char* subject, double low, double high)
{
    return QString::fromLatin1(subject) + QString::number(low) + QStringLiteral(" and ") +
           QString::number(high) + QStringLiteral(" !");
}

} // namespace

const tlv::MaterialTable& Deposition::Materials() const
{
    return m_materials ? *m_materials : tlv::MaterialTable::Program();
}

CommandResult Deposition::SetSensorFilm(int s, double density, double zFactor, double tooling,
                                        const QString& material)
{
    if (s < 0 || s >= kConfiguredSensors)
        return Refuse(CommandResult::Status::NotPresent,
                      QStringLiteral("There is no sensor %1.").arg(s + 1));
    if (!IsPresentSensor(s))
        return Refuse(CommandResult::Status::NotPresent,
                      QStringLiteral("Sensor %1 is not on the installed cards.").arg(s + 1));
    // The checks and messages of the input editor's boxes.
    if (!(density >= m_tlv.DensityMin() && density <= m_tlv.DensityMax()))
        return Refuse(CommandResult::Status::OutOfRange,
                      Limits("Density must be between ", m_tlv.DensityMin(), m_tlv.DensityMax()));
    if (!(zFactor >= m_tlv.ZFactorMin() && zFactor <= m_tlv.ZFactorMax()))
        return Refuse(CommandResult::Status::OutOfRange,
                      Limits("Z Factor must be between ", m_tlv.ZFactorMin(), m_tlv.ZFactorMax()));
    if (!(tooling >= m_tlv.ToolingMin() && tooling <= m_tlv.ToolingMax()))
        return Refuse(CommandResult::Status::OutOfRange,
                      Limits("Tooling must be between ", m_tlv.ToolingMin(), m_tlv.ToolingMax()));

    SensorRecord& sensor = m_tables.Sensor(s);
    sensor.Density = density;
    sensor.ZFactor = zFactor;
    sensor.Tooling = tooling;
    sensor.Material = material.trimmed();
    // A sensor that feeds a loop keeps its material on the card until the setup is loaded
    // again; a free sensor takes it at once.
    const auto sen = static_cast<short>(s);
    if (m_tlv.SensorLoop(sen) == -1) m_tlv.SendMaterial(sen, density, zFactor, tooling);
    emit inputsChanged();
    return CommandResult::done();
}

CommandResult Deposition::SetSensorMaterial(int s, const QString& name)
{
    const std::optional<tlv::Material> material = Materials().Find(name);
    if (!material)
        return Refuse(CommandResult::Status::OutOfRange,
                      QStringLiteral("Unknown material \"%1\".").arg(name.trimmed()));
    const double tooling = s >= 0 && s < kSensorSlots ? m_tables.Sensor(s).Tooling : 0;
    return SetSensorFilm(s, material->density, material->zRatio, tooling, material->name);
}

CommandResult Deposition::SetOutputMaterial(int j, const QString& name)
{
    if (const CommandResult present = CheckOutput(j); !present.ok())
        return Refuse(present.status, present.text);
    const std::optional<tlv::Material> material = Materials().Find(name);
    if (!material)
        return Refuse(CommandResult::Status::OutOfRange,
                      QStringLiteral("Unknown material \"%1\".").arg(name.trimmed()));
    const int input = m_tables.Output(j).Input;
    for (int s = 0; s < kConfiguredSensors; ++s) {
        if (!InputHasSensor(input, s) || !IsPresentSensor(s)) continue;
        SensorRecord& sensor = m_tables.Sensor(s);
        sensor.Density = material->density;
        sensor.ZFactor = material->zRatio;
        sensor.Material = material->name;
        m_tlv.SendMaterial(static_cast<short>(s), sensor.Density, sensor.ZFactor, sensor.Tooling);
    }
    emit inputsChanged();
    return CommandResult::done();
}

} // namespace coflux
