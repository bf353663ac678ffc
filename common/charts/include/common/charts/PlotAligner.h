#pragma once
// Lines up the time axes of charts stacked one above the other: each chart's left margin is
// widened by what its value-axis labels are narrower than the widest one's, so every plot area
// starts at the same x and a moment in time sits at the same place in every chart. (The charts
// share a width and their right margins, so the right edges agree as well.)

#include <QObject>

#include <vector>

namespace tlv::charts {

class LiveChartView;

class PlotAligner : public QObject {
    Q_OBJECT
public:
    explicit PlotAligner(QObject* parent = nullptr);

    void add(LiveChartView* view);
    // Aligns now (it also happens after any plot area moved).
    void align();

private:
    void schedule();

    struct Entry {
        LiveChartView* view = nullptr;
        qreal extra = 0; // left margin added to this chart
    };
    std::vector<Entry> m_entries;
    bool m_scheduled = false;
};

} // namespace tlv::charts
