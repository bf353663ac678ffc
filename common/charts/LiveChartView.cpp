#include "common/charts/LiveChartView.h"

#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QTimer>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace tlv::charts {

namespace {
// Distinct, print-friendly line colours.
const std::array<QColor, 8> kPalette{
    QColor(31, 119, 180),  QColor(214, 39, 40),  QColor(44, 160, 44), QColor(255, 127, 14),
    QColor(148, 103, 189), QColor(23, 190, 207), QColor(140, 86, 75), QColor(227, 119, 194)};
} // namespace

LiveChartView::LiveChartView(ChartModel& model, QWidget* parent)
    : QChartView(parent), m_model(model)
{
    m_chart = new QChart;
    m_chart->setTitle(model.unit().isEmpty()
                          ? model.title()
                          : QStringLiteral("%1 (%2)").arg(model.title(), model.unit()));
    m_chart->legend()->setAlignment(Qt::AlignRight);
    m_chart->setMargins(QMargins(4, 4, 4, 4));

    // Time runs to the right and ends at the newest reading: minutes before it, so the labels
    // stay still while the lines scroll.
    m_axisX = new QValueAxis;
    m_axisX->setTitleText(QStringLiteral("minutes before the latest reading"));
    m_axisX->setLabelFormat(QStringLiteral("%.1f"));
    m_axisY = new QValueAxis;
    m_axisY->setTitleText(model.unit());
    m_axisY->setLabelFormat(QStringLiteral("%.3g"));
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    setChart(m_chart);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(320, 180);

    m_timer = new QTimer(this);
    m_timer->setInterval(kRefreshIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &LiveChartView::poll);
    m_timer->start();
    refreshNow();
}

void LiveChartView::setSpanSeconds(double seconds)
{
    if (!(seconds > 0)) return;
    m_span = std::min(seconds, ChartModel::kKeepSeconds);
}

QLineSeries* LiveChartView::line(int id) const
{
    if (id < 0 || id >= static_cast<int>(m_lines.size())) return nullptr;
    return m_lines[static_cast<std::size_t>(id)].series;
}

QLegendMarker* LiveChartView::legendMarker(int id) const
{
    QLineSeries* series = line(id);
    if (!series) return nullptr;
    const QList<QLegendMarker*> markers = m_chart->legend()->markers(series);
    return markers.isEmpty() ? nullptr : markers.first();
}

bool LiveChartView::seriesShown(int id) const
{
    return id >= 0 && id < static_cast<int>(m_lines.size()) &&
           m_lines[static_cast<std::size_t>(id)].shown;
}

void LiveChartView::setSeriesShown(int id, bool shown)
{
    if (id < 0 || id >= static_cast<int>(m_lines.size())) return;
    Line& l = m_lines[static_cast<std::size_t>(id)];
    l.shown = shown;
    l.series->setVisible(shown);
    styleMarker(id);
    m_drawnRevision = 0; // a shown line needs its points again; the axes change with it
    refreshNow();
}

void LiveChartView::poll()
{
    if (m_model.revision() != m_drawnRevision || m_span != m_drawnSpan) refreshNow();
}

void LiveChartView::syncSeries()
{
    for (int id = static_cast<int>(m_lines.size()); id < m_model.seriesCount(); ++id) {
        auto* series = new QLineSeries;
        series->setName(m_model.name(id));
        m_chart->addSeries(series);
        series->attachAxis(m_axisX);
        series->attachAxis(m_axisY);
        // Line series take the palette in order, so the same output has the same colour in
        // every chart of a window; a level takes its companion's colour, dashed.
        QPen pen = series->pen();
        pen.setWidthF(1.5);
        const int companion = m_model.companion(id);
        if (m_model.kind(id) == ChartModel::Kind::Level) {
            pen.setStyle(Qt::DashLine);
            pen.setColor(companion >= 0 && companion < static_cast<int>(m_lines.size())
                             ? m_lines[static_cast<std::size_t>(companion)].series->color()
                             : QColor(Qt::darkGray));
        } else {
            pen.setColor(kPalette[m_lineColours++ % kPalette.size()]);
        }
        series->setPen(pen);
        m_lines.push_back({series, true});
        if (QLegendMarker* marker = legendMarker(id))
            connect(marker, &QLegendMarker::clicked, this,
                    [this, marker] { toggleFromLegend(marker); });
    }
    for (int id = 0; id < static_cast<int>(m_lines.size()); ++id) {
        QLineSeries* series = m_lines[static_cast<std::size_t>(id)].series;
        if (series->name() != m_model.name(id)) series->setName(m_model.name(id));
    }
}

void LiveChartView::toggleFromLegend(QLegendMarker* marker)
{
    for (int id = 0; id < static_cast<int>(m_lines.size()); ++id)
        if (legendMarker(id) == marker) setSeriesShown(id, !seriesShown(id));
}

// A hidden series keeps its legend entry, drawn faint, so that it can be clicked back.
void LiveChartView::styleMarker(int id)
{
    QLegendMarker* marker = legendMarker(id);
    if (!marker) return;
    marker->setVisible(true);
    const qreal alpha = seriesShown(id) ? 1.0 : 0.35;
    QColor label = marker->labelBrush().color();
    label.setAlphaF(alpha);
    marker->setLabelBrush(label);
    QColor fill = m_lines[static_cast<std::size_t>(id)].series->color();
    fill.setAlphaF(alpha);
    marker->setBrush(fill);
    QPen pen = marker->pen();
    QColor edge = pen.color();
    edge.setAlphaF(alpha);
    pen.setColor(edge);
    marker->setPen(pen);
}

void LiveChartView::refreshNow()
{
    syncSeries();
    m_drawnRevision = m_model.revision();
    m_drawnSpan = m_span;
    ++m_refreshes;

    const double newest = m_model.newestTime();
    const double end = std::isnan(newest) ? 0.0 : newest;
    const double from = end - m_span;
    const auto toX = [end](double t) { return (t - end) / 60.0; };

    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    QList<QPointF> points;
    for (int id = 0; id < static_cast<int>(m_lines.size()); ++id) {
        const Line& l = m_lines[static_cast<std::size_t>(id)];
        if (!l.shown) continue; // a hidden line is left as it was until shown again
        points.clear();
        if (m_model.kind(id) == ChartModel::Kind::Level) {
            const double level = m_model.level(id);
            if (std::isfinite(level) && !std::isnan(newest)) {
                points << QPointF(toX(from), level) << QPointF(toX(end), level);
                low = std::min(low, level);
                high = std::max(high, level);
            }
        } else {
            m_model.visiblePoints(id, from, kMaxPointsPerLine, m_scratch);
            points.reserve(static_cast<qsizetype>(m_scratch.size()));
            for (const QPointF& p : m_scratch) {
                points << QPointF(toX(p.x()), p.y());
                if (std::isfinite(p.y())) {
                    low = std::min(low, p.y());
                    high = std::max(high, p.y());
                }
            }
        }
        l.series->replace(points);
    }

    m_axisX->setRange(toX(from), 0.0);
    m_axisX->setTickCount(m_span <= 60 ? 7 : 6);
    if (!(low <= high)) {
        low = 0;
        high = 1;
    }
    const double margin = high > low ? (high - low) * 0.05 : std::max(std::fabs(high) * 0.05, 0.5);
    m_axisY->setRange(low - margin, high + margin);
    m_axisY->applyNiceNumbers();
    emit refreshed();
}

} // namespace tlv::charts
