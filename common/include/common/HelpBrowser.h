#pragma once
// The programs' help: HTML files shipped beside each program (a build folder) or in
// ../share/tlv880/ relative to it (the installed layout), shown in one help window per program
// run.

#include <QString>

class QWidget;

namespace tlv {

// Where the help file of that bare name is: beside the program, or, when it is not there, in
// ../share/tlv880/.
QString HelpFilePath(const QString& fileName);

// Shows the help file `fileName` at `anchor` (empty: its top) in the help window (object name
// "frmHelp", titled `title`; one per program run, raised when open). A missing file gives a
// message naming it (through the dialog service) and returns null.
QWidget* ShowHelpFile(QWidget* owner, const QString& fileName, const QString& title,
                      const QString& anchor = QString());

} // namespace tlv
