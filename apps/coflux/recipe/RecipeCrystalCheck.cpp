#include "RecipeCrystalCheck.h"

#include <cmath>

namespace coflux {

namespace {

QString Shortfall(int sensor, double left, double needed)
{
    if (!std::isfinite(left))
        return QStringLiteral("sensor %1 has failed, the layer needs %2 kA")
            .arg(sensor + 1)
            .arg(needed, 0, 'f', 3);
    return QStringLiteral("sensor %1 has %2 kA left, the layer needs %3 kA")
        .arg(sensor + 1)
        .arg(left, 0, 'f', 3)
        .arg(needed, 0, 'f', 3);
}

} // namespace

double LayerThicknessNeeded(const RecipeLayer& layer, const LayerOutput& o)
{
    switch (layer.end) {
    case LayerEnd::OutputThickness: {
        if (o.number == layer.endOutput) return layer.endThick;
        const LayerOutput* ending = layer.Output(layer.endOutput);
        if (!ending || ending->rate <= 0) return -1;
        return layer.endThick * o.rate / ending->rate;
    }
    case LayerEnd::Time:
        return o.rate * layer.endTime / 1000.0;
    case LayerEnd::SensorThickness:
        break;
    }
    return -1;
}

QStringList CheckLayerCrystals(const RecipeLayer& layer,
                               const std::array<int, kProcessOutputs>& outputSensors,
                               const std::array<double, kProcessSensors>& sensorLeft)
{
    QStringList shortfalls;
    auto check = [&](int sensor, double needed) {
        const double left = sensorLeft[size_t(sensor)];
        if (std::isfinite(left) && left >= needed) return;
        const QString line = Shortfall(sensor, left, needed);
        if (!shortfalls.contains(line)) shortfalls << line;
    };
    for (const LayerOutput& o : layer.outputs) {
        const double needed = LayerThicknessNeeded(layer, o);
        if (needed <= 0 || o.slot < 0 || o.slot >= kProcessOutputs) continue;
        const int bits = outputSensors[size_t(o.slot)];
        for (int s = 0; s < kProcessSensors; ++s)
            if ((bits >> s) & 1) check(s, needed);
    }
    if (layer.end == LayerEnd::SensorThickness && layer.endSensor >= 1 &&
        layer.endSensor <= kProcessSensors)
        check(layer.endSensor - 1, layer.endThick);
    return shortfalls;
}

} // namespace coflux
