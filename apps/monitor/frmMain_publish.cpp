// The status bar's view of the core's publishing to an MQTT broker.
#include "frmMain.h"

#include "common/mqtt/MqttPublisher.h"
#include "common/mqtt/PublishStatusLabel.h"

#include <QStatusBar>

namespace monitor {

void frmMain::BuildStatusBar()
{
    m_lblPublish = new tlv::mqtt::PublishStatusLabel(statusBar());
    statusBar()->addPermanentWidget(m_lblPublish);
    connect(m_core, &MonitorCore::publisherCreated, m_lblPublish,
            &tlv::mqtt::PublishStatusLabel::follow);
}

bool frmMain::StartPublishing(const tlv::mqtt::PublishOptions& options)
{
    return m_core->StartPublishing(options);
}

} // namespace monitor
