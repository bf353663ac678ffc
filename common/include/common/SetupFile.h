#pragma once

#include <QString>
#include <QStringList>

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

// Why the setup file at `path` cannot be used, a message naming the file: the INI reader's
// refusal (not text, damaged, too large, unreadable, no section), or, for a file with sections
// none of which is one of `sections`, "<name> is not a <kind> file.". Empty when the file can be
// read (or is missing: a missing file gives the defaults and is created on saving).
QString SetupFileRefusal(const QString& path, const QStringList& sections, const QString& kind);

} // namespace tlv
