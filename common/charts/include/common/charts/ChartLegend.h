#pragma once
// The legend of one or more live charts: an entry per series, with a sample of its line (colour
// and dash) and its name, laid out in columns so every entry stays in sight however many lines
// there are (scrolling when even the columns do not fit). An entry is a check box: unticking it
// hides that series in every chart the legend serves, ticking shows it again. Charts that share
// a legend number their series alike (tlvmonitor's rate and thickness charts, sensor by sensor).

#include <QScrollArea>

#include <vector>

class QAbstractButton;
class QGridLayout;

namespace tlv::charts {

class LiveChartView;

class ChartLegend : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kDefaultRowsPerColumn = 12;

    explicit ChartLegend(QWidget* parent = nullptr);

    // Adds a chart served by this legend; the first one added names the entries.
    void attach(LiveChartView* view);
    // Entries per column before a new column begins.
    void setRowsPerColumn(int rows);

    int entryCount() const { return static_cast<int>(m_entries.size()); }
    // The check box of series `id` (null when there is none).
    QAbstractButton* entry(int id) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Entries were added or renamed (their space may have changed).
    void entriesChanged();

private:
    void sync();
    void relayout();
    void toggle(int id, bool shown);

    std::vector<LiveChartView*> m_views;
    std::vector<QAbstractButton*> m_entries;
    QWidget* m_body = nullptr;
    QGridLayout* m_grid = nullptr;
    int m_rows = kDefaultRowsPerColumn;
};

} // namespace tlv::charts
