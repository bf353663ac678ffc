// Exports that drive the outputs: control loops, manual power, output scaling and power read-back.
#include "Engine.h"
#include "Loops.h"
#include "Rings.h"
#include "tlv880a.h"

#include <cmath>

using tlv880::Engine;
using tlv880::LibraryState;
using tlv880::OutputLoop;

extern "C" {

TLV_API int32_t Xdc770Loop2(double setpoint, double pTerm, double iTerm, double dTerm,
                            int32_t output)
{
    // A NaN would poison the loop's control output for good.
    if (std::isnan(setpoint) || std::isnan(pTerm) || std::isnan(iTerm) || std::isnan(dTerm))
        return 1;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    LibraryState& s = engine.state;
    if (!tlv880::IsOutputAccepted(s, output)) return 1;
    OutputLoop& loop = s.loops[output];
    loop.setpoint = setpoint;
    loop.pTerm = pTerm;
    loop.iTerm = iTerm;
    loop.dTerm = dTerm;
    loop.controlOutput = loop.power; // bumpless take-over
    if (!loop.enabled) {
        loop.lastIncrement = 0;
        loop.e0 = loop.e1 = loop.e2 = 0;
    }
    loop.enabled = 1;
    return 0;
}

TLV_API int32_t Xdc770Auto(int32_t output)
{
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    LibraryState& s = engine.state;
    if (!tlv880::IsOutputAccepted(s, output)) return 1;
    OutputLoop& loop = s.loops[output];
    loop.controlOutput = loop.power;
    loop.lastIncrement = 0;
    loop.e0 = loop.e1 = loop.e2 = 0;
    return 0;
}

TLV_API int32_t Xdc770SetPower(int32_t output, double power)
{
    if (!(power >= 0 && power <= 1)) return 1;
    Engine& engine = Engine::Instance();
    tlv880::RegisterWrites writes;
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        LibraryState& s = engine.state;
        if (!tlv880::IsOutputAccepted(s, output)) return 1;
        OutputLoop& loop = s.loops[output];
        loop.enabled = 0;
        loop.power = power;
        if (!s.simulate) tlv880::WriteOutput(s, output, power, writes);
    }
    engine.cards.Apply(writes);
    return 0;
}

TLV_API int32_t Xdc770FullScale(int32_t output, double volts, double maxPower, double slewRate)
{
    if (!(volts >= -10 && volts <= 10)) return 1;
    if (std::isnan(maxPower) || std::isnan(slewRate)) return 1;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    LibraryState& s = engine.state;
    if (!tlv880::IsOutputAccepted(s, output)) return 1;
    OutputLoop& loop = s.loops[output];
    loop.fullScale = volts / 10;
    loop.maxPower = maxPower;
    loop.slewRate = slewRate;
    return 0;
}

TLV_API int32_t Xdc770GetPower(double* power)
{
    if (!power) return 1;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    const LibraryState& s = engine.state;
    double current[tlv880::kOutputs];
    for (int o = 0; o < tlv880::kOutputs; ++o)
        current[o] = s.loops[o].power;
    tlv880::CopyPowers(s, current, power);
    return 0;
}

} // extern "C"
