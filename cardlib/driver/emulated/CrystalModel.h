// A quartz crystal in the chamber: the film the sources lay on it lowers its frequency by the
// Z-match relation, and it wears out. Within `weakBand` Hz above its end of life (`fail`) its
// activity drops: the reading jitters and now and then gives no count, more so the closer it
// gets; at the end of life it stops (no count, as a dead crystal gives) or, with a mode hop
// configured, first jumps by `modeHop` Hz for `hopTime` s and then stops.
#pragma once

#include "ModelRandom.h"

#include <cstdint>

namespace tlv880::bus::emu {

struct CrystalParameters {
    double fresh = 0;        // Hz of an uncoated crystal (0: the card's frequency of the channel)
    double zRatio = 1;       // Z-ratio of the film
    double fail = 0;         // Hz at which the crystal stops (0: it never wears out)
    double weakBand = 25000; // Hz above fail in which its activity drops
    double jitter = 5;       // Hz rms of the reading at the end of life
    double dropout = 0.1;    // share of readings without count at the end of life
    double modeHop = 0;      // Hz the crystal jumps at its end of life before it stops (0: none)
    double hopTime = 5;      // s it runs on the other mode
};

class CrystalModel {
public:
    CrystalModel(const CrystalParameters& parameters, uint64_t seed);

    const CrystalParameters& parameters() const { return parameters_; }
    // Advances one tick during which film of the given areal mass rate (Angstrom x g/cm3 per
    // second) lands on the crystal.
    void step(double massRate, double tickSeconds);
    // The frequency a count shows now, extra the areal mass landed since the last tick; 0 when
    // the crystal gives no count.
    double reading(double extra) const;
    // The frequency of the loaded crystal, wear left aside.
    double loadedFrequency(double extra = 0) const;
    double mass() const { return mass_; }
    double massRate() const { return massRate_; }
    // A fresh crystal of the given frequency (Hz; 0: no crystal) in its place.
    void replace(double fresh);

private:
    // How far into the weak band the crystal is: 0 above it, 1 at the end of life.
    double weakness(double f) const;

    CrystalParameters parameters_;
    ModelRandom random_;
    double mass_ = 0;
    double massRate_ = 0;
    double jitterValue_ = 0;
    bool droppedOut_ = false;
    bool hopping_ = false;
    double hopLeft_ = 0;
    bool failed_ = false;
};

} // namespace tlv880::bus::emu
