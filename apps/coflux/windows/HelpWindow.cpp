#include "HelpWindow.h"

#include "common/HelpBrowser.h"

namespace coflux {

QString HelpFilePath(const QString& fileName)
{
    return tlv::HelpFilePath(fileName);
}

QWidget* ShowHelp(QWidget* owner, const QString& fileName)
{
    return tlv::ShowHelpFile(owner, fileName, QStringLiteral("TLV-880 Coflux Controller Help"));
}

} // namespace coflux
