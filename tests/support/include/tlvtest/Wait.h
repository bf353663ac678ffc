#pragma once
// How a test waits for what another thread, another process or the event loop brings about: it
// looks again until the awaited state holds. The limit only ends a test that hangs; the verdict
// is always the awaited state's, never the clock's. Qt-free, for the card library's tests too;
// tlvtest/WaitEvents.h turns the event loop between the looks.

#include <chrono>
#include <thread>
#include <utility>

namespace tlvtest {

using namespace std::chrono_literals;

// Looks at `done` until it holds or `limit` has passed, running `between` after each look that
// found it false (a pause, a turn of the event loop, a read from a child process). True when
// `done` held; a last look is taken at the limit.
template <typename Done, typename Between>
bool WaitUntil(Done&& done, std::chrono::milliseconds limit, Between&& between)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return done();
        between();
    }
    return true;
}

// For state that other threads change: sleeps `pause` between the looks. The pause only sets
// how soon the wait notices.
template <typename Done>
bool WaitFor(Done&& done, std::chrono::milliseconds limit = 60s,
             std::chrono::milliseconds pause = 1ms)
{
    return WaitUntil(std::forward<Done>(done), limit,
                     [pause] { std::this_thread::sleep_for(pause); });
}

} // namespace tlvtest
