#include "common/SetupFile.h"

#include "common/IniDocument.h"
#include "common/ProgramInfo.h"

#include <QFileInfo>

#include <algorithm>

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

QString SetupFileRefusal(const QString& path, const QStringList& sections, const QString& kind)
{
    IniDocument::LoadResult result = IniDocument::LoadResult::Missing;
    const IniDocument doc = IniDocument::load(path, &result);
    if (IniDocument::isRefused(result)) return IniDocument::refusalMessage(result, path);
    // A file without sections (new, or comments only) is a setup without values; a file whose
    // sections all belong to something else is not this program's.
    const bool own = std::any_of(sections.begin(), sections.end(),
                                 [&](const QString& section) { return doc.hasSection(section); });
    if (doc.hasSections() && !own)
        return QFileInfo(path).fileName() + QStringLiteral(" is not a ") + kind +
               QStringLiteral(" file.");
    return {};
}

} // namespace tlv
