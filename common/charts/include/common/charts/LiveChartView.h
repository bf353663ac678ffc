#pragma once
// A live chart of one ChartModel: a line per series against time, the view scrolling with
// the newest reading over a chosen span (the model keeps 30 minutes). Redrawing is batched: the
// view looks at the model at most ten times a second and redraws only when the model changed and
// the view can be seen (not while it is hidden or its window minimised), however often readings
// arrive, so the reading path only ever pays for appending to the model.
//
// A redraw costs the same whatever the span: each line is reduced to the lowest and highest
// reading of every pixel column of the plot (ColumnReducer), which only reads the readings that
// came since the last redraw, and its points are replaced in one go. The lines are painted by one
// item of the chart's own (PlotLines) as plain polylines over the plot area: the chart's axes,
// grid and layout stay Qt Charts', without the per-point shape work of its line series. A break
// in the model (a gap in the readings) splits a line into separate runs that are not joined.
//
// The chart draws no legend of its own; a ChartLegend beside it shows every line and hides or
// shows one on a click. With relative levels on (a thickness chart), each line that has a level
// is drawn in percent of that level, so lines of very different setpoints share one scale.
//
// The time axis counts minutes before the newest reading, or, with clock time on, shows the
// time of day at round steps. A setpoint with history is drawn dashed in its reading's
// colour, the tolerance band's edges dotted; the model's markers (a recipe layer beginning)
// are vertical lines with their label. A fixed value range (power from 0 to 100 %) keeps the
// axis where it is whatever the readings do.
//
// The model is owned by the caller and must outlive the view.

#include "common/charts/ChartModel.h"
#include "common/charts/ColumnReducer.h"

#include <QChartView>
#include <QList>
#include <QPen>

#include <memory>
#include <optional>
#include <vector>

class QCategoryAxis;
class QLineSeries;
class QTimer;
class QValueAxis;

namespace tlv::charts {

class LiveChartView : public QChartView {
    Q_OBJECT
public:
    static constexpr int kRefreshIntervalMs = 100; // at most 10 redraws a second
    static constexpr double kDefaultSpanSeconds = 5 * 60;
    static constexpr int kChartMargin = 4;

    // The pen of the n-th line of a chart: twelve distinct colours, solid for the first twelve
    // lines and dash-dotted for the next twelve, so 24 lines stay told apart.
    static QPen LinePen(std::size_t n);

    // What the model's times count: seconds on the continuous clock of the readings' seconds
    // since midnight (MidnightClock), or seconds since 1970 (UTC), shown in local time.
    enum class TimeBase { SinceMidnight, Epoch };
    // The time of day of model time `t` as the clock axis labels it ("hh:mm:ss", or "hh:mm"
    // without seconds).
    static QString ClockText(double t, TimeBase base, bool seconds);

    explicit LiveChartView(ChartModel& model, QWidget* parent = nullptr);
    ~LiveChartView() override;

    // Seconds of history shown, up to the 30 minutes kept.
    void setSpanSeconds(double seconds);
    double spanSeconds() const { return m_span; }

    // Lines with a level companion drawn in percent of that level (the level at 100 %), the
    // value axis titled `caption`. A model that stores shares (each reading against the level
    // in force when it was taken) has its lines drawn as stored.
    void setRelativeToLevels(bool relative,
                             const QString& caption = QStringLiteral("% of setpoint"));
    bool relativeToLevels() const { return m_relative; }

    // The value axis held at [min, max] (both finite, max above min); otherwise it follows the
    // readings again.
    void setValueRange(double min, double max);
    void clearValueRange();
    bool hasValueRange() const { return m_fixedRange.has_value(); }

    // The time axis in time of day rather than minutes before the newest reading.
    void setClockTime(bool on);
    bool clockTime() const { return m_clock; }
    void setTimeBase(TimeBase base);
    TimeBase timeBase() const { return m_timeBase; }
    // The time axis now on the chart (minutes before the newest reading in either mode).
    QValueAxis* timeAxis() const;
    // The clock labels on the time axis, oldest first (empty without clock time).
    QStringList timeLabels() const;

    // The model's markers within the span at the last redraw: x in minutes before the newest
    // reading, and the label.
    struct DrawnMarker {
        double x = 0;
        QString label;
    };
    const std::vector<DrawnMarker>& drawnMarkers() const { return m_drawnMarkers; }

    // Whether series `id` has an entry of its own in a legend (a band edge has none).
    bool listedInLegend(int id) const;

    // Redraws now from the model (what each batch does).
    void refreshNow();
    // One look of the refresh timer: redraws when the model changed, but on a long span only
    // once the changes have had a pixel column's time to gather (a 30-minute chart about every
    // two seconds, a 1-minute chart at every reading); nothing while the view cannot be seen.
    void tick();
    // Redraws done so far.
    int refreshCount() const { return m_refreshes; }
    // Model readings read by redraws so far (the cost that must not grow with the history).
    std::size_t readingsRead() const { return m_readingsRead; }
    // Seconds of time in one pixel column of the last redraw.
    double columnSeconds() const { return m_columnSeconds; }

    int lineCount() const { return static_cast<int>(m_lines.size()); }
    // The drawn points of series `id` (x in minutes before the newest reading), one run per
    // stretch without a break; empty before its first redraw.
    std::vector<QList<QPointF>> runs(int id) const;
    // All drawn points of series `id`, runs one after the other.
    QList<QPointF> points(int id) const;
    // Whether series `id` is drawn: it exists, is shown and has points.
    bool lineDrawn(int id) const;
    QPen linePen(int id) const;
    // The series' name as a legend shows it (a relative level carries its value).
    QString legendText(int id) const;
    bool seriesShown(int id) const;
    void setSeriesShown(int id, bool shown);

    const ChartModel& model() const { return m_model; }

signals:
    void refreshed();

private:
    struct Line;
    class PlotLines;

    bool canBeSeen() const;
    void syncSeries();
    double plotPixels() const;
    void updateTitles();
    void fitLinePens();
    void relabelClock(double from, double end);
    void useTimeAxis(QValueAxis* axis);

    ChartModel& m_model;
    QChart* m_chart = nullptr;
    QValueAxis* m_axisX = nullptr;        // minutes before the newest reading
    QCategoryAxis* m_axisClock = nullptr; // the same, labelled in time of day
    QValueAxis* m_axisTime = nullptr;     // the one of the two on the chart
    QLineSeries* m_anchor = nullptr;
    bool m_clock = false;
    TimeBase m_timeBase = TimeBase::SinceMidnight;
    double m_clockStep = 0;  // s between the clock labels last set
    double m_clockFirst = 0; // model time of the first clock label last set
    std::optional<std::pair<double, double>> m_fixedRange;
    std::vector<DrawnMarker> m_drawnMarkers;
    QValueAxis* m_axisY = nullptr;
    QTimer* m_timer = nullptr;
    PlotLines* m_plot = nullptr; // owned by the chart
    std::vector<std::unique_ptr<Line>> m_lines;
    std::uint64_t m_drawnRevision = 0;
    double m_drawnSpan = 0;
    double m_span = kDefaultSpanSeconds;
    double m_columnSeconds = 0;
    int m_refreshes = 0;
    int m_ticksSinceRefresh = 0;
    std::size_t m_readingsRead = 0;
    std::size_t m_lineColours = 0; // line series coloured so far
    bool m_relative = false;
    std::optional<bool> m_thinLinePens; // line pens of width 0, where that draws the same
    QString m_relativeCaption;
};

} // namespace tlv::charts
