#pragma once
// A fixed-size ring of chart points for one series: the newest points are kept, the oldest are
// overwritten once the ring is full. The storage is allocated once, at construction, so a chart
// that runs for hours never grows.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tlv::charts {

struct ChartPoint {
    double t = 0; // seconds on the chart's continuous clock
    double v = 0;
};

class SeriesRing {
public:
    // `capacity` points, at least one.
    explicit SeriesRing(std::size_t capacity);

    // Adds the newest point, dropping the oldest when full. Times must not decrease: a point
    // earlier than the newest is stored at the newest time, so the ring stays ordered.
    void push(ChartPoint point);
    void clear();

    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_points.size(); }
    bool empty() const { return m_size == 0; }
    // Point i counted from the oldest (0) to the newest (size() - 1).
    const ChartPoint& at(std::size_t i) const;
    const ChartPoint& newest() const { return at(m_size - 1); }

    // Index (from the oldest) of the first point at or after time t; size() when none.
    std::size_t firstAtOrAfter(double t) const;

    // Points pushed since construction, and clears since construction: a reader that noted
    // both knows which points are new (the last pushed() - noted ones) without reading the rest.
    std::uint64_t pushed() const { return m_pushed; }
    std::uint64_t generation() const { return m_generation; }

private:
    std::vector<ChartPoint> m_points;
    std::size_t m_oldest = 0; // slot of the oldest point
    std::size_t m_size = 0;
    std::uint64_t m_pushed = 0;
    std::uint64_t m_generation = 0;
};

} // namespace tlv::charts
