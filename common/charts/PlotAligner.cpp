#include "common/charts/PlotAligner.h"

#include "common/charts/LiveChartView.h"

#include <QChart>

#include <algorithm>
#include <cmath>

namespace tlv::charts {

PlotAligner::PlotAligner(QObject* parent) : QObject(parent) {}

void PlotAligner::add(LiveChartView* view)
{
    if (!view) return;
    m_entries.push_back({view, 0});
    connect(view->chart(), &QChart::plotAreaChanged, this, &PlotAligner::schedule);
    connect(view, &QObject::destroyed, this, [this, view] {
        std::erase_if(m_entries, [view](const Entry& e) { return e.view == view; });
    });
    align();
}

// Plot areas move one chart at a time as each lays itself out: the alignment waits until the
// pending layouts are through, then looks at all of them at once (and again if any moved).
void PlotAligner::schedule()
{
    if (m_scheduled) return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &PlotAligner::align, Qt::QueuedConnection);
}

void PlotAligner::align()
{
    m_scheduled = false;
    if (m_entries.size() < 2) return;
    // Where each plot area would start without the added margin.
    qreal widest = 0;
    for (const Entry& e : m_entries)
        if (!e.view->chart()->plotArea().isEmpty())
            widest = std::max(widest, e.view->chart()->plotArea().left() - e.extra);
    for (Entry& e : m_entries) {
        QChart* chart = e.view->chart();
        if (chart->plotArea().isEmpty()) continue; // not laid out yet
        const qreal natural = chart->plotArea().left() - e.extra;
        const qreal extra = std::round(widest - natural);
        if (std::fabs(extra - e.extra) < 0.5) continue;
        QMargins margins = chart->margins();
        margins.setLeft(LiveChartView::kChartMargin + static_cast<int>(extra));
        e.extra = extra;
        chart->setMargins(margins);
    }
}

} // namespace tlv::charts
