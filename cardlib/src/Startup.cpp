#include "Startup.h"

#include "CardOrder.h"
#include "Cycle.h"
#include "Loops.h"
#include "Measurement.h"
#include "Rings.h"
#include "Simulation.h"

#include <chrono>
#include <thread>

namespace tlv880 {

namespace {

constexpr uint32_t kPeriodTimeBase = 15625; // Hz
constexpr int32_t kRealModeIntervalMs = 2;
constexpr int32_t kAnalogIntervalMs = 10;

void Pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Reset sequence of the master card's analog section.
void ResetAnalogSection(CardTable& cards)
{
    cards.Write(0, reg::kIdentityAnalogControl, 4);
    Pause(5);
    cards.Write(0, reg::kIdentityAnalogControl, 12);
    cards.Write(0, reg::kIdentityAnalogControl, 4);
    Pause(300);
    cards.Write(0, reg::kIdentityAnalogControl, 0);
    Pause(5);
    cards.Write(0, reg::kIdentityAnalogControl, 16);
}

uint32_t TimeOfDaySeed()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 86400000);
}

void ReportVersions(const LibraryState& s, int32_t* info)
{
    if (!info) return;
    for (int k = 1; k <= s.cardCount && k <= kMaxCards; ++k)
        info[k] = s.firmware[k - 1];
}

} // namespace

int32_t FirmwareVersion(uint32_t firmwareRegister)
{
    const auto version = static_cast<int32_t>(firmwareRegister >> 16);
    return version < 200 || version > 500 ? 0 : version;
}

void ProgramPeriod(Engine& engine)
{
    RegisterWrites writes;
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        LibraryState& s = engine.state;
        const int32_t ms = PeriodMilliseconds(s.period);
        if (s.simulate) {
            engine.SetAcquisitionInterval(ms);
            return;
        }
        const uint32_t periodCount = static_cast<uint32_t>(ms) * kPeriodTimeBase / 1000u;
        s.gate = GateCount(s.minFrequency, s.period);
        for (int k = 0; k < s.cardCount && k < kMaxCards; ++k)
            writes.add(k, reg::kStatusPeriod, ~periodCount);
        for (int k = 0; k < s.cardCount && k < kMaxCards; ++k)
            writes.add(k, reg::kGate, ~s.gate);
        s.initialised = 1;
    }
    engine.cards.Apply(writes);
}

int32_t StartLibrary(Engine& engine, int32_t* info)
{
    std::lock_guard<std::mutex> life(engine.lifecycleMutex);
    if (engine.started && !engine.shutDown) {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        ReportVersions(engine.state, info);
        return 0;
    }
    // First start, or a start after a shutdown: the threads exist from the first start on; the
    // cards are found afresh either way.
    engine.started = true;
    engine.shutDown = false;
    engine.StartThreads();

    const Discovery found = engine.cards.Discover(bus::SelectBus());
    engine.ArmUnload();
    const bool analog =
        found.count > 0 && CardIdentity(found.identityRegister[0]) == kIdentityMasterAnalog;
    if (found.count >= 2) engine.cards.Write(0, reg::kFirmwarePanel, 2);
    if (analog) ResetAnalogSection(engine.cards);
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        LibraryState& s = engine.state;
        s.startupResult = found.result;
        s.cardCount = found.count;
        s.multiCard = found.count >= 2 ? 1 : 0;
        s.analogSection = analog ? 1 : 0;
        s.forcedSimulate = found.result == 904 ? 1 : 0;
        if (s.forcedSimulate) s.simulate = 1;
        for (auto& version : s.firmware)
            version = 0;
        s.referenceClock = kReferenceClock;
        if (found.result != 0) return found.result;
        ResetRings(s);
    }

    int32_t versions[kMaxCards] = {};
    for (int k = 0; k < found.count; ++k)
        versions[k] = FirmwareVersion(engine.cards.Read(k, reg::kFirmwarePanel));

    bool simulate;
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        LibraryState& s = engine.state;
        for (int k = 0; k < found.count; ++k)
            s.firmware[k] = versions[k];
        if (versions[0] < 202) s.referenceClock = kSlowReferenceClock;
        if (info) {
            ReportVersions(s, info);
            info[7] = s.analogSection && versions[0] != 0 ? versions[0] : 0;
        }
        simulate = s.simulate != 0;
    }
    if (!simulate) {
        for (int k = 0; k < found.count; ++k)
            if (versions[k] != 0) engine.cards.Write(k, reg::kOutputs, 0);
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        ClearOutputCodes(engine.state);
        engine.state.randomSeed = TimeOfDaySeed();
    }
    return 0;
}

