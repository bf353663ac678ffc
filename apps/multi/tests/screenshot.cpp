// Developer aid: shows tlvmulti as an operator would use it — "Send All", then "Read" — and saves
// a picture of the window with live readings. Usage:
//   multi_screenshot <file.png> [seconds] [outputs|map]
// "outputs" switches to the output view first; "map" saves the sensor map dialog instead. Run it
// under a display, e.g. xvfb-run; with TLV880_DRIVER=none the cards are simulated.

#include "frmMain.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: multi_screenshot <file.png> [seconds]\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    int seconds = 3;
    if (argc > 2) {
        bool ok = false;
        seconds = QString::fromLocal8Bit(argv[2]).toInt(&ok);
        if (!ok || seconds < 0 || seconds > 3600) {
            std::fprintf(stderr, "multi_screenshot: seconds must be a whole number 0..3600\n");
            return 2;
        }
    }
    const QString view = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();

    multi::frmMain window;
    window.show();
    window.findChild<QPushButton*>(QStringLiteral("cmdDoIt"))->click();
    window.findChild<QPushButton*>(QStringLiteral("cmdRead"))->click();
    if (view == QStringLiteral("outputs"))
        window.findChild<QPushButton*>(QStringLiteral("cmdDisplay"))->click();
    if (view == QStringLiteral("map"))
        window.findChild<QPushButton*>(QStringLiteral("cmdMap"))->click();
    int result = 0;
    QTimer::singleShot(seconds * 1000, &app, [&] {
        QWidget* shown = window.SensorMapDialog();
        if (shown == nullptr) shown = &window;
        result = shown->grab().save(file) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return result;
}
