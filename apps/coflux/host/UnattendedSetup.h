#pragma once

// What every unattended run (--run, --recipe --headless) checks while it loads its setup, so
// that none runs on a setup other than the one it was given or pretends to use a card it has
// not got.

#include <QString>
#include <QStringList>

namespace coflux {

class Deposition;

struct UnattendedSetup {
    // Not empty: the run must not start; the text says why (the caller prints it, exit 1).
    QString refusal;
    // Lines to print on standard error when the run goes on (e.g. that it simulates).
    QStringList notes;
};

// Loads `name` (a setup file of the program's folder) into the process after checking that it
// is a setup file, that the card it asks for (Simulate=0) can be used unless `simulate` allows
// simulation instead (`simulateHint` tells the operator how to allow it), and that the card
// settings were taken.
UnattendedSetup LoadUnattendedSetup(Deposition& core, const QString& name, bool simulate,
                                    const QString& simulateHint);

} // namespace coflux
