#pragma once
// The help window of coflux: shows the HTML help files that ship beside the program
// ("coflux.html", and the pages of the chart and Process windows), opened at their top.

#include <QString>

class QWidget;

namespace coflux {

// The help file's path: "coflux.html" in the program's executable folder, or, when it is not
// there, in ../share/tlv880/ relative to that folder (the installed layout).
QString HelpFilePath(const QString& fileName = QStringLiteral("coflux.html"));

// Shows the help window (one per program run; raised when open). A missing help file gives a
// message naming it. Returns the window, or null when the file is missing.
QWidget* ShowHelp(QWidget* owner, const QString& fileName = QStringLiteral("coflux.html"));

} // namespace coflux
