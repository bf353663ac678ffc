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
    return ProgramFolderFor(QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                         : QString());
}

QString ProgramFolderFor(const QString& exeDir)
{
    // An installed program (its data beside it in ../share/tlv880) lives in a folder shared by
    // every user of the machine: even where it is writable (root), setup files and logs belong to
    // the user, not next to the system's programs.
    const QFileInfo info(exeDir);
    const bool installed = QFileInfo(exeDir + QStringLiteral("/../share/tlv880")).isDir();
    if (!exeDir.isEmpty() && info.isDir() && info.isWritable() && !installed)
        return withoutTrailingSeparator(exeDir);
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) data = QDir::currentPath();
    QDir().mkpath(data);
    return withoutTrailingSeparator(data);
}

QString ProgramFile(const QString& name)
{
    return ProgramFolder() + QLatin1Char('/') + name;
}

QString PackageVersion()
{
    return QStringLiteral(TLV880_PACKAGE_VERSION);
}

} // namespace tlv
