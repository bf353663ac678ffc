#include "common/charts/SeriesRing.h"

#include <algorithm>
#include <cassert>

namespace tlv::charts {

SeriesRing::SeriesRing(std::size_t capacity) : m_points(std::max<std::size_t>(capacity, 1)) {}

void SeriesRing::push(ChartPoint point)
{
    if (m_size > 0 && point.t < newest().t) point.t = newest().t;
    if (m_size < m_points.size()) {
        m_points[(m_oldest + m_size) % m_points.size()] = point;
        ++m_size;
    } else {
        m_points[m_oldest] = point;
        m_oldest = (m_oldest + 1) % m_points.size();
    }
    ++m_pushed;
}

void SeriesRing::clear()
{
    m_oldest = 0;
    m_size = 0;
    ++m_generation;
}

const ChartPoint& SeriesRing::at(std::size_t i) const
{
    assert(i < m_size && "SeriesRing::at past the newest point");
    return m_points[(m_oldest + i) % m_points.size()];
}

std::size_t SeriesRing::firstAtOrAfter(double t) const
{
    std::size_t low = 0;
    std::size_t high = m_size;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (at(mid).t < t)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

} // namespace tlv::charts
