#pragma once
// The three charts of the Tune window: fixed data (a record or a prediction), a line per named
// series against seconds, redrawn in one go when a new result is shown. A series can belong to
// the right-hand value axis (the power beside a rate).

#include <QChartView>
#include <QPen>

#include <vector>

class QValueAxis;

namespace coflux {

class TuneChart : public QChartView {
    Q_OBJECT
public:
    // A chart whose left axis is titled `leftTitle`, the right one `rightTitle` (none if empty).
    TuneChart(const QString& objectName, const QString& title, const QString& leftTitle,
              const QString& rightTitle = QString(), QWidget* parent = nullptr);

    void clear();
    // Adds a line; `right` puts it on the right-hand axis. Points beyond the first time-ordered
    // run are drawn as given.
    void addLine(const QString& name, const std::vector<double>& x, const std::vector<double>& y,
                 const QPen& pen, bool right = false);
    // Fits the axes to the lines (from 0, with a little room above).
    void fit();

    // The points of the line called `name` (empty when there is none), for tests and checks.
    QList<QPointF> points(const QString& name) const;
    QStringList lineNames() const;

private:
    QValueAxis* m_x = nullptr;
    QValueAxis* m_left = nullptr;
    QValueAxis* m_right = nullptr;
};

} // namespace coflux
