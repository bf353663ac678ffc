#include "HelpWindow.h"

#include "common/HelpBrowser.h"

namespace coflux {

namespace {
const QString kHelpFile = QStringLiteral("coflux.html");
} // namespace

QString HelpFilePath()
{
    return tlv::HelpFilePath(kHelpFile);
}

QWidget* ShowHelp(QWidget* owner)
{
    return tlv::ShowHelpFile(owner, kHelpFile, QStringLiteral("TLV-880 Coflux Controller Help"));
}

} // namespace coflux
