#include "frmMain.h"

#include "CoaterText.h"
#include "Fleet.h"
#include "FleetOptions.h"
#include "frmChart.h"

#include "common/FormUtil.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace fleet {

namespace {

const QColor kAlarmBackground(255, 110, 110);
const QColor kStaleText(140, 140, 140);

// Events shown in red: what turns a row red, and the instrument's errors.
bool IsAlarm(const FleetEvent& event)
{
    return event.kind == QLatin1String("trip") || event.kind == QLatin1String("alarm") ||
           event.kind == QLatin1String("class error") ||
           event.text.contains(QLatin1String("Crystal Failure"), Qt::CaseInsensitive);
}

} // namespace

frmMain::frmMain(Fleet& core, QWidget* parent) : QMainWindow(parent), m_core(core)
{
    setObjectName(QStringLiteral("frmMain"));
    BuildLayout();
    FleetModel& model = m_core.model();
    for (int row = 0; row < static_cast<int>(model.coaters().size()); ++row)
        AddRow(row);
    for (auto it = model.events().rbegin(); it != model.events().rend(); ++it)
        AddEvent(*it);
    connect(&model, &FleetModel::coaterAdded, this, &frmMain::AddRow);
    connect(&model, &FleetModel::coaterChanged, this, [this](int row) {
        m_dirty.insert(row);
        if (!m_refresh.isActive()) m_refresh.start();
    });
    connect(&model, &FleetModel::eventAdded, this, &frmMain::AddEvent);
    connect(&model, &FleetModel::attentionChanged, this, &frmMain::ShowTitle);
    connect(&model, &FleetModel::badCountsChanged, this, &frmMain::ShowIgnored);
    connect(&m_core, &Fleet::connectionChanged, this, &frmMain::ShowConnection);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &frmMain::RefreshNow);
    ShowConnection(m_core.connected(), m_core.subscriber().connectionText());
    ShowIgnored();
    ShowTitle();
    resize(1100, 600);
    RestoreFormPosition(this, true);
}

void frmMain::BuildLayout()
{
    m_grdCoaters = new QTableWidget(0, ColumnCount, this);
    m_grdCoaters->setObjectName(QStringLiteral("grdCoaters"));
    m_grdCoaters->setHorizontalHeaderLabels(ColumnHeads());
    m_grdCoaters->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grdCoaters->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grdCoaters->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grdCoaters->verticalHeader()->setVisible(false);
    m_grdCoaters->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_grdCoaters->horizontalHeader()->setStretchLastSection(true);
    connect(m_grdCoaters, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { ShowChart(row); });

    m_lstEvents = new QListWidget(this);
    m_lstEvents->setObjectName(QStringLiteral("lstEvents"));

    m_cmdChart = new QPushButton(QStringLiteral("&Chart"), this);
    m_cmdChart->setObjectName(QStringLiteral("cmdChart"));
    m_cmdChart->setToolTip(QStringLiteral("Rate, thickness and power of the selected coater."));
    m_cmdChart->setEnabled(false);
    connect(m_cmdChart, &QPushButton::clicked, this, &frmMain::cmdChart_Click);
    connect(m_grdCoaters, &QTableWidget::itemSelectionChanged, this,
            [this] { m_cmdChart->setEnabled(m_grdCoaters->currentRow() >= 0); });

    auto* lblEvents = new QLabel(QStringLiteral("Events (newest first)"), this);
    lblEvents->setBuddy(m_lstEvents);
    auto* events = new QWidget(this);
    auto* eventsLayout = new QVBoxLayout(events);
    eventsLayout->setContentsMargins(0, 0, 0, 0);
    eventsLayout->addWidget(lblEvents);
    eventsLayout->addWidget(m_lstEvents);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_grdCoaters);
    splitter->addWidget(events);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdChart);
    buttons->addStretch(1);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    m_lblConnection = new QLabel(this);
    m_lblConnection->setObjectName(QStringLiteral("lblConnection"));
    m_lblConnection->setAutoFillBackground(true);
    m_lblIgnored = new QLabel(this);
    m_lblIgnored->setObjectName(QStringLiteral("lblIgnored"));
    statusBar()->addPermanentWidget(m_lblIgnored);
    statusBar()->addPermanentWidget(m_lblConnection);
}

void frmMain::AddRow(int row)
{
    if (m_grdCoaters->rowCount() <= row) m_grdCoaters->setRowCount(row + 1);
    for (int column = 0; column < ColumnCount; ++column)
        if (!m_grdCoaters->item(row, column))
            m_grdCoaters->setItem(row, column, new QTableWidgetItem);
    ShowRow(row);
}

