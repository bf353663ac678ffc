#pragma once
// The check of a layer against the crystals that will measure it: each sensor of each
// depositing output must be able to take the thickness the output lays down in the layer (with
// the sensor's tooling), and a layer that ends on a monitor sensor needs its end thickness on
// it. The thickness an output needs is the end thickness for the output that ends the layer,
// and for the others the same time at their starting rates; a layer ended by time needs each
// output's rate for that time.

#include "Recipe.h"
#include "RecipeProcess.h"

#include <QStringList>

#include <array>

namespace coflux {

// kÅ output `o` deposits in the layer, from its plan; negative when it cannot be told (a layer
// that ends on a monitor sensor).
double LayerThicknessNeeded(const RecipeLayer& layer, const LayerOutput& o);

// One line per crystal that cannot take what the layer needs: "sensor 1 has 0.150 kA left,
// the layer needs 0.200 kA" or "sensor 1 has failed, the layer needs 0.200 kA". Empty: every
// crystal holds the layer.
QStringList CheckLayerCrystals(const RecipeLayer& layer,
                               const std::array<int, kProcessOutputs>& outputSensors,
                               const std::array<double, kProcessSensors>& sensorLeft);

} // namespace coflux
