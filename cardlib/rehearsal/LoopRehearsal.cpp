#include "LoopRehearsal.h"

#include "VirtualCoater.h"
#include "tlv880a.h"

#include <sstream>

namespace tlv880::rehearsal {

std::string OneSourceChamber(const bus::emu::SourceParameters& s, uint64_t seed)
{
    std::ostringstream text;
    text.precision(17);
    text << "[Chamber]\nseed=" << seed << "\n[Source S]\noutput=0\nmaxrate=" << s.maxRate
         << "\nthreshold=" << s.threshold * 100 << "\nexponent=" << s.exponent << "\nlag=" << s.lag
         << "\ndeadtime=" << s.deadTime << "\nnoise=" << s.noise * 100
         << "\nnoisetime=" << s.noiseTime << "\nsweep=" << s.sweep * 100
         << "\nsweephz=" << s.sweepHz << "\nspits=" << s.spitsPerMinute << "\nspit=" << s.spitSize
         << "\nspittime=" << s.spitTime << "\ndensity=" << s.density
         << "\n[Crystal C]\nsensor=0\nfeed=S\n";
    return text.str();
}

bool RehearseLoop(const std::string& chamber, const LoopTerms& terms, LoopRun* run,
                  std::string* error)
{
    VirtualCoater coater;
    CoaterSetup setup;
    setup.chamber = chamber;
    setup.period = terms.period;
    if (!coater.start(setup, error)) return false;
    if (coater.material(0x1, terms.density, 1, 1) != 0 || coater.mapSensor(0, 0) != 0 ||
        Xdc770FullScale(0, terms.fullScale, terms.maxPower, terms.slewRate) != 0) {
        *error = "the library refused the sensor or output settings";
        return false;
    }
    if (Xdc770SetPower(0, terms.startPower) != 0) {
        *error = "the library refused the start power";
        return false;
    }
    if (!coater.runFor(terms.soakSeconds)) { // readings at the start power
        *error = "the acquisition thread ran no cycle";
        return false;
    }
    const double start = coater.now();
    if (Xdc770Loop2(terms.setpoint, terms.pTerm, terms.iTerm, terms.dTerm, 0) != 0) {
        *error = "the library refused the loop terms";
        return false;
    }
    if (!coater.runFor(terms.seconds)) {
        *error = "the acquisition thread stopped running cycles";
        return false;
    }
    run->times = coater.times();
    run->rates = coater.rates(0);
    run->powers.clear();
    for (const Reading& r : coater.readings())
        run->powers.push_back(r.power[0]);
    run->raw = MeasureLoop(run->times, run->rates, terms.setpoint, start);
    run->filtered =
        MeasureLoop(run->times, MovingMean(run->rates, terms.filter), terms.setpoint, start);
    return true;
}

} // namespace tlv880::rehearsal
