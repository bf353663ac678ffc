#pragma once
// What coflux tells the shared routines about itself, and its user settings.

#include <QSettings>
#include <QString>

#include <memory>

namespace coflux {

inline constexpr const char* kProgramTitle = "coflux";
inline constexpr const char* kProductName = "TLV-880 Coflux Controller";

// Registers the program's title, product name and version with the shared routines. Called at
// the start of main() (and by tests before they build a window).
void InstallProgramInfo();

// The user's settings of coflux: QSettings("TLV880", "coflux").
std::unique_ptr<QSettings> ProgramSettings();

} // namespace coflux
