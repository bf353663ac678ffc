#include "VirtualCoater.h"

#include "Engine.h"
#include "driver/EmulatedCards.h"
#include "tlv880a.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <unistd.h>

namespace tlv880::rehearsal {

namespace {

// How long one cycle may take the acquisition thread before the run counts as stuck: it polls
// every 2 ms, so this only ends a run whose thread hangs (a sanitizer build on a loaded machine
// included).
constexpr auto kCycleTimeout = std::chrono::seconds(60);

} // namespace

VirtualCoater::~VirtualCoater()
{
    if (started_) ResetEngineForTesting();
    bus::emu::ResetEmulatedBus();
    unsetenv("TLV880_EMU_CHAMBER"); // NOLINT(concurrency-mt-unsafe)
    if (!chamberPath_.empty()) std::remove(chamberPath_.c_str());
}

// The environment is changed only while the library's threads are stopped (before the start,
// after the shutdown), so nothing reads it meanwhile.
bool VirtualCoater::start(const CoaterSetup& setup, std::string* error)
{
    ResetEngineForTesting();
    period_ = setup.period;
    cycles_ = 0;
    readings_.clear();
    std::fill(std::begin(map_), std::end(map_), -1);
    setenv("TLV880_DRIVER", "emulated", 1);             // NOLINT(concurrency-mt-unsafe)
    setenv("TLV880_EMU_CARDS", setup.cards.c_str(), 1); // NOLINT(concurrency-mt-unsafe)
    unsetenv("TLV880_EMU_TRACE");                       // NOLINT(concurrency-mt-unsafe)
    unsetenv("TLV880_EMU_CONTROL");                     // NOLINT(concurrency-mt-unsafe)
    if (setup.chamber.empty()) {
        unsetenv("TLV880_EMU_CHAMBER"); // NOLINT(concurrency-mt-unsafe)
    } else {
        if (chamberPath_.empty()) {
            const char* folder = std::getenv("TMPDIR"); // NOLINT(concurrency-mt-unsafe)
            chamberPath_ = std::string(folder && *folder ? folder : "/tmp") + "/tlv880_chamber_" +
                           std::to_string(::getpid()) + "_" +
                           std::to_string(reinterpret_cast<uintptr_t>(this)) + ".ini";
        }
        std::ofstream(chamberPath_, std::ios::trunc) << setup.chamber;
        setenv("TLV880_EMU_CHAMBER", chamberPath_.c_str(), 1); // NOLINT(concurrency-mt-unsafe)
    }
    bus::emu::ResetEmulatedBus();
    bus::emu::UseManualClock(true);
    if (const std::string why = bus::emu::ConfigError(); !why.empty()) {
        *error = why;
        return false;
    }
    started_ = true;
    const int32_t startup = Xdc770Startup2(0, nullptr);
    if (startup != 0) {
        *error = "start-up result " + std::to_string(startup);
        return false;
    }
    if (Xdc770Init(setup.fmax, setup.fmin, setup.finit, setup.period) != 0 ||
        Xdc770Simulate(0) != 0) {
        *error = "the library refused the frequencies or the period";
        return false;
    }
    return true;
}

int VirtualCoater::material(int sensorMask, double density, double zRatio, double tooling)
{
    return Xdc770Material(sensorMask, density, zRatio, tooling);
}

int VirtualCoater::mapSensor(int sensor, int output)
{
    if (sensor < 0 || sensor >= 24) return 1;
    map_[sensor] = output;
    return Xdc770MapSensors(map_);
}

void VirtualCoater::take()
{
    double values[72], power[14];
    while (Xdc770GetReadings(values, power) > 0) {
        Reading reading;
        reading.time = now();
        for (int s = 0; s < 24; ++s) {
            reading.rate[s] = values[s];
            reading.thickness[s] = values[24 + s];
            reading.frequency[s] = values[48 + s];
        }
        for (int o = 0; o < 14; ++o)
            reading.power[o] = power[o];
        readings_.push_back(reading);
    }
}

bool VirtualCoater::run(int count)
{
    Engine& engine = Engine::Instance();
    const auto step = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(period_));
    for (int i = 0; i < count; ++i) {
        const uint64_t before = engine.cyclesRun.load(std::memory_order_acquire);
        bus::emu::AdvanceClock(step);
        ++cycles_;
        const auto end = std::chrono::steady_clock::now() + kCycleTimeout;
        while (engine.cyclesRun.load(std::memory_order_acquire) == before) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        take();
    }
    return true;
}

bool VirtualCoater::runFor(double seconds)
{
    return run(static_cast<int>(std::lround(seconds / period_)));
}

std::vector<double> VirtualCoater::times() const
{
    std::vector<double> values;
    for (const Reading& r : readings_)
        values.push_back(r.time);
    return values;
}

std::vector<double> VirtualCoater::rates(int sensor) const
{
    std::vector<double> values;
    for (const Reading& r : readings_)
        values.push_back(r.rate[sensor]);
    return values;
}

std::vector<double> VirtualCoater::thickness(int sensor) const
{
    std::vector<double> values;
    for (const Reading& r : readings_)
        values.push_back(r.thickness[sensor]);
    return values;
}

} // namespace tlv880::rehearsal
