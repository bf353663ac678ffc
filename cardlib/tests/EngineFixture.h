// Fixture for tests that call the exports in-process: every test starts from the engine's state
// at load (threads joined, cards released, defaults), and helpers read the state under its lock.
#pragma once

#include "Engine.h"
#include "tlv880a.h"
#include "tlvtest/Wait.h"

#include <gtest/gtest.h>

#include <mutex>

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

// Waits for the library's own threads to bring about done(); the default limit is long enough
// for a sanitizer build on a loaded machine.
using tlvtest::WaitFor;

} // namespace tlv880::test
