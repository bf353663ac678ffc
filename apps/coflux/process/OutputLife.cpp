#include "OutputLife.h"

#include "instrument/CrystalForecastText.h"

#include <QStringList>

namespace coflux {

int LeastLifeSensor(const ReadingArrays& r, int sensorBits)
{
    int least = -1;
    for (int s = 0; s < kSensorSlots; ++s) {
        const auto& forecast = r.SenForecast[static_cast<size_t>(s)];
        if (!InputHasSensor(sensorBits, s) || !forecast) continue;
        if (least < 0 ||
            forecast->thicknessLeft < r.SenForecast[static_cast<size_t>(least)]->thicknessLeft)
            least = s;
    }
    return least;
}

QString OutputLifeText(const ReadingArrays& r, int sensorBits)
{
    if ((sensorBits & kSensorBitsMask) == 0) return {};
    const int s = LeastLifeSensor(r, sensorBits);
    return tlv::LifeLeftText(s < 0 ? std::nullopt : r.SenForecast[static_cast<size_t>(s)]);
}

QString OutputLifeDetail(const ReadingArrays& r, int sensorBits)
{
    QStringList lines;
    for (int s = 0; s < kSensorSlots; ++s)
        if (InputHasSensor(sensorBits, s))
            lines << QStringLiteral("Sensor %1: %2")
                         .arg(s + 1)
                         .arg(tlv::LifeLeftText(r.SenForecast[static_cast<size_t>(s)]));
    return lines.join(QLatin1Char('\n'));
}

} // namespace coflux
