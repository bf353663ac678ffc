#include "common/SetupFile.h"

#include "common/ProgramInfo.h"

#include <QMutex>
#include <QSettings>

namespace tlv {

namespace {
const QString Organisation = QStringLiteral("TLV880");
const QString SetupSection = QStringLiteral("Setup File");
const QString SetupKey = QStringLiteral("Setup");

QMutex g_mutex; // guards g_current
QString g_current;

QString settingsKey()
{
    return SetupSection + QLatin1Char('/') + SetupKey;
}
} // namespace

QString SavedSetupFile()
{
    QSettings settings(Organisation, Program().title);
    return settings.value(settingsKey()).toString();
}

QString CurrentSetupFile()
{
    QMutexLocker lock(&g_mutex);
    return g_current;
}

void SetCurrentSetupFile(const QString& name)
{
    {
        QMutexLocker lock(&g_mutex);
        g_current = name;
    }
    QSettings settings(Organisation, Program().title);
    settings.setValue(settingsKey(), name);
}

} // namespace tlv
