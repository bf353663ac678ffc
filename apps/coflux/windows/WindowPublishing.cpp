#include "WindowPublishing.h"

#include "CofluxHost.h"
#include "frmMain.h"

#include "common/mqtt/MqttPublisher.h"
#include "common/mqtt/PublishStatusLabel.h"

#include <QStatusBar>

#include <cstdio>

namespace coflux {

void AttachWindowPublishing(frmMain& window, const tlv::mqtt::PublishOptions& options)
{
    auto* label = new tlv::mqtt::PublishStatusLabel(window.statusBar());
    window.statusBar()->addPermanentWidget(label);
    // The publisher belongs to the window's host; problems also go to standard error.
    QObject::connect(&window.Host(), &CofluxHost::publishProblem, label, [](const QString& text) {
        std::fputs(("coflux: " + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    });
    if (tlv::mqtt::MqttPublisher* publisher = window.Host().StartPublishing(options))
        label->follow(publisher);
}

} // namespace coflux
