#pragma once
// What coflux tells the shared routines about itself, and the small services every form of the
// program uses: its user settings and its message boxes.

#include <QMessageBox>
#include <QSettings>
#include <QString>

#include <memory>

class QWidget;

namespace coflux {

inline constexpr const char* kProgramTitle = "coflux";
inline constexpr const char* kProductName = "TLV-880 Coflux Controller";

// Registers the program's title, product name and version with the shared routines. Called at
// the start of main() (and by tests before they build a window).
void InstallProgramInfo();

// The user's settings of coflux: QSettings("TLV880", "coflux").
std::unique_ptr<QSettings> ProgramSettings();

// A plain message box of the program (OK button) through the dialog service.
void ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon);

} // namespace coflux
