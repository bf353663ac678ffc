// Commands a program does not offer answer "Undefined header".
#include "common/remote/RemoteTarget.h"

namespace tlv::remote {

Outcome RemoteTarget::SensorReading(int, Triple&) const
{
    return Undefined();
}
Outcome RemoteTarget::SensorLifeLeft(int, double&, double&) const
{
    return Undefined();
}
Outcome RemoteTarget::OutputReading(int, Triple&) const
{
    return Undefined();
}
Outcome RemoteTarget::AnalogVolts(int, double&) const
{
    return Undefined();
}
Outcome RemoteTarget::State(RunState&) const
{
    return Undefined();
}
Outcome RemoteTarget::Start()
{
    return Undefined();
}
Outcome RemoteTarget::Stop()
{
    return Undefined();
}
Outcome RemoteTarget::Hold()
{
    return Undefined();
}
Outcome RemoteTarget::Resume()
{
    return Undefined();
}
Outcome RemoteTarget::Zero(int)
{
    return Undefined();
}
Outcome RemoteTarget::ZeroAll()
{
    return Undefined();
}
Outcome RemoteTarget::SetMode(int, OutputMode)
{
    return Undefined();
}
Outcome RemoteTarget::Mode(int, OutputMode&) const
{
    return Undefined();
}
Outcome RemoteTarget::SetRate(int, double)
{
    return Undefined();
}
Outcome RemoteTarget::Rate(int, double&) const
{
    return Undefined();
}
Outcome RemoteTarget::SetThickness(int, double)
{
    return Undefined();
}
Outcome RemoteTarget::Thickness(int, double&) const
{
    return Undefined();
}
Outcome RemoteTarget::SetPower(int, double)
{
    return Undefined();
}
Outcome RemoteTarget::Power(int, double&) const
{
    return Undefined();
}
Outcome RemoteTarget::LoadSetup(const QString&)
{
    return Undefined();
}
Outcome RemoteTarget::LoadRecipe(const QString&)
{
    return Undefined();
}
Outcome RemoteTarget::StartRecipe()
{
    return Undefined();
}
Outcome RemoteTarget::AbortRecipe()
{
    return Undefined();
}
Outcome RemoteTarget::RecipeProgress(RecipeStatus&) const
{
    return Undefined();
}
Outcome RemoteTarget::Materials(QList<Material>&) const
{
    return Undefined();
}
Outcome RemoteTarget::SetSensorMaterial(int, const QString&)
{
    return Undefined();
}
Outcome RemoteTarget::SensorMaterial(int, QString&, double&, double&) const
{
    return Undefined();
}

} // namespace tlv::remote
