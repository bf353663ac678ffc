#include "instrument/CrystalForecastText.h"

#include <cmath>

namespace tlv {

namespace {

const QString kNone = QStringLiteral("--");
// Beyond this the time says only that it is long (99:59:59).
constexpr double kLongest = 99 * 3600 + 59 * 60 + 59;

} // namespace

QString ThicknessLeftText(const std::optional<CrystalForecast>& forecast)
{
    if (!forecast) return kNone;
    return QString::number(forecast->thicknessLeft, 'f', 2);
}

QString TimeLeftText(const std::optional<CrystalForecast>& forecast)
{
    if (!forecast || !forecast->secondsLeft) return kNone;
    const auto total =
        static_cast<long long>(std::llround(std::min(*forecast->secondsLeft, kLongest)));
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString LifeLeftText(const std::optional<CrystalForecast>& forecast)
{
    if (!forecast) return kNone;
    QString text = ThicknessLeftText(forecast) + QStringLiteral(" kA");
    if (forecast->secondsLeft) text += QLatin1Char(' ') + TimeLeftText(forecast);
    return text;
}

} // namespace tlv
