#include "HelpWindow.h"

#include "CofluxProgram.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace coflux {

QString HelpFilePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/coflux.html");
}

QWidget* ShowHelp(QWidget* owner)
{
    static QPointer<QTextBrowser> window;
    const QString path = HelpFilePath();
    if (!QFileInfo::exists(path)) {
        ShowMessage(owner,
                    QStringLiteral("The help file ") + path + QStringLiteral(" was not found."),
                    QMessageBox::Warning);
        return nullptr;
    }
    if (!window) {
        // A top-level window of its own, closed with the other windows of the program.
        window = new QTextBrowser;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setObjectName(QStringLiteral("frmHelp"));
        window->setWindowTitle(QStringLiteral("TLV-880 Coflux Controller Help"));
        window->setOpenExternalLinks(false);
        window->resize(720, 640);
    }
    window->setSource(QUrl::fromLocalFile(path));
    window->showNormal();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace coflux
