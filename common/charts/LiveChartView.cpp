#include "common/charts/LiveChartView.h"

#include <QCategoryAxis>
#include <QChart>
#include <QDateTime>
#include <QGraphicsItem>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTime>
#include <QTimer>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace tlv::charts {

namespace {
// Distinct, print-friendly line colours.
const std::array<QColor, 12> kPalette{
    QColor(31, 119, 180),  QColor(214, 39, 40),  QColor(44, 160, 44), QColor(255, 127, 14),
    QColor(148, 103, 189), QColor(23, 190, 207), QColor(140, 86, 75), QColor(227, 119, 194),
    QColor(0, 0, 0),       QColor(188, 189, 34), QColor(0, 0, 128),   QColor(127, 127, 127)};

constexpr int kValueTicks = 5;

// A "nice" number near x: 1, 2 or 5 times a power of ten, at least x when rounding up.
double NiceNumber(double x, bool roundUp)
{
    const double z = std::pow(10.0, std::floor(std::log10(x)));
    const double q = x / z;
    if (roundUp) return (q <= 1 ? 1 : q <= 2 ? 2 : q <= 5 ? 5 : 10) * z;
    return (q < 1.5 ? 1 : q < 3 ? 2 : q < 7 ? 5 : 10) * z;
}

struct NiceRange {
    double min;
    double max;
    int ticks;
};

// The value axis range and tick count for [low, high], on round steps (as the axis's own
// nice numbers, computed here so the axis is left alone when nothing changes).
NiceRange NiceAxisRange(double low, double high, int ticks)
{
    if (!(high > low)) return {low, high, ticks};
    const double range = NiceNumber(high - low, true);
    const double step = NiceNumber(range / (ticks - 1), false);
    const double first = std::floor(low / step);
    const double last = std::ceil(high / step);
    return {first * step, last * step, static_cast<int>(last - first) + 1};
}

bool Positive(double level)
{
    return std::isfinite(level) && level > 0;
}

// Seconds between clock labels: a round step that gives at most seven labels over the span.
double ClockStep(double span)
{
    for (const double step : {5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 900.0})
        if (span / step <= 7) return step;
    return 1800;
}

const QString kMinutesTitle = QStringLiteral("minutes before the latest reading");
const QString kClockTitle = QStringLiteral("time of day");
} // namespace

// One drawn series: its runs of joined points (the first `used` of `runs`), its reduction and
// how it is drawn.
struct LiveChartView::Line {
    std::vector<QList<QPointF>> runs;
    std::size_t used = 0;
    ColumnReducer reducer;
    QPen pen;
    bool shown = true;
    int level = -1; // the level series that belongs to this line, if any
};

QPen LiveChartView::LinePen(std::size_t n)
{
    // One pixel wide: Qt draws such lines, antialiased and dashed too, with its line stroker;
    // a wider pen is filled as an outline, which for a noisy line costs several times more.
    QPen pen(kPalette.at(n % kPalette.size()));
    pen.setWidthF(1.0);
    if ((n / kPalette.size()) % 2 == 1) pen.setStyle(Qt::DashDotLine);
    return pen;
}

