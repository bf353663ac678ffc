#include "EntryNumber.h"

#include <QLocale>
#include <cmath>

namespace multi {

bool ParseNumber(const QString& text, double& value)
{
    bool ok = false;
    const double parsed = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

} // namespace multi
