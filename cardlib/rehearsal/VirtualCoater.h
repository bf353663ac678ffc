// The card library in real mode on the virtual coater, stepped on the emulated cards' manual
// clock: each cycle covers exactly one measurement period of card time, however fast the machine
// is, so a run is fast and repeatable. For tests, benchmarks and loop tuning in one process (it
// drives the library's engine in-process and owns the emulated bus while it lives).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tlv880::rehearsal {

struct CoaterSetup {
    std::string cards = "id=1E,fw=300"; // TLV880_EMU_CARDS
    std::string chamber;                // text of the chamber file (empty: none)
    double fmax = 6.1e6, fmin = 5e6, finit = 6e6;
    double period = 0.25; // s
};

// One reading slot of the library, with the card time it was taken at.
struct Reading {
    double time = 0; // s since the start
    double rate[24] = {};
    double thickness[24] = {};
    double frequency[24] = {};
    double power[14] = {};
};

class VirtualCoater {
public:
    VirtualCoater() = default;
    VirtualCoater(const VirtualCoater&) = delete;
    VirtualCoater& operator=(const VirtualCoater&) = delete;
    // Shuts the library down and forgets the emulated bus and the chamber file.
    ~VirtualCoater();

    // Starts the library on fresh emulated cards, programs the frequencies and the period and
    // leaves simulate mode. False with the reason in error (e.g. a refused chamber file).
    bool start(const CoaterSetup& setup, std::string* error);

    // Material of the sensors in mask (density g/cm3, Z-ratio, tooling factor); sensor to
    // output map entries (-1: none). Both return the library's result (0 accepted).
    int material(int sensorMask, double density, double zRatio, double tooling);
    int mapSensor(int sensor, int output);

    // Runs `count` measurement cycles and keeps their readings; false when the library's
    // acquisition thread stops running cycles.
    bool run(int count = 1);
    // Runs cycles until `seconds` of card time have passed.
    bool runFor(double seconds);

    double now() const { return cycles_ * period_; }
    double period() const { return period_; }
    const std::vector<Reading>& readings() const { return readings_; }
    // One sensor's rate or thickness over all readings, and their times.
    std::vector<double> times() const;
    std::vector<double> rates(int sensor) const;
    std::vector<double> thickness(int sensor) const;

private:
    void take();

    std::string chamberPath_;
    double period_ = 0.25;
    long cycles_ = 0;
    bool started_ = false;
    int32_t map_[24] = {};
    std::vector<Reading> readings_;
};

} // namespace tlv880::rehearsal