// Paints every shown line over the plot area, mapping chart values through the axes' ranges.
class LiveChartView::PlotLines : public QGraphicsItem {
public:
    PlotLines(LiveChartView& view, QChart* chart) : QGraphicsItem(chart), m_view(view)
    {
        setZValue(5); // above the plot's background and grid, below the axes' labels
        setFlag(QGraphicsItem::ItemClipsToShape);
    }
    QRectF boundingRect() const override { return m_view.m_chart->plotArea(); }
    QPainterPath shape() const override
    {
        QPainterPath path;
        path.addRect(boundingRect());
        return path;
    }
    void geometryChanged() { prepareGeometryChange(); }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override
    {
        const QRectF area = m_view.m_chart->plotArea();
        const QValueAxis& ax = *m_view.m_axisTime;
        const QValueAxis& ay = *m_view.m_axisY;
        if (area.isEmpty() || !(ax.max() > ax.min()) || !(ay.max() > ay.min())) return;
        const double sx = area.width() / (ax.max() - ax.min());
        const double sy = area.height() / (ay.max() - ay.min());
        painter->setClipRect(area);
        painter->setRenderHint(QPainter::Antialiasing);
        for (const auto& line : m_view.m_lines) {
            if (!line->shown) continue;
            painter->setPen(line->pen);
            for (std::size_t r = 0; r < line->used; ++r) {
                const QList<QPointF>& run = line->runs[r];
                m_scratch.resize(run.size());
                for (qsizetype i = 0; i < run.size(); ++i)
                    m_scratch[i] = QPointF(area.left() + (run[i].x() - ax.min()) * sx,
                                           area.bottom() - (run[i].y() - ay.min()) * sy);
                if (m_scratch.size() == 1) {
                    painter->drawPoint(m_scratch.front()); // a lone reading between two gaps
                    continue;
                }
                painter->drawPolyline(m_scratch);
            }
        }
        // Markers: a vertical line each, its label beside it at the top of the plot.
        QPen marker(QColor(90, 90, 90));
        marker.setStyle(Qt::DashLine);
        marker.setWidthF(1.0);
        const QFontMetricsF metrics(painter->font());
        for (const DrawnMarker& m : m_view.m_drawnMarkers) {
            const double x = area.left() + (m.x - ax.min()) * sx;
            painter->setPen(marker);
            painter->drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
            painter->setPen(QColor(40, 40, 40));
            // Right of the line, or left of it where the plot ends first.
            const double width = metrics.horizontalAdvance(m.label);
            const double textX = x + 3 + width <= area.right() ? x + 3 : x - 3 - width;
            painter->drawText(QPointF(textX, area.top() + metrics.ascent() + 1), m.label);
        }
    }

private:
    LiveChartView& m_view;
    QPolygonF m_scratch;
};

LiveChartView::LiveChartView(ChartModel& model, QWidget* parent)
    // The chart is handed to the view as it is made: a view made without one makes a default
    // chart of its own, which setChart() would then let go of without deleting it.
    : QChartView(new QChart, parent), m_model(model)
{
    m_chart = chart();
    m_chart->legend()->hide();
    m_chart->setMargins(QMargins(kChartMargin, kChartMargin, kChartMargin, kChartMargin));

    // Time runs to the right and ends at the newest reading: minutes before it, so the labels
    // stay still while the lines scroll.
    m_axisX = new QValueAxis(this);
    m_axisX->setTitleText(kMinutesTitle);
    m_axisX->setLabelFormat(QStringLiteral("%.1f"));
    m_axisTime = m_axisX;
    // The clock axis waits off the chart until clock time is asked for; the view owns both.
    m_axisClock = new QCategoryAxis(this);
    m_axisClock->setTitleText(kClockTitle);
    m_axisClock->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_axisClock->setTruncateLabels(false);
    m_axisY = new QValueAxis;
    m_axisY->setLabelFormat(QStringLiteral("%.3g"));
    // Labels are never cut to "...": the view's minimum size leaves them their room.
    m_axisX->setTruncateLabels(false);
    m_axisY->setTruncateLabels(false);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    updateTitles();
    // An empty series holds the axes to the plot, as the lines are not series of the chart.
    m_anchor = new QLineSeries;
    m_chart->addSeries(m_anchor);
    m_anchor->attachAxis(m_axisX);
    m_anchor->attachAxis(m_axisY);
    m_plot = new PlotLines(*this, m_chart);
    connect(m_chart, &QChart::plotAreaChanged, this, [this] { m_plot->geometryChanged(); });
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(320, 180);

    m_timer = new QTimer(this);
    m_timer->setInterval(kRefreshIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &LiveChartView::tick);
    m_timer->start();
    refreshNow();
}

// The chart deletes the time axis it holds; the one off the chart is the view's child.
LiveChartView::~LiveChartView() = default;

QString LiveChartView::ClockText(double t, TimeBase base, bool seconds)
{
    QTime time;
    if (base == TimeBase::Epoch) {
        time = QDateTime::fromMSecsSinceEpoch(std::llround(t * 1000.0)).time();
    } else {
        const double day = std::fmod(std::fmod(t, 86400.0) + 86400.0, 86400.0);
        time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(std::llround(day * 1000.0)) %
                                               86400000);
    }
    return time.toString(seconds ? QStringLiteral("hh:mm:ss") : QStringLiteral("hh:mm"));
}

