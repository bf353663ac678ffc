// The window's "REMOTE" label, placed in the layout that holds "SIMULATE".
#include "RemoteIndicator.h"

#include "common/remote/RemoteServer.h"

#include <QBoxLayout>
#include <QLabel>

namespace coflux {

namespace {

QBoxLayout* LayoutHolding(QLayout* layout, QWidget* widget)
{
    if (!layout) return nullptr;
    if (layout->indexOf(widget) >= 0) return qobject_cast<QBoxLayout*>(layout);
    for (int i = 0; i < layout->count(); ++i)
        if (QBoxLayout* found = LayoutHolding(layout->itemAt(i)->layout(), widget)) return found;
    return nullptr;
}

} // namespace

void AttachRemoteIndicator(QWidget& window, tlv::remote::RemoteServer& server)
{
    auto* label = new QLabel(QStringLiteral("REMOTE"));
    label->setObjectName(QStringLiteral("lblRemote"));
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255); font-weight: bold;"));
    label->setToolTip(QStringLiteral("A remote client is connected."));
    label->setVisible(server.ClientCount() > 0);

    auto* simulate = window.findChild<QLabel*>(QStringLiteral("lblSim"));
    QBoxLayout* column =
        simulate ? LayoutHolding(simulate->parentWidget()->layout(), simulate) : nullptr;
    if (column) {
        label->setParent(simulate->parentWidget());
        column->insertWidget(column->indexOf(simulate) + 1, label);
    } else {
        label->setParent(&window); // a window without the label keeps it in its corner
    }
    QObject::connect(&server, &tlv::remote::RemoteServer::ClientCountChanged, label,
                     [label](int count) { label->setVisible(count > 0); });
    QObject::connect(&window, &QObject::destroyed, &server, [&server] { server.Close(); });
}

} // namespace coflux
