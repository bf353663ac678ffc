#include "common/ProgramInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
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

// Folders already given their first-run files in this process: the check runs once per folder,
// not at every file name asked for.
QMutex g_seedMutex;
QSet<QString> g_seeded;

// Copies each file the package ships for this program (share/tlv880/<title>/, e.g. coflux's
// demonstration Default.dat) into the user's folder where the user has no file of that name.
// QFile::copy never replaces an existing file, so the user's own setup stays as it is.
void SeedFirstRunFiles(const QString& shared, const QString& folder)
{
    const QString title = Program().title;
    if (title.isEmpty()) return;
    const QString source = shared + QLatin1Char('/') + title;
    {
        QMutexLocker lock(&g_seedMutex);
        if (g_seeded.contains(folder)) return;
        g_seeded.insert(folder);
    }
    const QDir from(source);
    const QFileInfoList files = from.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& file : files) {
        const QString target = folder + QLatin1Char('/') + file.fileName();
        if (QFileInfo::exists(target)) continue;
        if (QFile::copy(file.absoluteFilePath(), target))
            QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
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
    const QString shared = exeDir + QStringLiteral("/../share/tlv880");
    const bool installed = !exeDir.isEmpty() && QFileInfo(shared).isDir();
    if (!exeDir.isEmpty() && info.isDir() && info.isWritable() && !installed)
        return withoutTrailingSeparator(exeDir);
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) data = QDir::currentPath();
    QDir().mkpath(data);
    data = withoutTrailingSeparator(data);
    // An installed program's first start in a user's folder gets the files the package ships
    // for it, so it starts as it does in a build folder (coflux with its demonstration setup).
    if (installed) SeedFirstRunFiles(QDir::cleanPath(shared), data);
    return data;
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
