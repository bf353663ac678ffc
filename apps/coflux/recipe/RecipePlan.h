#pragma once
// Timings of a recipe as planned: what the layers take when every output holds its rate
// setpoints exactly. Used to refuse rate ramps that run past a layer's end and to estimate the
// time a run still needs.

#include "Recipe.h"

namespace coflux {

// Rate setpoint of an output `seconds` after its layer started depositing (ramps included).
double PlannedRate(const LayerOutput& output, double seconds);

// Thickness (Å) an output has deposited `seconds` after the start of deposition.
double PlannedThickness(const LayerOutput& output, double seconds);

// Seconds of deposition until an output has deposited `angstrom` Å; infinity when it never
// gets there (a rate of zero).
double PlannedTimeToThickness(const LayerOutput& output, double angstrom);

// Seconds after the start of deposition at which ramp `index` of an output starts.
double PlannedRampStart(const LayerOutput& output, int index);

// Seconds of deposition the layer is planned to take. A layer ending on a monitor sensor is
// planned from its first output (the sensor usually watches that source).
double PlannedDepositTime(const RecipeLayer& layer);

// Seconds of pre-conditioning (the longest of the layer's outputs).
double PlannedPreConditionTime(const RecipeLayer& layer);

// Seconds of the idle ramp (the longest of the layer's outputs).
double PlannedIdleTime(const RecipeLayer& layer);

// Seconds the whole layer is planned to take: pre-conditioning, the shutter hold time,
// deposition and the idle ramp.
double PlannedLayerTime(const RecipeLayer& layer);

} // namespace coflux
