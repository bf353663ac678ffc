#include "instrument/CrystalForecast.h"

#include "instrument/cTLV880a.h"

#include <cmath>

namespace tlv {

namespace {

// The library's constants, as it stores them.
constexpr double kFrequencyConstant = 1.668e13; // Nq, Hz·Å
constexpr double kQuartzDensity = 2.648;        // g/cm³
constexpr double kPi = 3.14159265358979;
// Below this rate (Å/s) the crystal is not taking film: no time is forecast.
constexpr double kDepositingRate = 1e-6;

} // namespace

double FilmOfFrequency(double frequency, double initial, double density, double zFactor)
{
    const double k = kFrequencyConstant * kQuartzDensity / (kPi * density * zFactor);
    return k / frequency * std::atan(zFactor * std::tan(kPi - kPi / initial * frequency));
}

std::optional<CrystalForecast> ForecastCrystal(double frequency, double minimum, double initial,
                                               double density, double zFactor, double tooling,
                                               double rate)
{
    if (frequency <= 0 || frequency < minimum || minimum <= 0 || initial <= 0) return {};
    if (!(density > 0) || !(zFactor > 0) || !(tooling > 0)) return {};
    const double left = FilmOfFrequency(minimum, initial, density, zFactor) -
                        FilmOfFrequency(frequency, initial, density, zFactor);
    if (!std::isfinite(left)) return {};
    CrystalForecast forecast;
    forecast.filmLeft = std::max(left, 0.0) / 1000;
    forecast.thicknessLeft = forecast.filmLeft * tooling / 100;
    if (rate > kDepositingRate) forecast.secondsLeft = forecast.thicknessLeft * 1000 / rate;
    return forecast;
}

} // namespace tlv

std::optional<tlv::CrystalForecast> cTLV880a::SensorForecast(short sen, double frequency,
                                                             double rate) const
{
    if (sen < 0 || sen >= kSensors) return {};
    const SensorSettings& s = m_sensors[static_cast<size_t>(sen)];
    return tlv::ForecastCrystal(frequency, SensorMinFreq(), SensorInitFreq(), s.density, s.zFactor,
                                s.tooling, rate);
}
