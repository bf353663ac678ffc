#pragma once
// A checked look-up of a window's controls by name.

#include <QWidget>
#include <gtest/gtest.h>

namespace multi::testing {

// The control of that name inside window; a missing control fails the test.
template <typename T> T* FindControl(const QWidget* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

} // namespace multi::testing
