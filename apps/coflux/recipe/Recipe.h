#pragma once
// A process recipe of coflux: a named, ordered list of layers. Each layer runs one or more
// outputs together through pre-conditioning, rate control, the shutter delay, deposition with
// optional rate ramps, its end and the idle ramp. Plain data: RecipeFile reads and writes it,
// RecipeRun runs it.

#include "instrument/OutputSlots.h"

#include <QString>

#include <vector>

namespace coflux {

inline constexpr int kMaxRecipeLayers = 99;
inline constexpr int kMaxPreSteps = 2;   // rise-and-soak steps per output
inline constexpr int kMaxRateRamps = 3;  // rate ramps per output
inline constexpr int kRecipeSensors = 8; // sensors 1..8 can end a layer as a monitor

// Outputs as the window shows them: 1..4 are the card's loop outputs, 5 and 6 the analog
// outputs A1 and A2 (output slots 12 and 13).
using tlv880::OutputNumberOfSlot;
using tlv880::OutputSlotOfNumber;

// One pre-conditioning step: power ramped from where it is to `power` % over `riseTime` s,
// then held for `soakTime` s. Open loop.
struct PreStep {
    double power = 0;
    double riseTime = 0;
    double soakTime = 0;
};

// Once the output's layer thickness reaches `thick` kÅ, its rate setpoint moves linearly to
// `rate` Å/s over `time` s.
struct RateRamp {
    double thick = 0;
    double rate = 0;
    double time = 0;
};

// One output of a layer.
struct LayerOutput {
    int number = 0;                // as shown: 1..6
    int slot = 0;                  // output slot 0..3, 12, 13
    double rate = 0;               // rate setpoint, Å/s
    std::vector<PreStep> preSteps; // at most kMaxPreSteps
    std::vector<RateRamp> ramps;   // at most kMaxRateRamps, rising thickness
    double idlePower = 0;          // % after the layer
    double idleTime = 10;          // s of the ramp to the idle power
    // The film material the output's sensors measure during the layer, by its name in the
    // material table; empty: the sensors keep the film the setup gives them.
    QString material;
};

enum class LayerEnd { OutputThickness, SensorThickness, Time };
enum class CrystalPolicy { Stop, TimePower };
// Before a layer starts, each crystal that will measure it is checked against the thickness the
// layer needs: Warn tells and runs the layer, Stop fails the recipe before it.
enum class CrystalCheck { Warn, Stop };

struct RecipeLayer {
    QString name;
    std::vector<LayerOutput> outputs;
    LayerEnd end = LayerEnd::Time;
    int endOutput = 0;           // output number (LayerEnd::OutputThickness)
    int endSensor = 0;           // sensor number 1..8 (LayerEnd::SensorThickness)
    double endThick = 0;         // kÅ
    double endTime = 0;          // s (LayerEnd::Time)
    double shutterTolerance = 5; // ± % of the rate setpoint
    double shutterHold = 5;      // s the rate must stay within tolerance
    double shutterTimeout = 300; // s from the start of rate control
    CrystalPolicy crystalPolicy = CrystalPolicy::Stop;
    double powerAverage = 10; // s of power averaged for time-power
    CrystalCheck crystalCheck = CrystalCheck::Warn;

    const LayerOutput* Output(int number) const
    {
        for (const LayerOutput& o : outputs)
            if (o.number == number) return &o;
        return nullptr;
    }
};

struct Recipe {
    QString name;
    std::vector<RecipeLayer> layers;
};

} // namespace coflux
