#include "RecipeProgressStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace coflux {

RecipeProgressStrip::RecipeProgressStrip(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fraProgress"));
    m_lblLayer = new QLabel(this);
    m_lblLayer->setObjectName(QStringLiteral("lblLayer"));
    QFont bold = m_lblLayer->font();
    bold.setBold(true);
    m_lblLayer->setFont(bold);
    m_prgLayer = new QProgressBar(this);
    m_prgLayer->setObjectName(QStringLiteral("prgLayer"));
    m_prgLayer->setRange(0, 1000);
    m_prgLayer->setFormat(QStringLiteral("%p % of the layer"));
    m_prgLayer->setToolTip(
        QStringLiteral("The layer's thickness (or time) toward its end, once depositing."));
    m_prgLayer->setMinimumWidth(180);
    m_lblLayerLeft = new QLabel(this);
    m_lblLayerLeft->setObjectName(QStringLiteral("lblLayerLeft"));
    m_lblRunLeft = new QLabel(this);
    m_lblRunLeft->setObjectName(QStringLiteral("lblRunLeft"));
    const QString tip = QStringLiteral(
        "Estimated from what is measured: the settling of rate control in the shutter delays "
        "so far and the deposition rate of the last 10 s against the planned one.");
    m_lblLayerLeft->setToolTip(tip);
    m_lblRunLeft->setToolTip(tip);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(m_lblLayer);
    row->addWidget(m_prgLayer, 1);
    row->addSpacing(12);
    row->addWidget(m_lblLayerLeft);
    row->addSpacing(12);
    row->addWidget(m_lblRunLeft);
    hide();
}

void RecipeProgressStrip::Show(const RecipeEstimate& estimate, int layers, const QTime& now)
{
    setVisible(estimate.running);
    if (!estimate.running) return;
    const QString layer = estimate.layer < 0
                              ? QStringLiteral("Recipe starting")
                              : QStringLiteral("Layer %1/%2 %3: %4")
                                    .arg(estimate.layer + 1)
                                    .arg(layers)
                                    .arg(estimate.layerName, RecipeRun::PhaseName(estimate.phase));
    if (m_lblLayer->text() != layer) m_lblLayer->setText(layer);
    m_prgLayer->setValue(static_cast<int>(std::lround(estimate.layerDone * 1000)));
    m_lblLayerLeft->setText(
        QStringLiteral("Layer ends in %1").arg(RecipeRun::ElapsedText(estimate.layerRemaining)));
    const QTime end = now.addSecs(static_cast<int>(std::lround(estimate.runRemaining)));
    m_lblRunLeft->setText(QStringLiteral("Run ends in %1 (at %2)")
                              .arg(RecipeRun::ElapsedText(estimate.runRemaining),
                                   end.toString(QStringLiteral("hh:mm:ss"))));
}

} // namespace coflux
