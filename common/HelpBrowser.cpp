#include "common/HelpBrowser.h"

#include "common/DialogService.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace tlv {

QString HelpFilePath(const QString& fileName)
{
    const QString folder = QCoreApplication::applicationDirPath();
    QString beside = folder + QLatin1Char('/') + fileName;
    const QString installed = folder + QStringLiteral("/../share/tlv880/") + fileName;
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return QFileInfo(installed).canonicalFilePath();
    return beside;
}

QWidget* ShowHelpFile(QWidget* owner, const QString& fileName, const QString& title,
                      const QString& anchor)
{
    static QPointer<QTextBrowser> window;
    const QString path = HelpFilePath(fileName);
    if (!QFileInfo::exists(path)) {
        DialogService::message(
            owner, QStringLiteral("The help file ") + path + QStringLiteral(" was not found."),
            QMessageBox::Ok, QMessageBox::Warning);
        return nullptr;
    }
    if (!window) {
        // A top-level window of its own, closed with the other windows of the program.
        window = new QTextBrowser;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setObjectName(QStringLiteral("frmHelp"));
        window->setOpenExternalLinks(false);
        window->resize(720, 640);
    }
    window->setWindowTitle(title);
    QUrl url = QUrl::fromLocalFile(path);
    if (!anchor.isEmpty()) url.setFragment(anchor);
    window->setSource(url);
    window->showNormal();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace tlv
