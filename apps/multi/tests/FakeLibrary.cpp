#include "FakeLibrary.h"

#include <algorithm>

namespace multi::testing {

namespace {

QString Num(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

QStringList FakeLibrary::callsOf(const QString& prefix) const
{
    QStringList found;
    for (const QString& call : calls)
        if (call.startsWith(prefix)) found << call;
    return found;
}

int FakeLibrary::record(const QString& call)
{
    calls << call;
    return refuse ? refuse(call) : 0;
}

tlv::BoundResult FakeLibrary::Xdc770Startup2(int command, int* info)
{
    if (missing) return std::nullopt;
    if (command != -1) {
        for (int i = 0; i < 6; ++i)
            info[i + 1] = revisions[i];
        info[7] = 0;
    }
    record(QStringLiteral("Startup %1").arg(command));
    if (command == -1) return 0;
    return revisions[0] > 0 ? 0 : 904;
}

tlv::BoundResult FakeLibrary::Xdc770Init(double fmax, double fmin, double finit, double period)
{
    return record(
        QStringLiteral("Init %1 %2 %3 %4").arg(Num(fmax), Num(fmin), Num(finit), Num(period)));
}

tlv::BoundResult FakeLibrary::Xdc770Material(int sensorMask, double density, double zFactor,
                                             double tooling)
{
    if (missing) return std::nullopt;
    return record(QStringLiteral("Material %1 %2 %3 %4")
                      .arg(sensorMask)
                      .arg(Num(density), Num(zFactor), Num(tooling)));
}

tlv::BoundResult FakeLibrary::Xdc770MapSensors(const int* map)
{
    QStringList entries;
    for (int i = 0; i < 24; ++i)
        entries << QString::number(map[i]);
    return record(QStringLiteral("MapSensors ") + entries.join(QLatin1Char(',')));
}

tlv::BoundResult FakeLibrary::Xdc770MapAnSensors(const int* map)
{
    return record(
        QStringLiteral("MapAnSensors %1,%2,%3,%4").arg(map[0]).arg(map[1]).arg(map[2]).arg(map[3]));
}

tlv::BoundResult FakeLibrary::Xdc770Loop2(double setpoint, double pTerm, double iTerm, double dTerm,
                                          int output)
{
    return record(QStringLiteral("Loop %1 %2 %3 %4 %5")
                      .arg(output)
                      .arg(Num(setpoint), Num(pTerm), Num(iTerm), Num(dTerm)));
}

tlv::BoundResult FakeLibrary::Xdc770SetPower(int output, double power)
{
    return record(QStringLiteral("SetPower %1 %2").arg(output).arg(Num(power)));
}

tlv::BoundResult FakeLibrary::Xdc770FullScale(int output, double volts, double maxPower,
                                              double slewRate)
{
    return record(QStringLiteral("FullScale %1 %2 %3 %4")
                      .arg(output)
                      .arg(Num(volts), Num(maxPower), Num(slewRate)));
}

tlv::BoundResult FakeLibrary::Xdc770GetPower(double* power)
{
    std::fill(power, power + 14, 0.0);
    return 0;
}

tlv::BoundResult FakeLibrary::Xdc770StartMeas()
{
    return record(QStringLiteral("StartMeas"));
}

tlv::BoundResult FakeLibrary::Xdc770Simulate(int mode)
{
    return record(QStringLiteral("Simulate %1").arg(mode));
}

tlv::BoundResult FakeLibrary::Xdc770GetReadings(double* readings, double* power)
{
    if (pending.isEmpty()) return 0;
    const int count = static_cast<int>(pending.size());
    const Reading next = pending.takeFirst();
    std::copy(next.values.begin(), next.values.end(), readings);
    std::copy(next.power.begin(), next.power.end(), power);
    return count;
}

tlv::BoundResult FakeLibrary::Xdc770GetAnReadings(double* analog, double* /*power*/)
{
    std::fill(analog, analog + 4, 0.0);
    return 1;
}

tlv::BoundResult FakeLibrary::Xdc770ZeroSensor(int sensor)
{
    return record(QStringLiteral("ZeroSensor %1").arg(sensor));
}

tlv::BoundResult FakeLibrary::Xdc770Zero2(int output)
{
    return record(QStringLiteral("Zero %1").arg(output));
}

tlv::BoundResult FakeLibrary::GetSwitchData(short* pressed, short* knobChange)
{
    *pressed = 0;
    *knobChange = 0;
    return 0;
}

tlv::BoundResult FakeLibrary::DimBacklight(int /*dim*/)
{
    return 0;
}

} // namespace multi::testing
