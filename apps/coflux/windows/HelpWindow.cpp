#include "HelpWindow.h"

#include "CofluxProgram.h"
#include "ProgramMessage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace coflux {

QString HelpFilePath(const QString& fileName)
{
    // Beside the program in a build folder; under ../share/tlv880/ once installed.
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + fileName;
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tlv880/") + fileName;
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return QFileInfo(installed).canonicalFilePath();
    return beside;
}

QWidget* ShowHelp(QWidget* owner, const QString& fileName)
{
    static QPointer<QTextBrowser> window;
    const QString path = HelpFilePath(fileName);
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
