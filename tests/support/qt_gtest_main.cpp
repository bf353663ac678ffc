#include <QApplication>
#include <gtest/gtest.h>

// GoogleTest entry for tests that need a QApplication. Tests run without a display: the
// offscreen platform is the default unless the environment names another one.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
