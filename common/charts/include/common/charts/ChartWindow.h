#pragma once
// The live chart window of every program: charts of their own models stacked on one time axis,
// each with its legend beside it or one legend for all, a span box ("Show the last" 1 minute up
// to the history kept) and a "Clock time" box that labels the time axis with the time of day
// instead of minutes before the latest reading. A program makes the window, adds its charts in
// order and keeps the models; the window shows them. Its position is remembered when asked
// (section "Form Positions", the window's object name).

#include "common/charts/LiveChartView.h"

#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QSplitter;

namespace tlv::charts {

class ChartLegend;
class PlotAligner;

class ChartWindow : public QWidget {
    Q_OBJECT
public:
    enum class Legends {
        PerChart, // each chart its own legend beside it, all of one width
        Shared,   // one legend right of all charts, its entries hiding a series in each
    };
    struct Options {
        QString objectName = QStringLiteral("frmChart");
        QString title;
        Legends legends = Legends::PerChart;
        QString hint; // greyed text right of the span box (none: empty)
        std::vector<int> spanMinutes{1, 5, 10, 30};
        int defaultSpan = 1; // index into spanMinutes
        QSize size{760, 820};
        bool remembersPosition = true;
        LiveChartView::TimeBase timeBase = LiveChartView::TimeBase::SinceMidnight;
        // Shows the chart window's help page (charts.html) for the window given; a "Help"
        // button (and F1) appear when it is set.
        std::function<void(QWidget*)> showHelp;
    };

    explicit ChartWindow(const Options& options, QWidget* parent = nullptr);

    // Adds a chart of `model` (which must outlive the window) below the others.
    LiveChartView* addChart(ChartModel& model, const QString& objectName);

    const std::vector<LiveChartView*>& Views() const { return m_views; }
    // One legend per chart, or the one shared legend.
    const std::vector<ChartLegend*>& Legends() const { return m_legends; }
    QComboBox* SpanBox() const { return m_cboSpan; }
    QCheckBox* ClockBox() const { return m_chkClock; }

    // Shows the last `minutes` (one of the span box's choices).
    void SetSpanMinutes(int minutes);
    void SetClockTime(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Deletes the charts and their legends now: for a window that owns the models they draw,
    // from its destructor, before the models go.
    void DeleteCharts();

private:
    void SetSpan(int index);
    void FitLegends();

    Options m_options;
    QComboBox* m_cboSpan = nullptr;
    QCheckBox* m_chkClock = nullptr;
    QSplitter* m_splitter = nullptr;
    PlotAligner* m_aligner = nullptr;
    std::vector<LiveChartView*> m_views;
    std::vector<ChartLegend*> m_legends;
};

} // namespace tlv::charts
