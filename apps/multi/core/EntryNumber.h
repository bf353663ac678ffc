#pragma once
// Numbers as the operator typed them into the test window's boxes.

#include <QString>

namespace multi {

// A number as the operator typed it: blanks around it are ignored, nothing else is. Returns false
// (and leaves value alone) for empty or non-numeric text, so that no made-up value is ever sent.
bool ParseNumber(const QString& text, double& value);

} // namespace multi
