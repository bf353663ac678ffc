#pragma once
// Recipe files: the recipe in the program's INI style.
//
//   [RECIPE]            Name, Layers (the number of layers, 1..99)
//   [LAYERn]            Name, Outputs (output numbers as shown, 1..6, comma-separated),
//                       the end: EndOutput + EndThick (kÅ on one of the layer's outputs),
//                       EndSensor + EndThick (kÅ on sensor 1..8) or EndTime (s);
//                       ShutterTolerance (%), ShutterHold (s), ShutterTimeout (s),
//                       CrystalFailure (Stop or TimePower), PowerAverage (s)
//   [LAYERn OUTPUTm]    one per output of the layer: Rate (Å/s); RiseNPower (%), RiseNTime (s),
//                       SoakNTime (s) for N = 1, 2; RampNThick (kÅ), RampNRate (Å/s),
//                       RampNTime (s) for N = 1..3; IdlePower (%), IdleTime (s); Material
//                       (the film the output's sensors measure in the layer, by name)
//
// Lines starting with ';' or '#' are comments. A recipe is read whole and checked before
// anything runs: a missing or unknown key or section, a value that is not a number or lies
// outside the limits the window uses, an output or sensor that does not exist, a layer
// without an end, a ramp that runs past the layer's end are refused with a message that names
// the file, the layer and the key.

#include "Recipe.h"

#include <QString>

#include <functional>
#include <optional>

namespace coflux {

struct RecipeLoad {
    std::optional<Recipe> recipe; // set when the file is a complete, valid recipe
    QString error;                // otherwise what is wrong, naming file, layer and key
};

// Reads and checks a recipe file.
RecipeLoad ReadRecipe(const QString& path);

// Checks a recipe read from text already in memory; `path` names it in messages.
RecipeLoad ParseRecipe(const QByteArray& text, const QString& path);

// Refuses outputs and monitor sensors that the installed cards do not have. `outputPresent`
// takes an output slot (0..3, 12, 13), `sensorPresent` a sensor slot (0..7). Returns an empty
// text when everything is there.
QString CheckRecipeAgainstCards(const Recipe& recipe, const QString& path,
                                const std::function<bool(int)>& outputPresent,
                                const std::function<bool(int)>& sensorPresent);

// Refuses a layer output's Material that `known` does not know (the program's material
// table). Returns an empty text when every name is known.
QString CheckRecipeMaterials(const Recipe& recipe, const QString& path,
                             const std::function<bool(const QString&)>& known);

// Writes the recipe as a complete recipe file (replacing the file through a temporary one, so
// a failed write leaves the old file). False when the file cannot be written.
bool WriteRecipe(const Recipe& recipe, const QString& path);

// The recipe as the text WriteRecipe stores.
QByteArray RecipeText(const Recipe& recipe);

} // namespace coflux