void frmMain::RefreshNow()
{
    m_refresh.stop();
    const QSet<int> rows = std::exchange(m_dirty, {});
    for (const int row : rows)
        ShowRow(row);
    // Messages the subscriber dropped under a flood come without a signal of their own.
    ShowIgnored();
}

void frmMain::ShowRow(int row)
{
    const auto& coaters = m_core.model().coaters();
    if (row < 0 || row >= static_cast<int>(coaters.size()) || row >= m_grdCoaters->rowCount())
        return;
    const Coater& coater = coaters[static_cast<std::size_t>(row)];
    const QStringList texts = RowTexts(coater);
    const bool alarm = coater.needsAttention();
    const bool grey = coater.stale || coater.presence == Coater::Presence::Offline;
    const QString tip = alarm ? coater.alarms().join(QLatin1Char('\n')) : QString();
    for (int column = 0; column < ColumnCount; ++column) {
        QTableWidgetItem* item = m_grdCoaters->item(row, column);
        item->setText(texts.value(column));
        item->setToolTip(tip.isEmpty() ? texts.value(column) : tip);
        item->setBackground(alarm ? QBrush(kAlarmBackground) : QBrush());
        item->setForeground(grey ? QBrush(kStaleText) : QBrush());
    }
}

void frmMain::AddEvent(const FleetEvent& event)
{
    QString text = QStringLiteral("%1  %2 %3  %4")
                       .arg(event.time.toLocalTime().toString(QStringLiteral("HH:mm:ss")),
                            event.coater, event.program, event.kind);
    if (!event.text.isEmpty()) text += QStringLiteral(": ") + event.text;
    auto* item = new QListWidgetItem(text);
    if (IsAlarm(event)) item->setForeground(QBrush(Qt::darkRed));
    m_lstEvents->insertItem(0, item);
    // The list keeps what the model keeps.
    const int limit = static_cast<int>(std::max<std::size_t>(1, m_core.model().events().size()));
    while (m_lstEvents->count() > limit)
        delete m_lstEvents->takeItem(m_lstEvents->count() - 1);
}

void frmMain::ShowConnection(bool connected, const QString& text)
{
    m_lblConnection->setText(connected ? text : text + QStringLiteral(" - disconnected"));
    m_lblConnection->setToolTip(m_core.subscriber().lastProblem());
    QPalette palette = m_lblConnection->palette();
    palette.setColor(QPalette::Window, connected ? QColor(170, 230, 170) : kAlarmBackground);
    m_lblConnection->setPalette(palette);
}

void frmMain::ShowIgnored()
{
    const BadCounts& bad = m_core.model().bad();
    m_lblIgnored->setText(QStringLiteral("Ignored: %1").arg(m_core.ignoredCount()));
    m_lblIgnored->setToolTip(
        QStringLiteral("Messages ignored: %1 unknown topics, %2 not JSON, %3 of the wrong form, "
                       "%4 too large, %5 dropped while the window was busy.")
            .arg(bad.unknownTopic)
            .arg(bad.notJson)
            .arg(bad.wrongType)
            .arg(bad.huge)
            .arg(m_core.subscriber().droppedMessages()));
}

void frmMain::ShowTitle()
{
    const int attention = m_core.model().attentionCount();
    QString title = QString::fromLatin1(kProductName);
    if (attention == 1)
        title += QStringLiteral(" - 1 coater needs attention");
    else if (attention > 1)
        title += QStringLiteral(" - %1 coaters need attention").arg(attention);
    setWindowTitle(title);
}

frmChart* frmMain::ShowChart(int row)
{
    const auto& coaters = m_core.model().coaters();
    if (row < 0 || row >= static_cast<int>(coaters.size())) return nullptr;
    const CoaterKey& key = coaters[static_cast<std::size_t>(row)].key;
    for (frmChart* open : findChildren<frmChart*>(QString(), Qt::FindDirectChildrenOnly))
        if (open->Key() == key) {
            open->showNormal();
            open->raise();
            return open;
        }
    auto* chart = new frmChart(m_core.model(), row, this);
    chart->show();
    return chart;
}

void frmMain::cmdChart_Click()
{
    ShowChart(m_grdCoaters->currentRow());
}

void frmMain::closeEvent(QCloseEvent* event)
{
    SaveFormPosition(this);
    event->accept();
}

} // namespace fleet
