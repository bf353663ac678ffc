#pragma once
// Small helpers shared by the test window's forms: command button colours, reading numbers out of
// the operator's text, and the object names of control arrays.

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

// A number as the operator typed it: blanks around it are ignored, nothing else is. Returns false
// (and leaves value alone) for empty or non-numeric text, so that no made-up value is ever sent.
bool ParseNumber(const QString& text, double& value);

// The object name of element index of a control array, e.g. "txtRate_12".
QString ArrayName(const char* name, int index);

} // namespace multi
