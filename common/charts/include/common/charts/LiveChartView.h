#pragma once
// A live chart of one ChartModel: a line per series against time, the view scrolling with
// the newest reading over a chosen span (the model keeps 30 minutes). A click on a legend entry
// hides or shows its series. Redrawing is batched: the view looks at the model at most ten times
// a second and redraws only when the model changed, however often readings arrive, so the
// reading path only ever pays for appending to the model.
//
// The model is owned by the caller and must outlive the view.

#include "common/charts/ChartModel.h"

#include <QChartView>
#include <QPointer>

#include <vector>

class QTimer;
class QLineSeries;
class QLegendMarker;
class QValueAxis;

namespace tlv::charts {

class LiveChartView : public QChartView {
    Q_OBJECT
public:
    static constexpr int kRefreshIntervalMs = 100; // at most 10 redraws a second
    static constexpr double kDefaultSpanSeconds = 5 * 60;
    // Points handed to one line at most; more are reduced to lows and highs per bucket.
    static constexpr std::size_t kMaxPointsPerLine = 1200;

    explicit LiveChartView(ChartModel& model, QWidget* parent = nullptr);

    // Seconds of history shown, up to the 30 minutes kept.
    void setSpanSeconds(double seconds);
    double spanSeconds() const { return m_span; }

    // Redraws now from the model (what each batch does).
    void refreshNow();
    // Redraws done so far.
    int refreshCount() const { return m_refreshes; }

    // The drawn line of series `id` (null before its first redraw).
    QLineSeries* line(int id) const;
    QLegendMarker* legendMarker(int id) const;
    bool seriesShown(int id) const;
    void setSeriesShown(int id, bool shown);

    const ChartModel& model() const { return m_model; }

signals:
    void refreshed();

private:
    void poll();
    void syncSeries();
    void toggleFromLegend(QLegendMarker* marker);
    void styleMarker(int id);

    struct Line {
        QLineSeries* series = nullptr;
        bool shown = true;
    };

    ChartModel& m_model;
    QChart* m_chart = nullptr;
    QValueAxis* m_axisX = nullptr; // minutes before the newest reading
    QValueAxis* m_axisY = nullptr;
    QTimer* m_timer = nullptr;
    std::vector<Line> m_lines;
    std::vector<QPointF> m_scratch;
    std::uint64_t m_drawnRevision = 0;
    double m_drawnSpan = 0;
    double m_span = kDefaultSpanSeconds;
    int m_refreshes = 0;
    std::size_t m_lineColours = 0; // line series coloured so far
};

} // namespace tlv::charts
