#include "common/charts/ChartModel.h"

#include <algorithm>
#include <cmath>

namespace tlv::charts {

namespace {
const SeriesRing& EmptyRing()
{
    static const SeriesRing empty(1);
    return empty;
}
const QString& EmptyName()
{
    static const QString empty;
    return empty;
}
} // namespace

double MidnightClock::continuous(double secondsSinceMidnight)
{
    if (m_last >= 0 && secondsSinceMidnight < m_last - 43200) m_days += 1;
    m_last = secondsSinceMidnight;
    return m_days * 86400 + secondsSinceMidnight;
}

std::size_t ChartModel::RingCapacity(double keepSeconds, double period)
{
    if (!(period > 0) || !(keepSeconds > 0)) return 1;
    return static_cast<std::size_t>(std::ceil(keepSeconds / period - 1e-9)) + 1;
}

ChartModel::ChartModel(QString title, QString unit, std::size_t capacity)
    : m_title(std::move(title)), m_unit(std::move(unit)),
      m_capacity(std::max<std::size_t>(capacity, 1))
{
}

int ChartModel::addSeries(const QString& name, Kind kind, int companion)
{
    Series series;
    series.name = name;
    series.kind = kind;
    series.companion = valid(companion) ? companion : -1;
    if (kind == Kind::Line) series.ring = std::make_unique<SeriesRing>(m_capacity);
    m_series.push_back(std::move(series));
    ++m_revision;
    return seriesCount() - 1;
}

const QString& ChartModel::name(int id) const
{
    return valid(id) ? m_series[static_cast<std::size_t>(id)].name : EmptyName();
}

void ChartModel::setName(int id, const QString& name)
{
    if (!valid(id) || m_series[static_cast<std::size_t>(id)].name == name) return;
    m_series[static_cast<std::size_t>(id)].name = name;
    ++m_revision;
}

int ChartModel::companion(int id) const
{
    return valid(id) ? m_series[static_cast<std::size_t>(id)].companion : -1;
}

ChartModel::Kind ChartModel::kind(int id) const
{
    return valid(id) ? m_series[static_cast<std::size_t>(id)].kind : Kind::Line;
}

void ChartModel::append(int id, double t, double value)
{
    if (!valid(id) || !std::isfinite(t)) return;
    Series& series = m_series[static_cast<std::size_t>(id)];
    if (!series.ring) return;
    series.ring->push({t, value});
    const double stored = series.ring->newest().t;
    if (std::isnan(m_newest) || stored > m_newest) m_newest = stored;
    ++m_revision;
}

void ChartModel::setLevel(int id, double value)
{
    if (!valid(id)) return;
    Series& series = m_series[static_cast<std::size_t>(id)];
    if (series.kind != Kind::Level) return;
    const bool same = (std::isnan(value) && std::isnan(series.level)) || value == series.level;
    if (same) return;
    series.level = value;
    ++m_revision;
}

double ChartModel::level(int id) const
{
    return valid(id) ? m_series[static_cast<std::size_t>(id)].level
                     : std::numeric_limits<double>::quiet_NaN();
}

const SeriesRing& ChartModel::ring(int id) const
{
    if (!valid(id) || !m_series[static_cast<std::size_t>(id)].ring) return EmptyRing();
    return *m_series[static_cast<std::size_t>(id)].ring;
}

void ChartModel::clear()
{
    for (Series& series : m_series)
        if (series.ring) series.ring->clear();
    m_newest = std::numeric_limits<double>::quiet_NaN();
    ++m_revision;
}

void ChartModel::visiblePoints(int id, double from, std::size_t maxPoints,
                               std::vector<QPointF>& out) const
{
    out.clear();
    const SeriesRing& r = ring(id);
    const std::size_t first = r.firstAtOrAfter(from);
    const std::size_t count = r.size() - first;
    if (count == 0) return;
    if (maxPoints < 2) maxPoints = 2;
    if (count <= maxPoints) {
        out.reserve(count);
        for (std::size_t i = first; i < r.size(); ++i)
            out.emplace_back(r.at(i).t, r.at(i).v);
        return;
    }
    // Each bucket gives its lowest and highest point, the earlier of the two first.
    const std::size_t buckets = maxPoints / 2;
    out.reserve(buckets * 2);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t begin = first + count * b / buckets;
        const std::size_t end = first + count * (b + 1) / buckets;
        std::size_t low = begin;
        std::size_t high = begin;
        for (std::size_t i = begin + 1; i < end; ++i) {
            if (r.at(i).v < r.at(low).v) low = i;
            if (r.at(i).v > r.at(high).v) high = i;
        }
        const std::size_t a = std::min(low, high);
        const std::size_t c = std::max(low, high);
        out.emplace_back(r.at(a).t, r.at(a).v);
        if (c != a) out.emplace_back(r.at(c).t, r.at(c).v);
    }
}

} // namespace tlv::charts