void LiveChartView::setValueRange(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max) || !(max > min)) return;
    m_fixedRange = std::make_pair(min, max);
    m_drawnRevision = 0;
}

void LiveChartView::clearValueRange()
{
    m_fixedRange.reset();
    m_drawnRevision = 0;
}

void LiveChartView::setClockTime(bool on)
{
    if (on == m_clock) return;
    m_clock = on;
    useTimeAxis(on ? static_cast<QValueAxis*>(m_axisClock) : m_axisX);
    m_clockStep = 0;
    refreshNow();
}

void LiveChartView::setTimeBase(TimeBase base)
{
    m_timeBase = base;
    m_clockStep = 0;
    m_drawnRevision = 0;
}

void LiveChartView::useTimeAxis(QValueAxis* axis)
{
    if (axis == m_axisTime) return;
    m_anchor->detachAxis(m_axisTime);
    m_chart->removeAxis(m_axisTime);
    m_axisTime->setParent(this); // removing gives the axis back to its owner
    m_chart->addAxis(axis, Qt::AlignBottom);
    m_anchor->attachAxis(axis);
    m_axisTime = axis;
    m_thinLinePens.reset();
}

QValueAxis* LiveChartView::timeAxis() const
{
    return m_axisTime;
}

QStringList LiveChartView::timeLabels() const
{
    return m_clock ? m_axisClock->categoriesLabels() : QStringList();
}

bool LiveChartView::listedInLegend(int id) const
{
    return id >= 0 && id < m_model.seriesCount() && m_model.kind(id) != ChartModel::Kind::Band;
}

// Clock labels at round times of day within the view; they are set again only when the view
// has moved on past a label or the step changed, as each change lays out the axis.
void LiveChartView::relabelClock(double from, double end)
{
    const double step = ClockStep(m_span);
    const double first = std::ceil(from / step) * step;
    if (step == m_clockStep && first == m_clockFirst) return;
    m_clockStep = step;
    m_clockFirst = first;
    for (const QString& label : m_axisClock->categoriesLabels())
        m_axisClock->remove(label);
    m_axisClock->setStartValue((from - end) / 60.0);
    for (double t = first; t <= end + 1e-9; t += step)
        m_axisClock->append(ClockText(t, m_timeBase, step < 60), (t - end) / 60.0);
}

void LiveChartView::setSpanSeconds(double seconds)
{
    if (!(seconds > 0)) return;
    m_span = std::min(seconds, ChartModel::kKeepSeconds);
}

void LiveChartView::setRelativeToLevels(bool relative, const QString& caption)
{
    m_relative = relative;
    m_relativeCaption = caption;
    updateTitles();
    m_drawnRevision = 0;
}

void LiveChartView::updateTitles()
{
    const QString unit = m_relative ? m_relativeCaption : m_model.unit();
    m_chart->setTitle(unit.isEmpty() ? m_model.title()
                                     : QStringLiteral("%1 (%2)").arg(m_model.title(), unit));
    m_axisY->setTitleText(unit);
}

std::vector<QList<QPointF>> LiveChartView::runs(int id) const
{
    if (id < 0 || id >= lineCount()) return {};
    const Line& l = *m_lines[static_cast<std::size_t>(id)];
    return {l.runs.begin(), l.runs.begin() + static_cast<std::ptrdiff_t>(l.used)};
}

QList<QPointF> LiveChartView::points(int id) const
{
    QList<QPointF> all;
    for (const QList<QPointF>& run : runs(id))
        all += run;
    return all;
}

bool LiveChartView::lineDrawn(int id) const
{
    return seriesShown(id) && m_lines[static_cast<std::size_t>(id)]->used > 0;
}

QPen LiveChartView::linePen(int id) const
{
    if (id < 0 || id >= lineCount()) return {};
    return m_lines[static_cast<std::size_t>(id)]->pen;
}

QString LiveChartView::legendText(int id) const
{
    const QString& name = m_model.name(id);
    if (!m_relative || m_model.kind(id) != ChartModel::Kind::Level) return name;
    const double level = m_model.level(id);
    if (!Positive(level)) return name;
    return QStringLiteral("%1 (%2 %3)").arg(name, QString::number(level, 'g', 6), m_model.unit());
}

