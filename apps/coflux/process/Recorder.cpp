#include "Recorder.h"

namespace coflux {

namespace {

double RateOrThickness(short scale, double rate, double thicknessKA)
{
    switch (scale) {
    case Scale10Rate:
        return rate * 10;
    case Scale100Rate:
        return rate;
    case Scale100kA:
        return thicknessKA;
    case Scale1000kA:
        return thicknessKA / 10;
    default:
        return 0;
    }
}

} // namespace

double RecorderValue(const OutputRecord& output, const ReadingArrays& readings)
{
    const short scale = output.RecScale;

    const int analog = InputAnalog(output.Input);
    if (analog >= 0 && analog < kAnalogInputs) {
        const double volts = readings.AnVolts[static_cast<size_t>(analog)];
        if (scale == Scale1Volt) return volts * 100;
        if (scale == Scale10Volts) return volts * 10;
        return 0;
    }

    const int source = InputOutput(output.Input);
    if (source >= 0 && source < kOutputSlots) {
        const auto k = static_cast<size_t>(source);
        if (scale == Scale10Power) return readings.OutPower[k] * 10;
        if (scale == Scale100Power) return readings.OutPower[k];
        return RateOrThickness(scale, readings.OutRate[k], readings.OutThick[k]);
    }

    for (int s = 0; s < kConfiguredSensors; ++s) {
        if (InputHasSensor(output.Input, s)) {
            const auto i = static_cast<size_t>(s);
            return RateOrThickness(scale, readings.SenRate[i], readings.SenThick[i]);
        }
    }
    return 0;
}

double ClampRecorderPower(double percent)
{
    if (!(percent > 0)) // negative, zero, or not a number (a failed crystal's reading)
        return 0;
    if (percent >= 100) return 100;
    return percent;
}

} // namespace coflux
