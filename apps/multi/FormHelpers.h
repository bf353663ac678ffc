#pragma once
// Small helpers shared by the test window's forms: command button colours, reading numbers out of
// the operator's text, and the object names of control arrays.

#include "EntryNumber.h"

#include <QColor>
#include <QString>

class QPushButton;
class QWidget;

namespace multi {

// Command results are shown by button colour: red failed or running, green succeeded or stopped.
inline const QColor kFailColour{255, 0, 0};
inline const QColor kOkColour{0, 255, 0};

void SetButtonColour(QPushButton* button, const QColor& colour);
QColor ButtonColour(const QPushButton* button);

// The object name of element index of a control array, e.g. "txtRate_12".
QString ArrayName(const char* name, int index);

} // namespace multi