bool LiveChartView::seriesShown(int id) const
{
    return id >= 0 && id < lineCount() && m_lines[static_cast<std::size_t>(id)]->shown;
}

void LiveChartView::setSeriesShown(int id, bool shown)
{
    if (id < 0 || id >= lineCount()) return;
    Line& l = *m_lines[static_cast<std::size_t>(id)];
    if (l.shown == shown) return;
    l.shown = shown;
    // A setpoint's band goes with it.
    for (int band = id + 1; band < lineCount(); ++band)
        if (m_model.kind(band) == ChartModel::Kind::Band && m_model.companion(band) == id)
            m_lines[static_cast<std::size_t>(band)]->shown = shown;
    m_drawnRevision = 0; // a shown line needs its points again; the axes change with it
    refreshNow();
}

bool LiveChartView::canBeSeen() const
{
    const QWidget* top = window();
    return isVisible() && !(top && top->isMinimized());
}

void LiveChartView::tick()
{
    if (!canBeSeen()) return; // caught up at the first look after it is shown again
    ++m_ticksSinceRefresh;
    if (m_span != m_drawnSpan || m_drawnRevision == 0) {
        refreshNow();
        return;
    }
    if (m_model.revision() == m_drawnRevision) return;
    // Within one pixel column the lines move by less than a pixel: gather the readings.
    const double gathered = m_ticksSinceRefresh * (kRefreshIntervalMs / 1000.0);
    if (gathered + 1e-9 < m_columnSeconds) return;
    refreshNow();
}

void LiveChartView::syncSeries()
{
    for (int id = lineCount(); id < m_model.seriesCount(); ++id) {
        auto line = std::make_unique<Line>();
        // Line series take the palette in order, so the same output has the same colour in
        // every chart of a window; a level or setpoint takes its companion's colour, dashed,
        // and a band edge its setpoint's, dotted and lighter.
        const int companion = m_model.companion(id);
        const ChartModel::Kind kind = m_model.kind(id);
        const bool known = companion >= 0 && companion < lineCount();
        if (kind == ChartModel::Kind::Setpoint || kind == ChartModel::Kind::Band) {
            line->pen =
                known ? m_lines[static_cast<std::size_t>(companion)]->pen : QPen(Qt::darkGray);
            line->pen.setWidthF(1.0);
            QColor colour = line->pen.color();
            if (kind == ChartModel::Kind::Band) colour.setAlpha(150);
            line->pen.setColor(colour);
            line->pen.setStyle(kind == ChartModel::Kind::Band ? Qt::DotLine : Qt::DashLine);
            if (kind == ChartModel::Kind::Band && known)
                line->shown = m_lines[static_cast<std::size_t>(companion)]->shown;
        } else if (kind == ChartModel::Kind::Level) {
            line->pen = companion >= 0 && companion < lineCount()
                            ? m_lines[static_cast<std::size_t>(companion)]->pen
                            : QPen(Qt::darkGray);
            line->pen.setWidthF(1.0);
            line->pen.setStyle(Qt::DashLine);
            if (companion >= 0 && companion < lineCount())
                m_lines[static_cast<std::size_t>(companion)]->level = id;
        } else {
            line->pen = LinePen(m_lineColours++);
        }
        m_lines.push_back(std::move(line));
    }
}

// The plot's width in pixels; before the first layout, the view's width less the axis.
double LiveChartView::plotPixels() const
{
    const double plot = m_chart->plotArea().width();
    if (plot >= 16) return plot;
    return std::max(100, width() - 80);
}

