#include "MonitorSettings.h"

#include <cmath>

namespace monitor {

bool ParseNumber(const QString& text, double& value)
{
    bool ok = false;
    const double parsed = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

} // namespace monitor
