#pragma once
// The help window of coflux: shows the HTML help file "coflux.html" that ships beside the
// program, opened at its contents.

#include <QString>

class QWidget;

namespace coflux {

// The help file's path: "coflux.html" in the program's executable folder, or, when it is not
// there, in ../share/tlv880/ relative to that folder (the installed layout).
QString HelpFilePath();

// Shows the help window (one per program run; raised when open). A missing help file gives a
// message naming it. Returns the window, or null when the file is missing.
QWidget* ShowHelp(QWidget* owner);

} // namespace coflux
