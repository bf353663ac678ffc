#pragma once
// The help window of coflux: shows the HTML help file "coflux.html" that ships beside the
// program, opened at its contents.

#include <QString>

class QWidget;

namespace coflux {

// The help file's path: the program's executable folder and "coflux.html".
QString HelpFilePath();

// Shows the help window (one per program run; raised when open). A missing help file gives a
// message naming it. Returns the window, or null when the file is missing.
QWidget* ShowHelp(QWidget* owner);

} // namespace coflux
