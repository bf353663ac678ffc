#include "common/charts/ColumnReducer.h"

#include <cmath>

namespace tlv::charts {

void ColumnReducer::reset()
{
    m_columns.clear();
    m_valid = false;
}

// Adds one point to the newest column, or opens a new column when it falls in a later one or
// the line was broken. Of equal values the earliest stays the extreme.
void ColumnReducer::fold(std::deque<Column>& columns, const ChartPoint& p, double width)
{
    if (!std::isfinite(p.v)) {
        if (!columns.empty()) columns.back().breakAfter = true;
        return;
    }
    const auto index = static_cast<std::int64_t>(std::floor(p.t / width));
    if (!columns.empty() && columns.back().index == index && !columns.back().breakAfter) {
        Column& c = columns.back();
        if (p.v < c.low.v) c.low = p;
        if (p.v > c.high.v) c.high = p;
        c.last = p;
        return;
    }
    columns.push_back({index, p, p, p, false});
}

std::size_t ColumnReducer::rebuild(const SeriesRing& ring, double from)
{
    m_columns.clear();
    const std::size_t first = ring.firstAtOrAfter(from);
    for (std::size_t i = first; i < ring.size(); ++i)
        fold(m_columns, ring.at(i), m_width);
    m_from = from;
    return ring.size() - first;
}

// The first column may still hold points from before `from`: it is reduced again from the
// ring, from `from` to its end (at most one column's worth of points).
std::size_t ColumnReducer::trimFront(const SeriesRing& ring, double from)
{
    if (m_columns.empty()) return 0;
    const std::int64_t index = m_columns.front().index;
    const Column& front = m_columns.front();
    if (std::min(front.low.t, front.high.t) >= from) return 0;
    while (!m_columns.empty() && m_columns.front().index == index)
        m_columns.pop_front();
    std::deque<Column> head;
    const double end = static_cast<double>(index + 1) * m_width;
    std::size_t read = 0;
    for (std::size_t i = ring.firstAtOrAfter(from); i < ring.size() && ring.at(i).t < end; ++i) {
        fold(head, ring.at(i), m_width);
        ++read;
    }
    m_columns.insert(m_columns.begin(), head.begin(), head.end());
    return read;
}

std::size_t ColumnReducer::update(const SeriesRing& ring, double from, double columnSeconds)
{
    if (!(columnSeconds > 0)) columnSeconds = 1;
    const std::uint64_t fresh = ring.pushed() - m_seen;
    const bool stale = !m_valid || columnSeconds != m_width || ring.generation() != m_generation ||
                       fresh > ring.size() || from < m_from;
    m_width = columnSeconds;
    m_generation = ring.generation();
    m_seen = ring.pushed();
    m_valid = true;
    if (stale) return rebuild(ring, from);

    std::size_t read = 0;
    for (std::size_t i = ring.size() - static_cast<std::size_t>(fresh); i < ring.size(); ++i) {
        if (ring.at(i).t >= from) fold(m_columns, ring.at(i), m_width);
        ++read;
    }
    const auto firstIndex = static_cast<std::int64_t>(std::floor(from / m_width));
    while (!m_columns.empty() && m_columns.front().index < firstIndex)
        m_columns.pop_front();
    m_from = from;
    return read + trimFront(ring, from);
}

} // namespace tlv::charts
