// The film materials' commands of the remote interface:
//   MAT:CAT?                 "<name>","<name>",...   every material the program offers
//   MAT:DATA? "name"         "<name>","<formula>",<density>,<Z-ratio>,<1 Z-ratio known | 0>
//   SENS:MAT <n>,"name"      sets sensor n's film to that material (density and Z-factor)
//   SENS:MAT? <n>            "<material name, empty when none>",<density>,<Z-factor>
// A name the program's table does not have is "Data out of range" (-222).
#include "ScpiCommandTable.h"

#include "common/remote/ScpiSession.h"

#include <array>

namespace tlv::remote::detail {

namespace {

Outcome Catalog(Context& c, const Parameters&, QByteArray& answer)
{
    QList<Material> materials;
    Outcome outcome = c.target.Materials(materials);
    if (!outcome.ok()) return outcome;
    QByteArrayList names;
    for (const Material& m : materials)
        names << QuotedText(m.name);
    answer = names.join(',');
    return Outcome::Ok();
}

Outcome Data(Context& c, const Parameters& p, QByteArray& answer)
{
    if (p[0].kind != ScpiParameter::Kind::String) return Outcome::Error(SyntaxError);
    QList<Material> materials;
    Outcome outcome = c.target.Materials(materials);
    if (!outcome.ok()) return outcome;
    const QString wanted = p[0].string.trimmed();
    for (const Material& m : materials) {
        if (m.name.compare(wanted, Qt::CaseInsensitive) != 0) continue;
        answer = QuotedText(m.name) + ',' + QuotedText(m.formula) + ',' +
                 ScpiSession::NumberText(m.density) + ',' + ScpiSession::NumberText(m.zRatio) +
                 ',' + (m.zRatioKnown ? '1' : '0');
        return Outcome::Ok();
    }
    return Outcome::Error(DataOutOfRange, QStringLiteral("Unknown material \"%1\".").arg(wanted));
}

Outcome SetSensor(Context& c, const Parameters& p, QByteArray&)
{
    int sensor = 0;
    Outcome outcome = Channel(p[0], kSensorCount, "Sensors", sensor);
    if (!outcome.ok()) return outcome;
    if (p[1].kind != ScpiParameter::Kind::String) return Outcome::Error(SyntaxError);
    return c.target.SetSensorMaterial(sensor, p[1].string);
}

Outcome QuerySensor(Context& c, const Parameters& p, QByteArray& answer)
{
    int sensor = 0;
    QString name;
    double density = 0;
    double zFactor = 0;
    Outcome outcome = Channel(p[0], kSensorCount, "Sensors", sensor);
    if (outcome.ok()) outcome = c.target.SensorMaterial(sensor, name, density, zFactor);
    if (outcome.ok())
        answer = QuotedText(name) + ',' + ScpiSession::NumberText(density) + ',' +
                 ScpiSession::NumberText(zFactor);
    return outcome;
}

constexpr std::array<Command, 4> kMaterialCommands{{
    {"MATerial:CATalog", true, 0, false, Catalog},
    {"MATerial:DATA", true, 1, false, Data},
    {"SENSor:MATerial", false, 2, true, SetSensor},
    {"SENSor:MATerial", true, 1, false, QuerySensor},
}};

} // namespace

std::span<const Command> MaterialCommands()
{
    return kMaterialCommands;
}

} // namespace tlv::remote::detail
