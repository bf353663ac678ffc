#include "AutoResetEvent.h"

namespace tlv880 {

void AutoResetEvent::reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
}

void AutoResetEvent::pulse()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    condition_.notify_one();
}

void AutoResetEvent::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    condition_.notify_all();
}

void AutoResetEvent::rearm()
{
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
    signalled_ = false;
}

AutoResetEvent::Wake AutoResetEvent::wait(const std::atomic<int32_t>& intervalMs,
                                          Clock::time_point& deadline)
{
    std::unique_lock<std::mutex> lock(mutex_);
    const int32_t ms = intervalMs.load(std::memory_order_acquire);
    auto ready = [this] { return signalled_ || stopping_; };
    bool woken;
    if (ms < 0) {
        condition_.wait(lock, ready);
        woken = true;
    } else {
        const auto interval = std::chrono::milliseconds(ms);
        const auto now = Clock::now();
        deadline += interval;
        // Far behind (a long pause) or far ahead (the interval was shortened): count afresh.
        if (deadline < now - interval || deadline > now + interval) deadline = now + interval;
        woken = condition_.wait_until(lock, deadline, ready);
    }
    if (stopping_) return Wake::Stop;
    if (!woken) return Wake::Timeout;
    signalled_ = false;
    deadline = Clock::now();
    return Wake::Pulse;
}

} // namespace tlv880
