#pragma once

#include <QString>

class QWidget;

namespace tlv {

// Makes `name` the current setup file (remembered in the user's settings, see SetupFile.h) and
// sets the main window's caption to Program().productName + " - [ " + name + " ]".
void SetSetupFile(QWidget* mainWindow, const QString& name);

// The main window's caption for a setup file name.
QString SetupFileCaption(const QString& name);

// Asks for a setup file: title "Save Setup As" (save) or "Open Setup File" (open), default
// extension "dat", filter "Setup files (*.dat)|*.dat", overwrite prompt, proposed name the
// current setup file; `initialDir` (may be empty) is the folder the dialog starts in. Returns the
// chosen file's name without its folder, or an empty text when cancelled.
QString SelectSetupFile(QWidget* mainWindow, bool save, const QString& initialDir = QString());

} // namespace tlv
