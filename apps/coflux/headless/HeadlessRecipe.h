#pragma once
// coflux --recipe FILE --headless: the deposition process alone, on the setup file coflux would
// open at start, runs the recipe FILE to its end (RunRecipeHeadless). After an abort or a failure
// each present output's power as the card library reports it is printed and added to the
// progress log, so the record shows where the outputs were left.

#include "common/mqtt/PublishTarget.h"

#include <QString>

namespace coflux {

// Needs the application object (a QCoreApplication is enough) and the program information.
// Returns a RecipeExitStatus.
int RunRecipeWithoutWindow(const QString& recipeFile, const tlv::mqtt::PublishOptions& publish);

} // namespace coflux
