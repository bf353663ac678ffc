#include "Chamber.h"

#include <algorithm>

namespace tlv880::bus::emu {

namespace {

constexpr double kTickSeconds = std::chrono::duration<double>(kChamberTick).count();

// Seeds of the model's parts from the chamber's seed: each source and crystal draws its own
// sequence, so adding a crystal leaves the sources' traces as they were.
uint64_t partSeed(uint64_t seed, uint64_t part)
{
    ModelRandom mix(seed ^ (0xD1B54A32D192ED03ull * (part + 1)));
    return mix.next();
}

} // namespace

Chamber::Chamber(const ChamberSetup& setup, const std::vector<CardSetup>& cards, uint64_t seed,
                 TimePoint start)
    : start_(start), sourceOfOutput_(cards.size() * 2, -1), crystalOfSensor_(cards.size() * 4, -1)
{
    const uint64_t base = setup.seeded ? setup.seed : seed;
    sources_.reserve(setup.sources.size());
    for (const SourceSetup& source : setup.sources) {
        sourceOfOutput_[static_cast<size_t>(source.output)] = static_cast<int>(sources_.size());
        sources_.emplace_back(source.parameters, kTickSeconds, partSeed(base, sources_.size()));
    }
    crystals_.reserve(setup.crystals.size());
    for (const CrystalSetup& crystal : setup.crystals) {
        CrystalParameters parameters = crystal.parameters;
        if (parameters.fresh <= 0)
            parameters.fresh =
                cards[static_cast<size_t>(crystal.sensor / 4)].frequency[crystal.sensor % 4];
        crystalOfSensor_[static_cast<size_t>(crystal.sensor)] = static_cast<int>(crystals_.size());
        crystals_.push_back(
            Crystal{CrystalModel(parameters, partSeed(base, 1000 + crystals_.size())),
                    parameters.fresh, crystal.feeds});
    }
}

int Chamber::crystalIndex(int card, int channel) const
{
    const size_t sensor = static_cast<size_t>(card) * 4 + static_cast<size_t>(channel);
    return card >= 0 && channel >= 0 && channel < 4 && sensor < crystalOfSensor_.size()
               ? crystalOfSensor_[sensor]
               : -1;
}

double Chamber::sinceTick(TimePoint now) const
{
    const TimePoint tick = start_ + kChamberTick * ticks_;
    return now > tick ? std::chrono::duration<double>(now - tick).count() : 0.0;
}

void Chamber::advance(TimePoint now)
{
    if (now <= start_) return;
    const auto due = static_cast<uint64_t>((now - start_) / kChamberTick);
    for (; ticks_ < due; ++ticks_) {
        for (SourceModel& source : sources_)
            source.step();
        for (Crystal& crystal : crystals_) {
            double massRate = 0;
            for (const Feed& feed : crystal.feeds) {
                const SourceModel& source = sources_[static_cast<size_t>(feed.source)];
                massRate += feed.tooling * source.rate() * source.parameters().density;
            }
            crystal.model.step(massRate, kTickSeconds);
        }
    }
}

double Chamber::reading(int card, int channel, TimePoint now)
{
    const int index = crystalIndex(card, channel);
    if (index < 0) return 0;
    advance(now);
    const CrystalModel& crystal = crystals_[static_cast<size_t>(index)].model;
    return crystal.reading(crystal.massRate() * sinceTick(now));
}

void Chamber::setPower(int card, int half, double power, TimePoint now)
{
    const size_t output = static_cast<size_t>(card) * 2 + static_cast<size_t>(half);
    if (card < 0 || half < 0 || half > 1 || output >= sourceOfOutput_.size()) return;
    advance(now);
    const int index = sourceOfOutput_[output];
    if (index >= 0) sources_[static_cast<size_t>(index)].setPower(power);
}

void Chamber::replaceCrystal(int card, int channel, double fresh, TimePoint now)
{
    const int index = crystalIndex(card, channel);
    if (index < 0) return;
    advance(now);
    Crystal& crystal = crystals_[static_cast<size_t>(index)];
    crystal.model.replace(fresh < 0 ? crystal.initialFresh : fresh);
}

double Chamber::sourceFilm(int output, TimePoint now)
{
    if (output < 0 || static_cast<size_t>(output) >= sourceOfOutput_.size()) return -1;
    const int index = sourceOfOutput_[static_cast<size_t>(output)];
    if (index < 0) return -1;
    advance(now);
    const SourceModel& source = sources_[static_cast<size_t>(index)];
    return source.film() + source.rate() * sinceTick(now);
}

double Chamber::crystalMass(int card, int channel, TimePoint now)
{
    const int index = crystalIndex(card, channel);
    if (index < 0) return -1;
    advance(now);
    const CrystalModel& crystal = crystals_[static_cast<size_t>(index)].model;
    return crystal.mass() + crystal.massRate() * sinceTick(now);
}

} // namespace tlv880::bus::emu