int32_t ShutDownLibrary(Engine& engine)
{
    std::lock_guard<std::mutex> life(engine.lifecycleMutex);
    engine.SetAcquisitionInterval(-1);
    engine.SetAnalogInterval(-1);
    RegisterWrites writes;
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        LibraryState& s = engine.state;
        if (s.startupResult == 0) {
            if (!s.simulate)
                for (int k = 0; k < s.cardCount && k < kMaxCards; ++k)
                    writes.add(k, reg::kControl, 0);
            writes.add(0, reg::kIdentityAnalogControl, 0);
            writes.add(0, reg::kOutputs, 0);
            for (int k = 1; k < s.cardCount && k < kMaxCards; ++k)
                writes.add(k, reg::kOutputs, 0);
            ClearOutputCodes(s);
        }
    }
    engine.cards.Apply(writes);
    // Every card is released, not only the master, so no mapping or registration outlives the
    // shutdown; a later start finds the cards afresh.
    engine.cards.ReleaseAll();
    engine.shutDown = true;
    return 0;
}

int32_t StartMeasurement(Engine& engine)
{
    bool analog;
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        if (!engine.state.initialised) return 1;
        if (engine.state.simulate) return 0;
        analog = engine.state.analogSection != 0;
    }
    ProgramPeriod(engine);
    if (analog) engine.WakeAnalog(kAnalogIntervalMs);
    RegisterWrites writes;
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        AddRestartSequence(engine.state, writes);
    }
    engine.cards.Apply(writes);
    return 0;
}

int32_t SwitchSimulation(Engine& engine, int32_t mode)
{
    int32_t result;
    bool forced;
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        LibraryState& s = engine.state;
        for (int i = 0; i < s.sensorCount && i < kSensors; ++i)
            s.zeroOffset[i] = 0;
        result = s.startupResult;
        forced = s.forcedSimulate != 0;
    }
    auto realModeOutputs = [](const LibraryState& s) {
        return 2 * s.cardCount + (s.analogSection ? 2 : 0);
    };
    if (mode == 0 && result == 0) {
        if (forced) {
            std::lock_guard<std::mutex> lock(engine.stateMutex);
            engine.state.simulate = 1;
        } else {
            // The flag is cleared before the thread is woken, so the wake runs no last
            // simulated cycle into the rings after real mode was asked for.
            {
                std::lock_guard<std::mutex> lock(engine.stateMutex);
                engine.state.sensorCount = 4 * engine.state.cardCount;
                engine.state.simulate = 0;
            }
            engine.WakeAcquisition(kRealModeIntervalMs);
            StartMeasurement(engine);
            std::lock_guard<std::mutex> lock(engine.stateMutex);
            engine.state.outputCount = realModeOutputs(engine.state);
        }
    } else if (mode == 1) {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        LibraryState& s = engine.state;
        s.simulate = 1;
        if (s.cardCount == 0) {
            s.sensorCount = kSensors;
            s.outputCount = kOutputs;
        } else {
            s.sensorCount = 4 * s.cardCount;
            s.outputCount = realModeOutputs(s);
        }
    }

    RegisterWrites writes;
    int32_t intervalMs;
    {
        std::lock_guard<std::mutex> lock(engine.stateMutex);
        LibraryState& s = engine.state;
        if (s.simulate && s.startupResult == 0) {
            ClearOutputCodes(s);
            for (int k = 0; k < s.cardCount && k < kMaxCards; ++k)
                writes.add(k, reg::kControl, 0);
            // Zero power goes to every output of the open cards even though simulate mode is on.
            for (int o = 0; o < 2 * s.cardCount && o < 2 * kMaxCards; ++o)
                WriteOutput(s, o, 0.0, writes);
            if (s.analogSection) {
                WriteOutput(s, kAnalogOutputA, 0.0, writes);
                WriteOutput(s, kAnalogOutputB, 0.0, writes);
            }
        }
        s.readings.writeIndex = 0;
        s.readings.readIndex = 0;
        ClearSimulatedHistory(s);
        intervalMs = s.simulate ? PeriodMilliseconds(s.period) : kRealModeIntervalMs;
    }
    engine.cards.Apply(writes);
    engine.WakeAcquisition(intervalMs);
    return 0;
}

} // namespace tlv880
