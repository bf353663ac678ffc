#include "CrystalModel.h"

#include "ZMatch.h"

#include <algorithm>

namespace tlv880::bus::emu {

CrystalModel::CrystalModel(const CrystalParameters& parameters, uint64_t seed)
    : parameters_(parameters), random_(seed)
{
}

double CrystalModel::loadedFrequency(double extra) const
{
    return FrequencyOfMass(parameters_.fresh, mass_ + extra, parameters_.zRatio);
}

double CrystalModel::weakness(double f) const
{
    if (parameters_.fail <= 0 || parameters_.weakBand <= 0) return 0;
    return std::clamp((parameters_.fail + parameters_.weakBand - f) / parameters_.weakBand, 0.0,
                      1.0);
}

void CrystalModel::step(double massRate, double tickSeconds)
{
    massRate_ = massRate;
    mass_ += massRate * tickSeconds;
    if (failed_ || parameters_.fresh <= 0) return;
    const double f = loadedFrequency();
    if (hopping_) {
        hopLeft_ -= tickSeconds;
        if (hopLeft_ <= 0) failed_ = true;
    } else if (parameters_.fail > 0 && f <= parameters_.fail) {
        if (parameters_.modeHop != 0 && parameters_.hopTime > 0) {
            hopping_ = true;
            hopLeft_ = parameters_.hopTime;
        } else {
            failed_ = true;
        }
    }
    // The activity drop: drawn once per tick, so a reading depends on the time alone, never on
    // how often the card is read.
    const double weak = weakness(f);
    jitterValue_ = weak > 0 ? parameters_.jitter * weak * random_.gaussian() : 0;
    droppedOut_ = weak > 0 && random_.uniform() < parameters_.dropout * weak;
}

double CrystalModel::reading(double extra) const
{
    if (failed_ || droppedOut_ || parameters_.fresh <= 0) return 0;
    const double f = loadedFrequency(extra);
    if (!hopping_ && parameters_.fail > 0 && f <= parameters_.fail && parameters_.modeHop == 0)
        return 0;
    return std::max(0.0, f + jitterValue_ + (hopping_ ? parameters_.modeHop : 0));
}

void CrystalModel::replace(double fresh)
{
    parameters_.fresh = std::max(0.0, fresh);
    mass_ = 0;
    jitterValue_ = 0;
    droppedOut_ = false;
    hopping_ = false;
    hopLeft_ = 0;
    failed_ = false;
}

} // namespace tlv880::bus::emu
