#pragma once
// The command line of a recipe run:
//
//   coflux --recipe FILE [--headless]
//
// runs the recipe FILE on the setup file coflux would open at start (the one remembered, else
// "Default.dat"). With --headless no display is needed: one line per phase change and the
// run's last message go to standard output; the exit status says how the run ended
// (RecipeExitStatus). Without --headless the main window opens with the Process window, the
// recipe loaded in it.

#include <QString>
#include <QStringList>

namespace coflux {

struct RecipeRequest {
    bool wanted = false; // --recipe was given
    QString file;
    bool headless = false;
    QString error; // what is wrong with the arguments, empty when nothing is
};

// Reads the program's arguments (the first entry is the program). `wanted` stays false when
// --recipe is not among them; the other options of coflux cannot be combined with it.
RecipeRequest ParseRecipeArguments(const QStringList& arguments);

QString RecipeUsage();

// FILE as given when it names an existing file, else the file of that name in `programFolder`.
QString ResolveRecipeFile(const QString& file, const QString& programFolder);

} // namespace coflux
