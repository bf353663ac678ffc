#include "TuneCharts.h"

#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace coflux {

namespace {

// The axis range of the lines on it: from the smaller of 0 and their lowest value to their
// highest with a tenth of room above; 0..1 when empty.
void FitAxis(QValueAxis* axis, const QList<QAbstractSeries*>& series, bool horizontal)
{
    double low = 0, high = 0;
    bool any = false;
    for (QAbstractSeries* s : series) {
        auto* line = qobject_cast<QLineSeries*>(s);
        if (!line || !line->attachedAxes().contains(axis)) continue;
        for (const QPointF& p : line->points()) {
            const double v = horizontal ? p.x() : p.y();
            if (!std::isfinite(v)) continue;
            low = std::min(low, v);
            high = any ? std::max(high, v) : v;
            any = true;
        }
    }
    if (!any || high <= low) high = low + 1;
    axis->setRange(low, horizontal ? high : high + (high - low) / 10);
}

} // namespace

TuneChart::TuneChart(const QString& objectName, const QString& title, const QString& leftTitle,
                     const QString& rightTitle, QWidget* parent)
    : QChartView(parent)
{
    setObjectName(objectName);
    auto* c = new QChart;
    c->setTitle(title);
    c->legend()->setAlignment(Qt::AlignBottom);
    c->setMargins(QMargins(4, 4, 4, 4));
    m_x = new QValueAxis(c);
    m_x->setTitleText(QStringLiteral("s"));
    m_x->setLabelFormat(QStringLiteral("%.0f"));
    c->addAxis(m_x, Qt::AlignBottom);
    m_left = new QValueAxis(c);
    m_left->setTitleText(leftTitle);
    c->addAxis(m_left, Qt::AlignLeft);
    if (!rightTitle.isEmpty()) {
        m_right = new QValueAxis(c);
        m_right->setTitleText(rightTitle);
        c->addAxis(m_right, Qt::AlignRight);
    }
    setChart(c);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(360, 220);
}

void TuneChart::clear()
{
    chart()->removeAllSeries();
    fit();
}

void TuneChart::addLine(const QString& name, const std::vector<double>& x,
                        const std::vector<double>& y, const QPen& pen, bool right)
{
    auto* line = new QLineSeries;
    line->setName(name);
    line->setPen(pen);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(std::min(x.size(), y.size())));
    for (size_t k = 0; k < x.size() && k < y.size(); ++k)
        points.append(QPointF(x[k], y[k]));
    line->replace(points);
    chart()->addSeries(line);
    line->attachAxis(m_x);
    line->attachAxis(right && m_right ? m_right : m_left);
}

void TuneChart::fit()
{
    const QList<QAbstractSeries*> series = chart()->series();
    FitAxis(m_x, series, true);
    FitAxis(m_left, series, false);
    if (m_right) FitAxis(m_right, series, false);
}

QList<QPointF> TuneChart::points(const QString& name) const
{
    for (QAbstractSeries* s : chart()->series())
        if (s->name() == name)
            if (const auto* line = qobject_cast<const QLineSeries*>(s)) return line->points();
    return {};
}

QStringList TuneChart::lineNames() const
{
    QStringList names;
    for (QAbstractSeries* s : chart()->series())
        names << s->name();
    return names;
}

} // namespace coflux
