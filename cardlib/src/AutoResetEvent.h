// The wake-up event of a library thread: auto-reset, waited on forever or with a time-out, pulsed
// by the exports after they store a new wake interval.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tlv880 {

class AutoResetEvent {
public:
    using Clock = std::chrono::steady_clock;
    enum class Wake { Pulse, Timeout, Stop };

    AutoResetEvent() = default;
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    void reset();
    // Wakes the waiting thread. When it is not waiting yet but about to (it reset the event
    // already), the pulse stays pending so it is not lost between its reset and its wait.
    void pulse();
    // Makes every current and later wait return Stop.
    void stop();
    void rearm(); // undoes stop (a new start after the threads were joined)

    // Waits for a pulse or for intervalMs milliseconds (negative: no time-out). The interval is
    // read under the event's lock, so an interval stored before a pulse is always seen.
    // deadline carries the cadence: each time-out is counted from the previous deadline, so
    // periodic wakes do not drift by the time spent working between them.
    Wake wait(const std::atomic<int32_t>& intervalMs, Clock::time_point& deadline);

private:
    std::mutex mutex_; // guards signalled_ and stopping_
    std::condition_variable condition_;
    bool signalled_ = false;
    bool stopping_ = false;
};

} // namespace tlv880
