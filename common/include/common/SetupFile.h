#pragma once

#include <QString>

namespace tlv {

// The user's settings of a program live in QSettings("TLV880", Program().title): section
// "Setup File" key "Setup" holds the current setup file's name, section "Form Positions" the
// window positions.

// The current setup file's name as remembered in the user's settings (empty when none).
QString SavedSetupFile();

// The current setup file's name held by this program run (empty until set).
QString CurrentSetupFile();

// Makes `name` current and remembers it in the user's settings. (The widgets routine
// SetSetupFile in SetupFileDialog.h also puts it in the main window's caption.)
void SetCurrentSetupFile(const QString& name);

} // namespace tlv
