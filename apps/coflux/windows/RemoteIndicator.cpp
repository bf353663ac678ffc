// The window's "REMOTE" label, placed in the layout that holds "SIMULATE".
#include "RemoteIndicator.h"

#include "frmMain.h"

#include "common/remote/RemoteServer.h"

#include <QLabel>

namespace coflux {

void AttachRemoteIndicator(frmMain& window, tlv::remote::RemoteServer& server)
{
    auto* label = new QLabel(QStringLiteral("REMOTE"));
    label->setObjectName(QStringLiteral("lblRemote"));
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255); font-weight: bold;"));
    label->setToolTip(QStringLiteral("A remote client is connected."));
    label->setVisible(server.ClientCount() > 0);

    window.AddSign(label);
    QObject::connect(&server, &tlv::remote::RemoteServer::ClientCountChanged, label,
                     [label](int count) { label->setVisible(count > 0); });
    QObject::connect(&window, &QObject::destroyed, &server, [&server] { server.Close(); });
}

} // namespace coflux
