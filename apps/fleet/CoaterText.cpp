#include "CoaterText.h"

#include <cmath>

namespace fleet {

namespace {

QString Number(double value, int decimals, bool known = true)
{
    return known && std::isfinite(value) ? QString::number(value, 'f', decimals)
                                         : QStringLiteral("?");
}

bool Idle(const OutputState& output)
{
    const Reading& r = output.last;
    const auto zero = [](double v, bool known) { return !known || std::abs(v) < 0.0005; };
    return !r.setpoint && zero(r.rate, r.rateKnown) && zero(r.thickness, r.thicknessKnown) &&
           zero(r.power, true);
}

QString OutputText(int number, const OutputState& output)
{
    const Reading& r = output.last;
    QString rate = Number(r.rate, 2, r.rateKnown);
    if (r.setpoint) rate += QLatin1Char('/') + Number(*r.setpoint, 2);
    return QStringLiteral("%1: %2 Å/s %3 kÅ %4 %")
        .arg(number)
        .arg(rate, Number(r.thickness / 1000.0, 3, r.thicknessKnown), Number(r.power, 1));
}

QString SensorText(int number, const SensorState& sensor)
{
    const Reading& r = sensor.last;
    if (sensor.failed) return QStringLiteral("S%1: crystal failure").arg(number);
    return QStringLiteral("S%1: %2 Å/s %3 kÅ")
        .arg(number)
        .arg(Number(r.rate, 2, r.rateKnown), Number(r.thickness / 1000.0, 3, r.thicknessKnown));
}

QString PresenceText(Coater::Presence presence)
{
    switch (presence) {
    case Coater::Presence::Online:
        return QStringLiteral("online");
    case Coater::Presence::Offline:
        return QStringLiteral("offline");
    default:
        return QStringLiteral("?");
    }
}

} // namespace

QStringList ColumnHeads()
{
    // By column, so the heads follow the order of the columns whatever it is.
    QStringList heads(ColumnCount);
    heads[ColCoater] = QStringLiteral("Coater");
    heads[ColProgram] = QStringLiteral("Program");
    heads[ColStatus] = QStringLiteral("Status");
    heads[ColRun] = QStringLiteral("Run");
    heads[ColRecipe] = QStringLiteral("Recipe");
    heads[ColLayer] = QStringLiteral("Layer");
    heads[ColPhase] = QStringLiteral("Phase");
    heads[ColLastReading] = QStringLiteral("Last reading");
    heads[ColAlarms] = QStringLiteral("Alarms");
    heads[ColLife] = QStringLiteral("Crystal life");
    heads[ColReadings] = QStringLiteral("Readings");
    return heads;
}

QStringList RowTexts(const Coater& coater)
{
    QStringList texts(ColumnCount);
    texts[ColCoater] = coater.key.name();
    texts[ColProgram] = coater.key.program;
    texts[ColStatus] = PresenceText(coater.presence);
    if (coater.state) {
        const RunState& state = *coater.state;
        texts[ColRun] = state.run;
        texts[ColRecipe] = state.recipe;
        if (!state.recipe.isEmpty()) {
            texts[ColLayer] =
                state.layer > 0
                    ? QStringLiteral("%1 %2").arg(state.layer).arg(state.layerName).trimmed()
                    : QStringLiteral("-");
            texts[ColPhase] = state.phase;
        }
    }
    QStringList readings;
    for (const auto& [number, output] : coater.outputs)
        if (!Idle(output)) readings << OutputText(number, output);
    if (!coater.outputs.empty() && readings.isEmpty()) readings << QStringLiteral("outputs idle");
    if (coater.outputs.empty())
        for (const auto& [number, sensor] : coater.sensors)
            readings << SensorText(number, sensor);
    texts[ColReadings] = readings.join(QStringLiteral("; "));
    QStringList life;
    for (const auto& [number, sensor] : coater.sensors)
        if (sensor.last.life)
            life << QStringLiteral("S%1 %2 %").arg(number).arg(Number(*sensor.last.life, 0));
    texts[ColLife] = life.join(QStringLiteral(", "));
    if (coater.lastReading.isValid()) {
        texts[ColLastReading] =
            coater.lastReading.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
        if (coater.stale) texts[ColLastReading] += QStringLiteral(" (stale)");
    }
    texts[ColAlarms] = coater.alarms().join(QStringLiteral("; "));
    return texts;
}

} // namespace fleet
