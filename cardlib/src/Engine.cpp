#include "Engine.h"

#include "Cycle.h"
#include "Loops.h"
#include "RealTime.h"
#include "Rings.h"

namespace tlv880 {

namespace {

constexpr uint32_t kMeasurementReady = 0x80000000u;
constexpr uint32_t kConversionReady = 0x4u;
constexpr double kVoltsPerCode = 1.907352270798246e-05;
constexpr double kZeroVoltsCode = 0x80000;

// Constructed at load, before any thread exists; destroyed at unload (dlclose or process exit).
Engine gEngine;

} // namespace

Engine& Engine::Instance()
{
    return gEngine;
}

Engine::~Engine()
{
    Unload();
}

namespace {
struct UnloadGuard {
    ~UnloadGuard() { Engine::Instance().Unload(); }
};
} // namespace

void Engine::ArmUnload()
{
    static UnloadGuard guard;
    (void)guard;
}

void Engine::Unload()
{
    std::lock_guard<std::mutex> life(lifecycleMutex);
    acquisitionInterval_.store(-1, std::memory_order_release);
    // Join first, so no cycle re-arms the cards after they were stopped below.
    StopThreads();
    bool stopCards;
    int cardCount;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        stopCards = started && state.startupResult == 0 && !state.simulate;
        cardCount = state.cardCount;
    }
    if (stopCards)
        for (int k = 0; k < cardCount; ++k)
            cards.Write(k, reg::kControl, 0);
    cards.ReleaseAll();
    started = false;
}

void Engine::SetAcquisitionInterval(int32_t intervalMs)
{
    acquisitionInterval_.store(intervalMs, std::memory_order_release);
}

void Engine::SetAnalogInterval(int32_t intervalMs)
{
    analogInterval_.store(intervalMs, std::memory_order_release);
}

int32_t Engine::AcquisitionInterval() const
{
    return acquisitionInterval_.load(std::memory_order_acquire);
}

int32_t Engine::AnalogInterval() const
{
    return analogInterval_.load(std::memory_order_acquire);
}

void Engine::WakeAcquisition(int32_t intervalMs)
{
    SetAcquisitionInterval(intervalMs);
    acquisitionEvent_.pulse();
}

void Engine::WakeAnalog(int32_t intervalMs)
{
    SetAnalogInterval(intervalMs);
    analogEvent_.pulse();
}

void Engine::StartThreads()
{
    if (acquisitionThread_.joinable() || analogThread_.joinable()) return;
    acquisitionEvent_.rearm();
    analogEvent_.rearm();
    acquisitionThread_ = std::thread([this] { AcquisitionLoop(); });
    analogThread_ = std::thread([this] { AnalogLoop(); });
}

void Engine::StopThreads()
{
    acquisitionEvent_.stop();
    analogEvent_.stop();
    if (acquisitionThread_.joinable()) acquisitionThread_.join();
    if (analogThread_.joinable()) analogThread_.join();
}

// The thread asks once for real-time scheduling; the waits are on absolute deadlines (the
// previous deadline plus the interval), so a late wake shortens the next wait instead of
// shifting every later cycle.
void Engine::AcquisitionLoop()
{
    realTimePriority.store(RequestRealTimeScheduling(kAcquisitionPriority),
                           std::memory_order_release);
    auto deadline = AutoResetEvent::Clock::now();
    for (;;) {
        acquisitionEvent_.reset();
        if (acquisitionEvent_.wait(acquisitionInterval_, deadline) == AutoResetEvent::Wake::Stop)
            return;
        AcquisitionStep();
        acquisitionEvent_.reset();
    }
}

void Engine::AnalogLoop()
{
    auto deadline = AutoResetEvent::Clock::now();
    for (;;) {
        analogEvent_.reset();
        if (analogEvent_.wait(analogInterval_, deadline) == AutoResetEvent::Wake::Stop) return;
        AnalogStep();
    }
}

void Engine::AcquisitionStep()
{
    const auto wokeAt = AutoResetEvent::Clock::now().time_since_epoch();
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        if (state.simulate) {
            RunSimulatedCycle(state);
            lastCycleStartNs.store(std::chrono::nanoseconds(wokeAt).count(),
                                   std::memory_order_relaxed);
            cyclesRun.fetch_add(1, std::memory_order_release);
            return;
        }
    }
    if (!(cards.Read(0, reg::kStatusPeriod) & kMeasurementReady)) return;

    // Counts are read before the state is locked and the writes made after it is released, so
    // the compute section stays short and register I/O never holds up the exports.
    uint32_t counts[kSensors];
    cards.ReadCounts(counts);
    RegisterWrites writes;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        if (state.simulate) return; // simulate mode began while the counts were read
        RunMeasurementCycle(state, counts, writes);
    }
    cards.Apply(writes);
    lastCycleStartNs.store(std::chrono::nanoseconds(wokeAt).count(), std::memory_order_relaxed);
    cyclesRun.fetch_add(1, std::memory_order_release);
}

void Engine::AnalogStep()
{
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        if (state.simulate) return;
    }
    const uint32_t status = cards.Read(0, reg::kAnalogStatus);
    if (!(status & kConversionReady)) return;
    const int input = (status & 3u) ? static_cast<int>(status & 3u) - 1 : 3;
    const uint32_t raw = cards.Read(0, reg::kAnalogResult0 + 4u * static_cast<uint32_t>(input));
    const double volts = -(static_cast<double>(raw) - kZeroVoltsCode) * kVoltsPerCode;
    cards.Write(0, reg::kIdentityAnalogControl, 0x30);
    cards.Write(0, reg::kIdentityAnalogControl, 0x10);

    std::lock_guard<std::mutex> lock(stateMutex);
    state.analogValues[input] = volts;
    if (state.analogMap[input] != -1) RunAnalogInputLoop(state, input, volts);
    if (input == 3) {
        double* slot = AdvanceAnalogRing(state.analog);
        for (int a = 0; a < kAnalogInputs; ++a)
            slot[a] = state.analogValues[a];
    }
}

void ResetEngineForTesting()
{
    Engine& e = Engine::Instance();
    std::lock_guard<std::mutex> life(e.lifecycleMutex);
    e.StopThreads();
    e.cards.ReleaseAll();
    e.SetAcquisitionInterval(-1);
    e.SetAnalogInterval(-1);
    e.started = false;
    e.shutDown = false;
    std::lock_guard<std::mutex> lock(e.stateMutex);
    e.state = LibraryState{};
}

} // namespace tlv880
