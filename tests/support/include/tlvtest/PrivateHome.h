#pragma once

// A program folder and user settings of one test alone. Test programs run side by side (ctest
// -j2) and would otherwise read, write and clear each other's setup files, INI files, remembered
// window positions and settings. Create it before the window or program under test; the folder
// is removed when it goes.

#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace tlvtest {

class PrivateHome {
public:
    PrivateHome()
    {
        qputenv("TLV880_HOME", m_dir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toLocal8Bit());
        const QString settings = m_dir.filePath(QStringLiteral("settings"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
    }
    ~PrivateHome() { qunsetenv("TLV880_HOME"); }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    // A file of the program folder.
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

} // namespace tlvtest
