#include "common/ProgramInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

namespace tlv {

namespace {
// Guards the stored description: set once at start, read from anywhere.
QMutex g_infoMutex;
ProgramInfo g_info;
bool g_infoSet = false;

QString withoutTrailingSeparator(QString path)
{
    path = QDir::cleanPath(path);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}
} // namespace

void SetProgramInfo(const ProgramInfo& info)
{
    {
        QMutexLocker lock(&g_infoMutex);
        g_info = info;
        g_infoSet = true;
    }
    if (QCoreApplication::instance() && !info.title.isEmpty())
        QCoreApplication::setApplicationName(info.title);
}

ProgramInfo Program()
{
    QMutexLocker lock(&g_infoMutex);
    ProgramInfo info = g_info;
    if (!g_infoSet || info.title.isEmpty()) info.title = QCoreApplication::applicationName();
    if (info.productName.isEmpty()) info.productName = info.title;
    return info;
}

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("TLV880_HOME");
    if (!home.isEmpty()) {
        QDir().mkpath(home);
        return withoutTrailingSeparator(QFileInfo(home).absoluteFilePath());
    }
    if (QCoreApplication::instance()) {
        const QString exeDir = QCoreApplication::applicationDirPath();
        const QFileInfo info(exeDir);
        if (!exeDir.isEmpty() && info.isDir() && info.isWritable())
            return withoutTrailingSeparator(exeDir);
    }
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) data = QDir::currentPath();
    QDir().mkpath(data);
    return withoutTrailingSeparator(data);
}

QString ProgramFile(const QString& name)
{
    return ProgramFolder() + QLatin1Char('/') + name;
}

} // namespace tlv
