#pragma once
// What every window test of tlvmulti needs first: a program folder and user settings of its own
// (removed afterwards, so no test sees another's files), and a checked look-up of the window's
// controls by name.

#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace multi::testing {

// Points the program folder and the user's settings into a fresh temporary folder; build the
// window after it.
struct PrivateHome {
    PrivateHome()
    {
        qputenv("TLV880_HOME", dir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    }
    QString filePath(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

// The control of that name inside window; a missing control fails the test.
template <typename T> T* FindControl(const QWidget* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

} // namespace multi::testing
