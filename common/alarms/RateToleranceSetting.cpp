#include "common/alarms/RateToleranceSetting.h"

#include "common/NumberFormat.h"
#include "common/cIniFile.h"

#include <array>

namespace tlv {

namespace {

struct Key {
    const char* name;
    double RateTolerance::*field;
    double low;
    double high;
};
// The limits the entry checks of the setting use (RateTolerance::problem).
const std::array<Key, 4> kKeys{{{"RateTolerance", &RateTolerance::percent, 0, 100},
                                {"RateToleranceMin", &RateTolerance::minimumRate, 0, 999.99},
                                {"RateWarnAfter", &RateTolerance::warningAfter, 0, 86400},
                                {"RateAlarmAfter", &RateTolerance::alarmAfter, 1, 86400}}};

QString Shown(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace

RateTolerance ReadRateTolerance(cIniFile& ini, const QString& section, QStringList* replaced)
{
    const RateTolerance defaults;
    RateTolerance tolerance;
    for (const Key& key : kKeys) {
        const QString name = QString::fromLatin1(key.name);
        const double fallback = defaults.*key.field;
        const double value = ini.ReadIniDouble(section, name, fallback);
        if (value >= key.low && value <= key.high) {
            tolerance.*key.field = value;
            continue;
        }
        if (replaced)
            *replaced << QStringLiteral("[%1] %2=%3 (limits %4 to %5): %6 is used")
                             .arg(section, name, ini.ReadIniStr(section, name, QString()).trimmed(),
                                  Shown(key.low), Shown(key.high), Shown(fallback));
    }
    const std::string problem = tolerance.problem();
    if (!problem.empty()) {
        if (replaced)
            *replaced << QStringLiteral("[%1] %2 The default rate tolerance is used.")
                             .arg(section, QString::fromStdString(problem));
        return defaults;
    }
    return tolerance;
}

bool WriteRateTolerance(cIniFile& ini, const QString& section, const RateTolerance& tolerance)
{
    if (ReadRateTolerance(ini, section) == tolerance) return true;
    bool written = true;
    for (const Key& key : kKeys)
        if (ini.WriteIniStr(section, QString::fromLatin1(key.name),
                            NumberText(tolerance.*key.field)) == 0)
            written = false;
    return written;
}

} // namespace tlv
