// The virtual coater behind the emulated cards: the sources a chamber file describes, driven by
// the power of their outputs, and the crystals they coat. The model steps in fixed ticks of
// emulated time, lazily, whenever a card is read or written; between ticks a crystal's film is
// carried on at the last tick's rate. Everything is allocated when the chamber is built: reading
// and writing the cards allocates nothing.
// Not thread-safe by itself: the emulated bus serialises every access under its own mutex.
#pragma once

#include "ChamberFile.h"
#include "CrystalModel.h"
#include "EmuConfig.h"
#include "SourceModel.h"

#include <chrono>
#include <vector>

namespace tlv880::bus::emu {

// One tick of the model.
constexpr std::chrono::milliseconds kChamberTick{2};

class Chamber {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // A crystal without its own frequency takes the card's frequency of its channel. seed is
    // used when the file gives none.
    Chamber(const ChamberSetup& setup, const std::vector<CardSetup>& cards, uint64_t seed,
            TimePoint start);

    bool hasCrystal(int card, int channel) const { return crystalIndex(card, channel) >= 0; }
    // The frequency a count of the channel shows now (0: no count).
    double reading(int card, int channel, TimePoint now);
    // The power fraction output half (0 even, 1 odd) of a card drives from now on.
    void setPower(int card, int half, double power, TimePoint now);
    // A fresh crystal of the given frequency (Hz; below 0: the crystal's own; 0: no crystal).
    void replaceCrystal(int card, int channel, double fresh, TimePoint now);
    // Film a source has laid down at the reference position, Angstrom (-1: no such source).
    double sourceFilm(int output, TimePoint now);
    // Areal mass of the film on a crystal, Angstrom x g/cm3 (-1: no such crystal).
    double crystalMass(int card, int channel, TimePoint now);

private:
    struct Crystal {
        CrystalModel model;
        double initialFresh;
        std::vector<Feed> feeds;
    };

    int crystalIndex(int card, int channel) const;
    void advance(TimePoint now);
    // Steps sources and crystals tick by tick.
    void stepTicks(uint64_t count);
    // Seconds since the last tick.
    double sinceTick(TimePoint now) const;

    TimePoint start_;
    uint64_t ticks_ = 0;
    std::vector<SourceModel> sources_;
    std::vector<double> filmBefore_;  // per source, for a gap laid down at once
    std::vector<int> sourceOfOutput_; // per output 0..cards*2-1, -1 when none
    std::vector<Crystal> crystals_;
    std::vector<int> crystalOfSensor_; // per sensor 0..cards*4-1, -1 when none
};

} // namespace tlv880::bus::emu
