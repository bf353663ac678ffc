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
    if (kind != Kind::Level) series.ring = std::make_unique<SeriesRing>(m_capacity);
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
    SeriesRing& ring = *series.ring;
    if (m_gap > 0 && !ring.empty() && t - ring.newest().t > m_gap && !std::isnan(ring.newest().v))
        ring.push({ring.newest().t, std::numeric_limits<double>::quiet_NaN()});
    ring.push({t, value});
    const double stored = series.ring->newest().t;
    if (std::isnan(m_newest) || stored > m_newest) m_newest = stored;
    ++m_revision;
}

void ChartModel::appendShare(int id, double t, double value, double reference)
{
    const bool known = std::isfinite(reference) && reference > 0 && std::isfinite(value);
    append(id, t, known ? value / reference * 100.0 : std::numeric_limits<double>::quiet_NaN());
}

void ChartModel::addMarker(double t, const QString& label)
{
    if (!std::isfinite(t)) return;
    if (!m_markers.empty()) t = std::max(t, m_markers.back().t);
    m_markers.push_back({t, label});
    while (m_markers.size() > kMaxMarkers)
        m_markers.pop_front();
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
    m_markers.clear();
    m_newest = std::numeric_limits<double>::quiet_NaN();
    ++m_revision;
}

} // namespace tlv::charts
