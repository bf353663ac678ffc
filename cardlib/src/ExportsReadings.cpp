// Exports that hand measured data to the callers: the two rings and the front panel.
#include "Engine.h"
#include "Panel.h"
#include "Rings.h"
#include "tlv880a.h"

using tlv880::Engine;

extern "C" {

TLV_API int32_t Xdc770GetReadings(double* readings, double* power)
{
    if (!readings || !power) return 0;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    return tlv880::TakeReading(engine.state, readings, power);
}

TLV_API int32_t Xdc770GetAnReadings(double* analog, double* power)
{
    if (!analog || !power) return 0;
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    return tlv880::TakeAnalogReading(engine.state, analog, power);
}

TLV_API int32_t GetSwitchData(int16_t* pressed, int16_t* knobChange)
{
    if (!pressed || !knobChange) return 1;
    Engine& engine = Engine::Instance();
    bool simulate;
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        simulate = engine.state.simulate != 0;
    }
    uint32_t raw = 0;
    if (!simulate && engine.cards.IsOpen(0))
        raw = (engine.cards.Read(0, tlv880::reg::kFirmwarePanel) & 0xFFFFu) ^ 0x7F00u;
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    tlv880::DecodePanel(engine.state.panel, raw, *pressed, *knobChange);
    return 0;
}

TLV_API int32_t DimBacklight(int32_t dim)
{
    Engine& engine = Engine::Instance();
    std::lock_guard<std::mutex> lock(engine.stateMutex);
    engine.state.dimBacklight = dim != 0 ? 1 : 0;
    return 0;
}

} // extern "C"
