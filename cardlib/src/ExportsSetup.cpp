// Exports that configure measurement: start-up, frequency window and period, film material,
// sensor and analog-input assignment, zeroing, simulate mode and measurement start.
#include "Engine.h"
#include "Measurement.h"
#include "Startup.h"
#include "tlv880a.h"

using tlv880::Engine;
using tlv880::LibraryState;

extern "C" {

TLV_API int32_t Xdc770Startup2(int32_t command, int32_t* info)
{
    Engine& engine = Engine::Instance();
    if (command == -1) return tlv880::ShutDownLibrary(engine);
    return tlv880::StartLibrary(engine, info);
}

TLV_API int32_t Xdc770Init(double fmax, double fmin, double finit, double period)
{
    const bool accepted = fmax <= 10000000.0 && fmin >= 1000000.0 && fmax >= fmin &&
                          finit >= fmin && finit <= fmax && period >= 0.1 && period <= 2.0;
    if (!accepted) return 1;
    Engine& engine = Engine::Instance();
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        LibraryState& s = engine.state;
        s.maxFrequency = fmax;
        s.minFrequency = fmin;
        s.initialFrequency = finit;
        s.period = period;
    }
    tlv880::ProgramPeriod(engine);
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    engine.state.initialised = 1;
    return 0;
}

TLV_API int32_t Xdc770Material(int32_t sensorMask, double density, double zFactor, double tooling)
{
    if (!(density >= 0.4 && density <= 100 && zFactor >= 0.1 && zFactor <= 10 && tooling >= 0 &&
          tooling <= 10))
        return 1;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    LibraryState& s = engine.state;
    if (!s.initialised) return 1;
    const auto mask = static_cast<uint32_t>(sensorMask);
    for (int i = 0; i < s.sensorCount && i < tlv880::kSensors; ++i) {
        if (!((mask >> i) & 1u)) continue;
        s.density[i] = density;
        s.zFactor[i] = zFactor;
        if (s.tooling[i] != tooling) s.toolingChanged |= 1u << i;
        s.tooling[i] = tooling;
    }
    tlv880::ComputeThicknessConstants(s);
    return 0;
}

TLV_API int32_t Xdc770MapSensors(const int32_t* map)
{
    if (!map) return 1;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    LibraryState& s = engine.state;
    for (int o = 0; o < s.outputCount && o < tlv880::kOutputs; ++o)
        s.sensorMask[o] = 0;
    s.sensorMask[tlv880::kAnalogOutputA] = 0;
    s.sensorMask[tlv880::kAnalogOutputB] = 0;
    for (int i = 0; i < s.sensorCount && i < tlv880::kSensors; ++i) {
        const int32_t v = map[i];
        const uint32_t bit = 1u << i;
        if (s.analogSection) {
            if (v > 13) return 1;
            if (v == tlv880::kAnalogOutputA || v == tlv880::kAnalogOutputB ||
                (v >= 0 && v < s.outputCount))
                s.sensorMask[v] |= bit;
        } else {
            if (v >= s.outputCount) return 1;
            if (v >= 0) s.sensorMask[v] |= bit;
        }
    }
    return 0;
}

TLV_API int32_t Xdc770MapAnSensors(const int32_t* map)
{
    if (!map) return 1;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    LibraryState& s = engine.state;
    for (auto& mask : s.analogMask)
        mask = 0;
    for (int a = 0; a < tlv880::kAnalogInputs; ++a) {
        const int32_t v = map[a];
        if (v > 13) return 1;
        if (v >= 0) s.analogMask[v] |= 1u << a;
    }
    for (int a = 0; a < tlv880::kAnalogInputs; ++a)
        s.analogMap[a] = map[a] < 0 ? -1 : map[a];
    return 0;
}

TLV_API int32_t Xdc770ZeroSensor(int32_t sensor)
{
    if (sensor < 0 || sensor >= tlv880::kSensors) return 0;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    engine.state.zeroOffset[sensor] = 0;
    return 0;
}

TLV_API int32_t Xdc770Zero2(int32_t output)
{
    // An output outside 0..13 has no sensors: nothing to zero.
    if (output < 0 || output >= tlv880::kOutputs) return 0;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    LibraryState& s = engine.state;
    for (int i = 0; i < s.sensorCount && i < tlv880::kSensors; ++i)
        if ((s.sensorMask[output] >> i) & 1u) s.zeroOffset[i] = 0;
    return 0;
}

TLV_API int32_t Xdc770StartMeas(void)
{
    return tlv880::StartMeasurement(Engine::Instance());
}

TLV_API int32_t Xdc770Simulate(int32_t mode)
{
    return tlv880::SwitchSimulation(Engine::Instance(), mode);
}

} // extern "C"
