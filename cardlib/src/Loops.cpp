#include "Loops.h"

#include "Measurement.h"

#include <cmath>
#include <limits>

namespace tlv880 {

namespace {

void ClampControlOutput(OutputLoop& loop)
{
    if (loop.controlOutput < 0) loop.controlOutput = 0;
    if (loop.controlOutput > loop.maxPower) loop.controlOutput = loop.maxPower;
}

} // namespace

double PidIncrement(LibraryState& s, int output, double error, LoopKind kind)
{
    OutputLoop& loop = s.loops[output];
    if (kind == LoopKind::Rate && (s.sensorMask[output] & s.validSensors) == 0) return 0.0;
    loop.e2 = loop.e1;
    loop.e1 = loop.e0;
    loop.e0 = error;
    const double derivative = (loop.e0 - 2 * loop.e1 + loop.e2) * loop.dTerm / s.period;
    const double integral = loop.iTerm > 0 ? s.period * loop.e0 / loop.iTerm : 0.0;
    const double proportional = loop.e0 - loop.e1;
    loop.lastIncrement = (proportional + integral + derivative) * loop.pTerm / 10000;
    return loop.lastIncrement;
}

void SlewPower(OutputLoop& loop, double step)
{
    const double difference = loop.controlOutput - loop.power;
    if (std::fabs(difference) > step && std::fabs(step) > 0.001)
        loop.power += difference > 0 ? step : -step;
    else
        loop.power = loop.controlOutput;
}

int32_t OutputCode(const LibraryState& s, int output, double power)
{
    const OutputLoop& loop = s.loops[output];
    double p = power;
    if (p > loop.maxPower) p = loop.maxPower;
    if (p < 0) p = 0;
    if (s.firmware[0] != 0) p = -p;
    const double code = std::trunc(p * kConverterFullScale * loop.fullScale);
    // Out-of-range limits (max power and full scale are stored unchecked) must not reach an
    // undefined conversion.
    if (std::isnan(code)) return 0;
    if (code >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (code <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(code);
}

uint32_t PackCodes(int32_t high, int32_t low)
{
    return static_cast<uint32_t>(high) * 65536u + static_cast<uint32_t>(low);
}

void WriteOutput(LibraryState& s, int output, double power, RegisterWrites& writes)
{
    const int32_t code = OutputCode(s, output, power);
    if (output == kAnalogOutputA || output == kAnalogOutputB) {
        s.analogCode[output - kAnalogOutputA] = code;
        writes.add(0, reg::kAnalogOutputs, PackCodes(s.analogCode[0], s.analogCode[1]));
        return;
    }
    const int card = output / 2;
    if (output % 2 == 0)
        s.evenCode[card] = code;
    else
        s.oddCode[card] = code;
    writes.add(card, reg::kOutputs, PackCodes(s.evenCode[card], s.oddCode[card]));
}

void RunLoopPass(LibraryState& s, RegisterWrites* writes)
{
    for (int o = 0; o < kOutputs; ++o) {
        OutputLoop& loop = s.loops[o];
        if (!loop.enabled) continue;
        const double averageRate = GroupAverage(s, s.sensorMask[o]);
        loop.controlOutput += PidIncrement(s, o, loop.setpoint - averageRate, LoopKind::Rate);
        ClampControlOutput(loop);
        SlewPower(loop, s.period * loop.slewRate);
    }
    ReadingSlot& slot = s.readings.slots[s.readings.writeIndex];
    for (int o = 0; o < kOutputs; ++o) {
        if (writes) WriteOutput(s, o, s.loops[o].power, *writes);
        slot.power[o] = s.loops[o].power;
    }
}

void RunAnalogInputLoop(LibraryState& s, int input, double value)
{
    const int o = s.analogMap[input];
    if (o < 0 || o >= kOutputs) return;
    OutputLoop& loop = s.loops[o];
    if (!loop.enabled) return;
    loop.controlOutput += PidIncrement(s, o, loop.setpoint - value, LoopKind::Analog);
    ClampControlOutput(loop);
    SlewPower(loop, loop.slewRate * 10);
    s.readings.slots[s.readings.writeIndex].power[o] = loop.power;
}

void ClearOutputCodes(LibraryState& s)
{
    for (int k = 0; k < kMaxCards; ++k) {
        s.evenCode[k] = 0;
        s.oddCode[k] = 0;
    }
    if (s.analogSection) {
        s.analogCode[0] = 0;
        s.analogCode[1] = 0;
    }
}

} // namespace tlv880
