#pragma once
// tlvfleet's main window: a row per coater seen on the broker (grdCoaters; stale rows greyed,
// rows that need attention red), the events newest first (lstEvents), a chart of the selected
// coater on demand (cmdChart, or a double click on its row), and in the status bar the
// connection (lblConnection, red while disconnected) and the messages ignored (lblIgnored). The
// title says how many coaters need attention. The window only shows what the fleet core reports.

#include <QMainWindow>
#include <QSet>
#include <QTimer>

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace fleet {

class Fleet;
struct FleetEvent;
class frmChart;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 200; // rows are redrawn at most five times a second

    // `core` is not owned and must outlive the window.
    explicit frmMain(Fleet& core, QWidget* parent = nullptr);

    // Opens (or raises) the chart of the coater in `row`; null for a row that does not exist.
    frmChart* ShowChart(int row);
    // Redraws the rows that changed now (what the refresh timer does).
    void RefreshNow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    void AddRow(int row);
    void ShowRow(int row);
    void AddEvent(const FleetEvent& event);
    void ShowConnection(bool connected, const QString& text);
    void ShowIgnored();
    void ShowTitle();
    void cmdChart_Click();

    Fleet& m_core;
    QTableWidget* m_grdCoaters = nullptr;
    QListWidget* m_lstEvents = nullptr;
    QPushButton* m_cmdChart = nullptr;
    QLabel* m_lblConnection = nullptr;
    QLabel* m_lblIgnored = nullptr;
    QSet<int> m_dirty;
    QTimer m_refresh;
};

} // namespace fleet
