#pragma once
// Reduces one series' history to what a line of a given pixel width can show: the lowest and the
// highest point of each pixel column, in time order, so a spike of a single reading stays
// visible at any zoom. Columns are fixed slices of the continuous clock (column k holds times in
// [k·w, (k+1)·w)), so a scrolling view never re-reduces the history it already reduced: each
// update folds in only the points appended since the last one and drops the columns that left
// the view. Reading the whole ring again happens only when the column width changes (another
// span or plot width) or the ring was cleared.
//
// A point whose value is not a number breaks the line: the columns before and after it are not
// joined (see ChartModel's gap marks).

#include "common/charts/SeriesRing.h"

#include <QList>
#include <QPointF>

#include <cstdint>
#include <deque>
#include <vector>

namespace tlv::charts {

class ColumnReducer {
public:
    // One pixel column's extremes (or part of one, when a break falls inside it).
    struct Column {
        std::int64_t index = 0;
        ChartPoint low;
        ChartPoint high;
        ChartPoint last; // the newest point, drawn too in the newest column so the line ends at it
        bool breakAfter = false; // the line does not continue into the next column
    };

    // Brings the columns up to date with `ring` for a view from time `from` on with columns
    // `columnSeconds` wide. Returns the number of ring points it had to read.
    std::size_t update(const SeriesRing& ring, double from, double columnSeconds);
    // Forgets everything: the next update reads the ring afresh.
    void reset();

    const std::deque<Column>& columns() const { return m_columns; }

    // The reduced line (and the newest point) as runs of points that are drawn joined, each point's
    // value multiplied by `scale` and its time mapped by `toX`. `runs` is filled from the front;
    // the number of runs used is returned (vectors beyond it are left empty).
    template <typename ToX>
    std::size_t runs(std::vector<QList<QPointF>>& runs, double scale, ToX toX) const;

private:
    static void fold(std::deque<Column>& columns, const ChartPoint& p, double width);
    std::size_t rebuild(const SeriesRing& ring, double from);
    std::size_t trimFront(const SeriesRing& ring, double from);

    std::deque<Column> m_columns;
    double m_width = 0;
    double m_from = 0;              // the earliest time the columns cover
    std::uint64_t m_seen = 0;       // ring pushes already folded in
    std::uint64_t m_generation = 0; // the ring's clear count when last read
    bool m_valid = false;
};

template <typename ToX>
std::size_t ColumnReducer::runs(std::vector<QList<QPointF>>& out, double scale, ToX toX) const
{
    std::size_t used = 0;
    const auto next = [&]() -> QList<QPointF>& {
        if (used == out.size()) out.emplace_back();
        QList<QPointF>& run = out[used++];
        run.clear();
        return run;
    };
    QList<QPointF>* run = nullptr;
    for (const Column& c : m_columns) {
        if (!run) run = &next();
        const ChartPoint& a = c.low.t <= c.high.t ? c.low : c.high;
        const ChartPoint& b = c.low.t <= c.high.t ? c.high : c.low;
        run->emplace_back(toX(a.t), a.v * scale);
        if (a.t != b.t || a.v != b.v) run->emplace_back(toX(b.t), b.v * scale);
        if (&c == &m_columns.back() && c.last.t > b.t)
            run->emplace_back(toX(c.last.t), c.last.v * scale);
        if (c.breakAfter) run = nullptr;
    }
    for (std::size_t i = used; i < out.size(); ++i)
        out[i].clear();
    return used;
}

} // namespace tlv::charts
