#include "common/alarms/AlarmPanel.h"

#include "common/HelpBrowser.h"
#include "common/StatusLine.h"

#include <QBrush>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMainWindow>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tlv {

namespace {

enum Column { ColTime, ColLevel, ColSource, ColText, ColState, ColumnCount };

// Red asks for action, amber warns, grey has gone.
const QColor kAlarmBack(255, 170, 170);
const QColor kWarningBack(255, 224, 138);
const QColor kClearedText(128, 128, 128);

QString StateText(const Alarm& alarm)
{
    switch (alarm.state) {
    case AlarmState::Active:
        return QStringLiteral("Active");
    case AlarmState::Acknowledged:
        return QStringLiteral("Acknowledged");
    case AlarmState::Cleared:
        break;
    }
    return alarm.acknowledged.isNull() ? QStringLiteral("Cleared, not acknowledged")
                                       : QStringLiteral("Cleared");
}

QString Stamp(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString Details(const Alarm& alarm)
{
    QString tip = alarm.text + QStringLiteral("\nRaised ") + Stamp(alarm.raised);
    if (!alarm.acknowledged.isNull())
        tip += QStringLiteral("\nAcknowledged ") + Stamp(alarm.acknowledged);
    if (!alarm.cleared.isNull()) tip += QStringLiteral("\nCleared ") + Stamp(alarm.cleared);
    return tip;
}

void Paint(QTableWidgetItem* item, const Alarm& alarm)
{
    if (alarm.state == AlarmState::Cleared) {
        item->setForeground(kClearedText);
        return;
    }
    if (alarm.state == AlarmState::Active)
        item->setBackground(alarm.severity == AlarmSeverity::Alarm ? kAlarmBack : kWarningBack);
}

} // namespace

AlarmPanel::AlarmPanel(AlarmModel& model, QWidget* parent) : QDockWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("dockAlarms"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetClosable);

    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    m_table = new QTableWidget(0, ColumnCount, body);
    m_table->setObjectName(QStringLiteral("grdAlarms"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Level"),
                                        QStringLiteral("Source"), QStringLiteral("Alarm"),
                                        QStringLiteral("State")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(ColText, QHeaderView::Stretch);
    m_table->setWordWrap(false);
    layout->addWidget(m_table);

    auto* buttons = new QHBoxLayout;
    m_acknowledge = new QPushButton(QStringLiteral("&Acknowledge"), body);
    m_acknowledge->setObjectName(QStringLiteral("cmdAcknowledge"));
    m_acknowledgeAll = new QPushButton(QStringLiteral("Acknowledge A&ll"), body);
    m_acknowledgeAll->setObjectName(QStringLiteral("cmdAcknowledgeAll"));
    auto* help = new QPushButton(QStringLiteral("Help"), body);
    help->setObjectName(QStringLiteral("cmdAlarmHelp"));
    buttons->addWidget(m_acknowledge);
    buttons->addWidget(m_acknowledgeAll);
    buttons->addStretch(1);
    buttons->addWidget(help);
    layout->addLayout(buttons);
    setWidget(body);

    connect(m_acknowledge, &QPushButton::clicked, this, &AlarmPanel::acknowledgeSelected);
    connect(m_acknowledgeAll, &QPushButton::clicked, this, &AlarmPanel::acknowledgeAll);
    connect(help, &QPushButton::clicked, this, &AlarmPanel::showHelp);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &AlarmPanel::updateButtons);
    connect(&m_model, &AlarmModel::changed, this, &AlarmPanel::rebuild);
    rebuild();
}

QString AlarmPanel::TitleFor(const AlarmModel& model)
{
    const auto open = model.open().size();
    if (open == 0) return QStringLiteral("Alarms");
    const int waiting = model.unacknowledgedCount();
    QString title = QStringLiteral("Alarms: %1 open").arg(open);
    if (waiting > 0) title += QStringLiteral(", %1 to acknowledge").arg(waiting);
    return title;
}

void AlarmPanel::rebuild()
{
    // Keep the operator's selection across a redraw: rows move as alarms come and go.
    QSet<quint64> selected;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        selected.insert(m_table->item(index.row(), 0)->data(Qt::UserRole).toULongLong());

    QList<const Alarm*> rows;
    const std::deque<Alarm>& history = m_model.history();
    for (auto it = history.rbegin(); it != history.rend(); ++it)
        if (it->isOpen()) rows.append(&*it);
    int cleared = 0;
    for (auto it = history.rbegin(); it != history.rend() && cleared < kClearedRows; ++it)
        if (!it->isOpen()) {
            rows.append(&*it);
            ++cleared;
        }

    const QSignalBlocker block(m_table);
    m_table->clearSelection();
    m_table->setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        const Alarm& alarm = *rows[row];
        const QString texts[ColumnCount] = {alarm.raised.toString(QStringLiteral("HH:mm:ss")),
                                            alarm.severity == AlarmSeverity::Alarm
                                                ? QStringLiteral("Alarm")
                                                : QStringLiteral("Warning"),
                                            alarm.source.text, alarm.text, StateText(alarm)};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(Details(alarm));
            Paint(item, alarm);
            m_table->setItem(row, column, item);
        }
        m_table->item(row, 0)->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(alarm.id));
        if (selected.contains(alarm.id)) m_table->selectRow(row);
    }
    setWindowTitle(TitleFor(m_model));
    updateButtons();
}

void AlarmPanel::updateButtons()
{
    bool selectedWaiting = false;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) {
        const Alarm* alarm =
            m_model.find(m_table->item(index.row(), 0)->data(Qt::UserRole).toULongLong());
        if (alarm && alarm->acknowledged.isNull()) selectedWaiting = true;
    }
    m_acknowledge->setEnabled(selectedWaiting);
    bool anyWaiting = false;
    for (const Alarm& alarm : m_model.history())
        if (alarm.acknowledged.isNull()) anyWaiting = true;
    m_acknowledgeAll->setEnabled(anyWaiting);
}

void AlarmPanel::acknowledgeSelected()
{
    QList<quint64> ids;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        ids.append(m_table->item(index.row(), 0)->data(Qt::UserRole).toULongLong());
    for (quint64 id : ids)
        m_model.acknowledge(id);
}

void AlarmPanel::acknowledgeAll()
{
    m_model.acknowledgeAll();
}

void AlarmPanel::showHelp()
{
    ShowHelpFile(this, QStringLiteral("alarms.html"), QStringLiteral("TLV-880 Alarms Help"));
}

AlarmPanel* InstallAlarmPanel(QMainWindow* window, AlarmModel& model)
{
    auto* panel = new AlarmPanel(model, window);
    window->addDockWidget(Qt::BottomDockWidgetArea, panel);
    return panel;
}

void ShowAlarmsOnStatusLine(StatusLine& line, const AlarmModel& model)
{
    QObject::connect(&model, &AlarmModel::changed, &line,
                     [&line](const Alarm& alarm, AlarmChange change) {
                         const QString cause = QStringLiteral("alarm %1").arg(alarm.id);
                         if (change == AlarmChange::Raised)
                             line.showMessage(alarm.text, alarm.changed.time(), cause);
                         else if (change == AlarmChange::Cleared)
                             line.clearCause(cause);
                     });
}

} // namespace tlv
