#include "FormHelpers.h"

#include <QLocale>
#include <QPalette>
#include <QPushButton>
#include <cmath>

namespace multi {

void SetButtonColour(QPushButton* button, const QColor& colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, colour);
    button->setPalette(palette);
    button->setAutoFillBackground(true);
}

QColor ButtonColour(const QPushButton* button)
{
    return button->palette().color(QPalette::Button);
}

QString ArrayName(const char* name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

} // namespace multi
