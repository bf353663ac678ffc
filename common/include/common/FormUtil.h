#pragma once

#include <QMargins>
#include <QString>

class QLabel;
class QWidget;

// Window placement and small control routines shared by the programs' forms.
//
// Positions are kept in the user's settings, QSettings("TLV880", Program().title), section
// "Form Positions", key = the window's objectName, as "L=<left>;T=<top>;W=<width>;H=<height>;
// S=<state>;" in pixels (left/top the frame's position, width/height the window's size), state
// 0 normal, 1 minimised, 2 maximised.

// The position string of a window as it is now.
QString FormPositionText(const QWidget* window);

// Writes the window's position string. A window without objectName is not saved.
void SaveFormPosition(QWidget* window);

// Applies the saved position string, if any; returns false when none is stored (the caller then
// typically centres the window). See ApplyFormPosition.
bool RestoreFormPosition(QWidget* window, bool keepOnScreen);

// Applies a position string: each number after its tag ("L=", "T=", "W=", "H=", "S=") up to the
// next non-digit; a missing or unreadable number keeps the window's current value, and a width
// or height below 1 keeps the current size. Width and height only for sizable windows (not
// fixed-size). State 1 or 2 minimises or maximises and stops. Otherwise, with keepOnScreen, the
// whole frame (title bar and borders included) is kept inside the screen's available area: a
// sizable window larger than the area is made smaller (not below its minimum size), a frame
// reaching beyond the area is pulled back inside it and a negative position becomes the area's
// edge; then the window is moved and sized. Returns false for an empty text.
bool ApplyFormPosition(QWidget* window, const QString& text, bool keepOnScreen);

// The window system's frame around the window's client area (title bar on top). Known once the
// window is shown; before that, an allowance for a title bar and borders.
QMargins FormFrameMargins(const QWidget* window);

// True unless the window has a fixed size (minimum equals maximum, or the fixed-size hint).
bool IsSizableForm(const QWidget* window);

// Centres the window on its screen's available area.
void CenterFormScreen(QWidget* window);

// Keeps the window above all others (or not), without moving or resizing it.
void FormOnTop(QWidget* window, bool onTop);

// Closes every other open top-level window of the program, then `window`.
void CloseForms(QWidget* window);

// When the control is a text box with text, selects all of it (used when an entry gets focus).
void SelectAllText(QWidget* control);

// Label styles: normal (not bold, black text) and greyed (not bold, RGB 128,128,128 text).
void LabelStyleNormal(QWidget* label);
void LabelStyleGreyed(QWidget* label);

namespace tlv {

// A label of the form with its caption; name is its objectName (none when empty), which tests
// and saved positions address it by.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption);

// The sign that the card library simulates the crystals (no card is measuring): "SIMULATE" in
// bold red, named `lblSim`, alike in every program. Hidden until the program shows it.
QLabel* MakeSimulationMark(QWidget* parent);

} // namespace tlv
