#pragma once
// Section and key names of recipe files, shared by the reader and the writer.

#include <QString>
#include <QStringList>

namespace coflux {

inline constexpr const char* kRecipeSection = "RECIPE";
// The longest time a recipe step may take: a day.
inline constexpr double kMaxSeconds = 86400;

inline QString LayerSection(int layer)
{
    return QStringLiteral("LAYER%1").arg(layer);
}

inline QString OutputSection(int layer, int output)
{
    return QStringLiteral("LAYER%1 OUTPUT%2").arg(layer).arg(output);
}

// RiseNPower, RiseNTime, SoakNTime.
inline QStringList PreStepKeys(int step)
{
    return {QStringLiteral("Rise%1Power").arg(step), QStringLiteral("Rise%1Time").arg(step),
            QStringLiteral("Soak%1Time").arg(step)};
}

// RampNThick, RampNRate, RampNTime.
inline QStringList RampKeys(int ramp)
{
    return {QStringLiteral("Ramp%1Thick").arg(ramp), QStringLiteral("Ramp%1Rate").arg(ramp),
            QStringLiteral("Ramp%1Time").arg(ramp)};
}

inline QStringList LayerKeys()
{
    return {QStringLiteral("Name"),
            QStringLiteral("Outputs"),
            QStringLiteral("EndOutput"),
            QStringLiteral("EndSensor"),
            QStringLiteral("EndThick"),
            QStringLiteral("EndTime"),
            QStringLiteral("ShutterTolerance"),
            QStringLiteral("ShutterHold"),
            QStringLiteral("ShutterTimeout"),
            QStringLiteral("CrystalFailure"),
            QStringLiteral("PowerAverage"),
            QStringLiteral("CrystalCheck")};
}

inline QStringList OutputKeys()
{
    QStringList keys{QStringLiteral("Rate"), QStringLiteral("IdlePower"),
                     QStringLiteral("IdleTime"), QStringLiteral("Material")};
    for (int n = 1; n <= 2; ++n)
        keys << PreStepKeys(n);
    for (int n = 1; n <= 3; ++n)
        keys << RampKeys(n);
    return keys;
}

} // namespace coflux
