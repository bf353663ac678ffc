#include "WindowPublishing.h"

#include "CofluxProgram.h"
#include "DepositionPublishing.h"
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
    if (!options.enabled()) return;
    auto* publisher = new tlv::mqtt::MqttPublisher(QString::fromLatin1(kProgramTitle), &window);
    label->follow(publisher);
    QObject::connect(publisher, &tlv::mqtt::MqttPublisher::problem, [](const QString& text) {
        std::fputs(("coflux: " + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    });
    if (publisher->start(options)) new DepositionPublishing(window.Core(), *publisher, publisher);
}

} // namespace coflux
