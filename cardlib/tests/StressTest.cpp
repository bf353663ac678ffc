// Exports called from two threads while the acquisition and analog-input threads run, in
// simulate mode and in real mode over emulated cards. Run under ThreadSanitizer in CI; the
// invariants below hold whatever the interleaving. The run lasts until the reader has taken a
// given number of readings and the writer has made a given number of rounds, so a slow machine
// makes it longer, never a different verdict.
#include "EmulatedFixture.h"

#include <atomic>
#include <cmath>
#include <thread>

namespace tlv880 {
namespace {

using test::EmulatedTest;

bool IsFrequencyField(double f)
{
    return f == -1.0 || f == -2.0 || f == -3.0 || (f >= 1e6 && f <= 1e7);
}

constexpr long kReadingsToTake = 10;
constexpr long kRoundsToMake = 2000;

class Stress : public EmulatedTest {
protected:
    void Hammer(bool toggleModes)
    {
        ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.1), 0);
        ASSERT_EQ(Xdc770Material(0xFFFFFF, 2.7, 1.0, 1.0), 0);
        std::atomic<bool> stop{false};
        std::atomic<long> taken{0};
        std::atomic<long> rounds{0};
        std::atomic<long> violations{0};

        std::thread reader([&] {
            double readings[72], power[14], analog[4];
            int16_t pressed, knob;
            while (!stop.load()) {
                const int n = Xdc770GetReadings(readings, power);
                if (n < 0 || n > 9) ++violations;
                if (n > 0) {
                    ++taken;
                    for (int i = 0; i < 4; ++i)
                        if (!IsFrequencyField(readings[48 + i])) ++violations;
                }
                const int a = Xdc770GetAnReadings(analog, power);
                if (a < 0 || a > 9) ++violations;
                Xdc770GetPower(power);
                for (int o : {0, 1, 12, 13})
                    if (!(power[o] >= 0 && power[o] <= 1)) ++violations;
                GetSwitchData(&pressed, &knob);
            }
        });
        std::thread writer([&] {
            int32_t map[24];
            int32_t anMap[4] = {12, -1, -1, 0};
            long takenAtSwitch = 0;
            bool simulate = false;
            for (int round = 0; !stop.load(); ++round) {
                for (int i = 0; i < 24; ++i)
                    map[i] = (i + round) % 2;
                Xdc770MapSensors(map);
                Xdc770MapAnSensors(anMap);
                Xdc770SetPower(round % 2, (round % 10) / 10.0);
                Xdc770Loop2(5.0 + round % 3, 100, 1, 0.1, (round + 1) % 2);
                Xdc770Auto(0);
                Xdc770FullScale(12, 10, 1, 0.1);
                Xdc770Material(1 << (round % 4), 2.7, 1.0, 1.0 + (round % 2) * 0.5);
                Xdc770ZeroSensor(round % 24);
                Xdc770Zero2(round % 2);
                if (round % 50 == 0) Xdc770Init(6.05e6, 5e6, 6e6, 0.1);
                // A mode switch empties the ring, so the next switch waits for a reading
                // taken since the last one: readings keep arriving however fast this loop runs.
                if (toggleModes && taken.load() > takenAtSwitch) {
                    takenAtSwitch = taken.load();
                    Xdc770Simulate(simulate ? 0 : 1);
                    simulate = !simulate;
                }
                DimBacklight(round % 2);
                rounds.store(round + 1);
                std::this_thread::yield();
            }
        });
        EXPECT_TRUE(test::WaitFor(
            [&] { return taken.load() >= kReadingsToTake && rounds.load() >= kRoundsToMake; },
            std::chrono::seconds(120)))
            << taken.load() << " readings taken, " << rounds.load() << " rounds made";
        stop = true;
        reader.join();
        writer.join();
        EXPECT_EQ(violations.load(), 0);
        EXPECT_EQ(Xdc770Startup2(-1, nullptr), 0);
    }
};

TEST_F(Stress, SimulateModeWithoutCards)
{
    UseCards("", false);
    ASSERT_EQ(Xdc770Startup2(0, nullptr), 904);
    ASSERT_EQ(Xdc770Simulate(1), 0);
    Hammer(false);
}

TEST_F(Stress, RealModeOverEmulatedCards)
{
    UseCards("id=1E,fw=300;id=0F,fw=300", false);
    ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.1), 0);
    ASSERT_EQ(Xdc770Simulate(0), 0);
    Hammer(true);
}

} // namespace
} // namespace tlv880
