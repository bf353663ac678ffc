#include "common/charts/ChartLegend.h"

#include "common/charts/LiveChartView.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

namespace tlv::charts {

namespace {
// A short stretch of the line as it is drawn, dash included.
QIcon LineSample(const QPen& linePen)
{
    QPixmap pixmap(28, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen = linePen;
    pen.setWidthF(2.0);
    painter.setPen(pen);
    painter.drawLine(QPointF(1, 6), QPointF(27, 6));
    return QIcon(pixmap);
}
} // namespace

ChartLegend::ChartLegend(QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("chartLegend"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    m_body = new QWidget;
    m_grid = new QGridLayout(m_body);
    m_grid->setContentsMargins(2, 2, 2, 2);
    m_grid->setHorizontalSpacing(8);
    m_grid->setVerticalSpacing(1);
    setWidget(m_body);
}

void ChartLegend::attach(LiveChartView* view)
{
    if (!view) return;
    m_views.push_back(view);
    connect(view, &LiveChartView::refreshed, this, &ChartLegend::sync);
    connect(view, &QObject::destroyed, this, [this, view] { std::erase(m_views, view); });
    sync();
}

void ChartLegend::setRowsPerColumn(int rows)
{
    if (rows < 1 || rows == m_rows) return;
    m_rows = rows;
    relayout();
}

QAbstractButton* ChartLegend::entry(int id) const
{
    if (id < 0 || id >= entryCount()) return nullptr;
    return m_entries[static_cast<std::size_t>(id)];
}

// Follows the first chart's series: new series get an entry, renamed ones a new text, and each
// entry's tick the series' shown state (which a program may also set).
void ChartLegend::sync()
{
    if (m_views.empty()) return;
    const LiveChartView& lead = *m_views.front();
    bool changed = false;
    for (int id = entryCount(); id < lead.lineCount(); ++id) {
        auto* box = new QCheckBox(m_body);
        box->setObjectName(QStringLiteral("chkLegend%1").arg(id));
        box->setChecked(lead.seriesShown(id));
        box->setIcon(LineSample(lead.linePen(id)));
        box->setToolTip(QStringLiteral("Untick to hide this line, tick to show it again."));
        connect(box, &QCheckBox::toggled, this, [this, id](bool on) { toggle(id, on); });
        m_entries.push_back(box);
        changed = true;
    }
    for (int id = 0; id < entryCount(); ++id) {
        QAbstractButton* box = m_entries[static_cast<std::size_t>(id)];
        const QString text = lead.legendText(id);
        if (box->text() != text) {
            box->setText(text);
            changed = true;
        }
        if (box->isChecked() != lead.seriesShown(id)) {
            const QSignalBlocker block(box);
            box->setChecked(lead.seriesShown(id));
        }
    }
    if (changed) {
        relayout();
        emit entriesChanged();
    }
}

void ChartLegend::relayout()
{
    for (int id = 0; id < entryCount(); ++id)
        m_grid->removeWidget(m_entries[static_cast<std::size_t>(id)]);
    // A band edge keeps its (hidden) entry, so entries stay numbered as the series are; it is
    // shown and hidden with its setpoint.
    const LiveChartView* lead = m_views.empty() ? nullptr : m_views.front();
    int place = 0;
    for (int id = 0; id < entryCount(); ++id) {
        QAbstractButton* box = m_entries[static_cast<std::size_t>(id)];
        if (lead && !lead->listedInLegend(id)) {
            box->hide();
            continue;
        }
        m_grid->addWidget(box, place % m_rows, place / m_rows);
        ++place;
        box->show(); // at once, also when the legend is already on screen
    }
    m_grid->setRowStretch(m_rows, 1);
    m_body->adjustSize();
    updateGeometry();
}

void ChartLegend::toggle(int id, bool shown)
{
    for (LiveChartView* view : m_views)
        view->setSeriesShown(id, shown);
}

// Wide enough for every column without a horizontal scroll bar; the height follows the chart.
QSize ChartLegend::sizeHint() const
{
    const QSize body = m_body->sizeHint();
    const int bar = verticalScrollBar()->sizeHint().width();
    return {body.width() + bar + 2 * frameWidth(), std::min(body.height(), 240)};
}

QSize ChartLegend::minimumSizeHint() const
{
    return {sizeHint().width(), 40};
}

} // namespace tlv::charts
