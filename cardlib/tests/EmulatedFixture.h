// Fixture for end-to-end tests over the emulated card bus: each test describes its cards, gets a
// fresh bus and engine, and reads back the register-write trace.
#pragma once

#include "EngineFixture.h"
#include "driver/EmulatedCards.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace tlv880::test {

class EmulatedTest : public EngineTest {
protected:
    void TearDown() override
    {
        EngineTest::TearDown();
        bus::emu::ResetEmulatedBus();
        std::remove(tracePath_.c_str());
    }

    // Describes the cards (TLV880_EMU_CARDS syntax) and starts over with a fresh bus; with
    // manualClock the cards never finish a measurement until the test advances their clock.
    void UseCards(const std::string& cards, bool manualClock = true)
    {
        ResetEngineForTesting();
        tracePath_ = ::testing::TempDir() + "tlv880_trace_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
        std::remove(tracePath_.c_str());
        setenv("TLV880_DRIVER", "emulated", 1);
        setenv("TLV880_EMU_CARDS", cards.c_str(), 1);
        setenv("TLV880_EMU_TRACE", tracePath_.c_str(), 1);
        bus::emu::ResetEmulatedBus();
        if (manualClock) bus::emu::UseManualClock(true);
    }

    std::vector<std::string> Trace() const
    {
        std::vector<std::string> lines;
        std::ifstream in(tracePath_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Trace lines written from the given index on.
    std::vector<std::string> TraceFrom(size_t first) const
    {
        const auto all = Trace();
        return first < all.size() ? std::vector<std::string>(all.begin() + first, all.end())
                                  : std::vector<std::string>{};
    }

    static std::string Line(int card, unsigned offset, uint32_t value)
    {
        char text[40];
        std::snprintf(text, sizeof text, "%d 0x%02X 0x%08X", card, offset, value);
        return text;
    }

    std::string tracePath_;
};

} // namespace tlv880::test
