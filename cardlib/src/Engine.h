// The library's one engine per process: the state record and its mutex, the card table, the
// acquisition and analog-input threads with their wake intervals and events, and the start-up
// life cycle. The exports reach everything through Engine::Instance().
//
// Locking: stateMutex guards `state` (LibraryState, both rings included) and is held only around
// short compute sections; the card table has its own mutex for register I/O and is never taken
// while stateMutex is held. lifecycleMutex serialises start-up, shutdown and unload.
#pragma once

#include "AutoResetEvent.h"
#include "CardTable.h"
#include "LibraryState.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace tlv880 {

class Engine {
public:
    static Engine& Instance();

    Engine() = default;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    ~Engine(); // library unload, see Unload

    std::mutex stateMutex; // guards state
    LibraryState state;
    CardTable cards;

    std::mutex lifecycleMutex; // guards started, shutDown and the thread objects
    bool started = false;
    bool shutDown = false;

    // Stores a wake interval (ms, negative: no time-out) and pulses the thread's event.
    void WakeAcquisition(int32_t intervalMs);
    void WakeAnalog(int32_t intervalMs);
    void SetAcquisitionInterval(int32_t intervalMs);
    void SetAnalogInterval(int32_t intervalMs);
    int32_t AcquisitionInterval() const;
    int32_t AnalogInterval() const;

    // Creates both threads (once; the caller holds lifecycleMutex).
    void StartThreads();
    // Stops and joins both threads (the caller holds lifecycleMutex).
    void StopThreads();

    // One wake of each thread, also used directly by tests.
    void AcquisitionStep();
    void AnalogStep();

    // Makes sure Unload runs before the static objects of the card bus are destroyed: called
    // after the bus was first used, it registers a guard that is destroyed before them.
    void ArmUnload();
    // Parks the acquisition thread, stops and joins both threads, stops the cards when they were
    // measuring, and releases every card. Safe to run more than once.
    void Unload();

    // Cycles run and the steady-clock time (ns) at which the last one began, for the cadence
    // measurements.
    std::atomic<uint64_t> cyclesRun{0};
    std::atomic<int64_t> lastCycleStartNs{0};
    // The SCHED_FIFO priority the acquisition thread was granted, 0 for normal scheduling.
    std::atomic<int> realTimePriority{0};

private:
    void AcquisitionLoop();
    void AnalogLoop();

    std::atomic<int32_t> acquisitionInterval_{-1};
    std::atomic<int32_t> analogInterval_{-1};
    AutoResetEvent acquisitionEvent_;
    AutoResetEvent analogEvent_;
    std::thread acquisitionThread_;
    std::thread analogThread_;
};

// Brings the engine back to its state at load: threads joined, cards released, state defaults.
// For test programs that run several start-up scenarios in one process.
void ResetEngineForTesting();

} // namespace tlv880
