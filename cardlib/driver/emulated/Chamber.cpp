#include "Chamber.h"

#include <algorithm>

namespace tlv880::bus::emu {

namespace {

constexpr double kTickSeconds = std::chrono::duration<double>(kChamberTick).count();
// Left unread for longer than this (the library simulating meanwhile, say), the chamber steps
// through the sources' dead times, lays the rest of the gap's film down in closed form (the
// powers stood still) but for its last second, which it steps as usual: a long gap never stalls
// the reader.
constexpr uint64_t kLongestStepping = 10 * 60 * 1000 / kChamberTick.count();
constexpr uint64_t kSteppedTail = 1000 / kChamberTick.count();

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
    : start_(start), filmBefore_(setup.sources.size(), 0.0), sourceOfOutput_(cards.size() * 2, -1),
      crystalOfSensor_(cards.size() * 4, -1)
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
    if (due > ticks_ + kLongestStepping) {
        // The powers stand still over the gap: step until every dead time has passed, then the
        // lags run out in closed form.
        uint64_t flush = 0;
        for (const SourceModel& source : sources_)
            flush = std::max<uint64_t>(flush, source.delayTicks());
        stepTicks(flush); // at most a minute: well within the gap
        const uint64_t skipped = due - ticks_ - kSteppedTail;
        for (size_t s = 0; s < sources_.size(); ++s) {
            filmBefore_[s] = sources_[s].film();
            sources_[s].settle(skipped);
        }
        const double seconds = static_cast<double>(skipped) * kTickSeconds;
        for (Crystal& crystal : crystals_) {
            double mass = 0;
            for (const Feed& feed : crystal.feeds) {
                const auto s = static_cast<size_t>(feed.source);
                mass += feed.tooling * (sources_[s].film() - filmBefore_[s]) *
                        sources_[s].parameters().density;
            }
            crystal.model.step(mass / seconds, seconds);
        }
        ticks_ += skipped;
    }
    stepTicks(due - ticks_);
}

void Chamber::stepTicks(uint64_t count)
{
    for (uint64_t i = 0; i < count; ++i, ++ticks_) {
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
