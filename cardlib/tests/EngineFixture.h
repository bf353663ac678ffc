// Fixture for tests that call the exports in-process: every test starts from the engine's state
// at load (threads joined, cards released, defaults), and helpers read the state under its lock.
#pragma once

#include "Engine.h"
#include "tlv880a.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace tlv880::test {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { ResetEngineForTesting(); }
    void TearDown() override { ResetEngineForTesting(); }

    template <typename F> auto WithState(F f)
    {
        Engine& e = Engine::Instance();
        std::lock_guard<std::mutex> lock(e.stateMutex);
        return f(e.state);
    }
};

// Waits for the library's own threads to bring about done(): true when it held. The verdict is
// done() itself; the time-out only ends a test whose thread hangs, and is long enough for a
// sanitizer build on a loaded machine.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds timeout = std::chrono::seconds(60))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        // A pause between looks at the state; it only sets how soon the wait notices.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

} // namespace tlv880::test