void LiveChartView::refreshNow()
{
    syncSeries();
    m_drawnRevision = m_model.revision();
    m_drawnSpan = m_span;
    m_ticksSinceRefresh = 0;
    ++m_refreshes;

    const double newest = m_model.newestTime();
    const double end = std::isnan(newest) ? 0.0 : newest;
    const double from = end - m_span;
    const auto toX = [end](double t) { return (t - end) / 60.0; };
    m_columnSeconds = m_span / std::round(plotPixels());

    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    const auto widen = [&](const QList<QPointF>& run) {
        for (const QPointF& p : run) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    };
    for (int id = 0; id < lineCount(); ++id) {
        Line& l = *m_lines[static_cast<std::size_t>(id)];
        if (!l.shown) continue; // a hidden line is left as it was until shown again
        l.used = 0;
        if (m_model.kind(id) == ChartModel::Kind::Level) {
            double level = m_model.level(id);
            if (m_relative) level = Positive(level) ? 100.0 : std::nan("");
            if (std::isfinite(level) && !std::isnan(newest)) {
                if (l.runs.empty()) l.runs.emplace_back();
                l.runs.front().clear();
                l.runs.front() << QPointF(toX(from), level) << QPointF(0.0, level);
                l.used = 1;
            }
        } else {
            m_readingsRead += l.reducer.update(m_model.ring(id), from, m_columnSeconds);
            double scale = 1.0;
            if (m_relative && l.level >= 0 && !m_model.storesShares()) {
                const double level = m_model.level(l.level);
                scale = Positive(level) ? 100.0 / level : std::nan("");
            }
            if (!std::isnan(scale)) l.used = l.reducer.runs(l.runs, scale, toX);
        }
        for (std::size_t r = 0; r < l.used; ++r)
            widen(l.runs[r]);
    }

    m_drawnMarkers.clear();
    if (!std::isnan(newest))
        for (const ChartModel::Marker& marker : m_model.markers())
            if (marker.t >= from && marker.t <= end)
                m_drawnMarkers.push_back({toX(marker.t), marker.label});

    const double xFrom = toX(from);
    if (m_axisTime->min() != xFrom || m_axisTime->max() != 0.0) m_axisTime->setRange(xFrom, 0.0);
    if (m_clock) {
        relabelClock(from, end);
    } else {
        const int xTicks = m_span <= 60 ? 7 : 6;
        if (m_axisX->tickCount() != xTicks) m_axisX->setTickCount(xTicks);
    }
    if (m_relative) {
        low = std::min(low, 0.0); // read as a share of the setpoint: from nothing up
        high = std::max(high, 100.0);
    }
    if (!(low <= high)) {
        low = 0;
        high = 1;
    }
    const double margin = high > low ? (high - low) * 0.05 : std::max(std::fabs(high) * 0.05, 0.5);
    // The axis is touched only when its rounded range moves: each change lays out its labels.
    // A relative chart of readings that are all positive starts at 0 %, not below.
    const double bottom = m_relative && low >= 0 ? 0.0 : low - margin;
    NiceRange y = NiceAxisRange(bottom, high + margin, kValueTicks);
    if (m_fixedRange) {
        const double step = NiceNumber((m_fixedRange->second - m_fixedRange->first) / 4, false);
        y = {m_fixedRange->first, m_fixedRange->second,
             static_cast<int>(std::lround((m_fixedRange->second - m_fixedRange->first) / step)) +
                 1};
    }
    if (m_axisY->min() != y.min || m_axisY->max() != y.max) m_axisY->setRange(y.min, y.max);
    if (m_axisY->tickCount() != y.ticks) m_axisY->setTickCount(y.ticks);
    fitLinePens();
    m_plot->update();
    emit refreshed();
}

// Grid, axis lines and ticks are line items whose bounding box Qt works out by stroking the
// line's outline whenever its pen has a width, and a redraw asks every such item for it. Where a
// pixel is one device pixel, a pen of width 0 (one device pixel) draws the same line as one of
// width 1 and its box is the line's own. Elsewhere the chart's own pens stay.
void LiveChartView::fitLinePens()
{
    const bool thin = devicePixelRatioF() == 1.0;
    if (m_thinLinePens == thin) return;
    m_thinLinePens = thin;
    const auto fit = [thin](QPen pen) {
        if (thin && pen.widthF() == 1.0) pen.setWidthF(0.0);
        if (!thin && pen.widthF() == 0.0) pen.setWidthF(1.0);
        return pen;
    };
    for (QValueAxis* axis : {m_axisX, static_cast<QValueAxis*>(m_axisClock), m_axisY}) {
        axis->setGridLinePen(fit(axis->gridLinePen()));
        axis->setMinorGridLinePen(fit(axis->minorGridLinePen()));
        axis->setLinePen(fit(axis->linePen()));
    }
}

} // namespace tlv::charts
