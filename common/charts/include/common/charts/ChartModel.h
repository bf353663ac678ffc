#pragma once
// The data of one live chart: named series of (time, value) points, each in a fixed-size ring
// holding the last 30 minutes at the shortest measurement period, and level series (a setpoint
// drawn as a horizontal line). Plain data without Qt objects: the reading path appends here at
// the cost of a few stores; the view (LiveChartView) redraws from it at its own pace.
//
// Time is seconds on a continuous clock. Readings carry seconds since midnight; MidnightClock
// turns those into a clock that keeps counting across midnight.

#include "common/charts/SeriesRing.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <vector>

namespace tlv::charts {

// Seconds since midnight to continuous seconds: each time the reading time falls back by more
// than half a day a day is added.
class MidnightClock {
public:
    double continuous(double secondsSinceMidnight);

private:
    double m_last = -1;
    double m_days = 0;
};

class ChartModel {
public:
    static constexpr double kKeepSeconds = 30 * 60; // history kept per series
    static constexpr double kShortestPeriod = 0.1;  // shortest measurement period, s
    // Points a ring needs to hold `keepSeconds` at one point per `period`.
    static std::size_t RingCapacity(double keepSeconds = kKeepSeconds,
                                    double period = kShortestPeriod);

    // Line: a reading with its history. Level: one value drawn across the whole view (a
    // setpoint without history). Setpoint: a setpoint with its history, drawn dashed in its
    // companion reading's colour. Band: one edge of a tolerance band around a setpoint (its
    // companion), drawn dotted in the same colour; it has no legend entry of its own and is
    // shown and hidden with its setpoint.
    enum class Kind { Line, Level, Setpoint, Band };

    // A moment marked on the time axis (a recipe layer beginning), drawn as a vertical line
    // with its label.
    struct Marker {
        double t = 0;
        QString label;
    };
    static constexpr std::size_t kMaxMarkers = 256; // the oldest are dropped beyond this

    // `title` names the chart ("Rate"), `unit` its values ("Å/s").
    ChartModel(QString title, QString unit, std::size_t capacity = RingCapacity());

    const QString& title() const { return m_title; }
    const QString& unit() const { return m_unit; }
    std::size_t capacity() const { return m_capacity; }

    // Adds a series and returns its id (0, 1, ... in order of adding). A level series holds one
    // value, drawn across the whole view, and no history; `companion` names the line series it
    // belongs to (a setpoint and its reading), which the view draws in the same colour.
    int addSeries(const QString& name, Kind kind = Kind::Line, int companion = -1);
    int companion(int id) const;
    int seriesCount() const { return static_cast<int>(m_series.size()); }
    const QString& name(int id) const;
    void setName(int id, const QString& name);
    Kind kind(int id) const;

    // Appends a point to a line series (invalid ids are ignored). When the point comes more
    // than the gap time after the series' previous one, a break is stored first (a point whose
    // value is NaN at the previous point's time), so the line is not drawn across the gap.
    void append(int id, double t, double value);
    // The longest time between two points that are still joined; 0 (the default) joins all.
    void setGapSeconds(double seconds) { m_gap = seconds > 0 ? seconds : 0; }
    double gapSeconds() const { return m_gap; }
    // Appends `value` as a percentage of `reference` (the setpoint in force when the reading
    // was taken), so the point keeps its percentage whatever the setpoint becomes later. A
    // reference that is not positive (no setpoint) stores a break.
    void appendShare(int id, double t, double value, double reference);
    // The line series hold shares (appendShare) of their level, which holds the setpoint in
    // force now: a view relative to levels draws the lines as they are, the levels at 100 %.
    void setStoresShares(bool shares) { m_shares = shares; }
    bool storesShares() const { return m_shares; }
    // Sets a level series' value; NaN hides the level.
    void setLevel(int id, double value);
    double level(int id) const;
    const SeriesRing& ring(int id) const;

    // Marks a moment; markers are kept in time order (one earlier than the last is stored at
    // the last's time) and cleared with the history.
    void addMarker(double t, const QString& label);
    const std::deque<Marker>& markers() const { return m_markers; }

    // The newest time of all series; NaN when nothing was appended yet.
    double newestTime() const { return m_newest; }
    // Counts every change; a view redraws when it differs from the one it drew.
    std::uint64_t revision() const { return m_revision; }
    void clear();

private:
    struct Series {
        QString name;
        Kind kind = Kind::Line;
        std::unique_ptr<SeriesRing> ring; // Line only
        double level = std::numeric_limits<double>::quiet_NaN();
        int companion = -1;
    };
    bool valid(int id) const { return id >= 0 && id < seriesCount(); }

    QString m_title;
    QString m_unit;
    std::size_t m_capacity;
    std::vector<Series> m_series;
    std::deque<Marker> m_markers;
    double m_newest = std::numeric_limits<double>::quiet_NaN();
    std::uint64_t m_revision = 0;
    double m_gap = 0;
    bool m_shares = false;
};

} // namespace tlv::charts
