#pragma once
// The alarm panel of a program window: a dock listing the open alarms (newest first) and then
// the latest cleared ones, with Acknowledge for the selected rows and Acknowledge All. It shows
// the program core's alarm model and forwards the operator's acknowledgements to it; it never
// changes an alarm itself.
//
// Object names: the dock "dockAlarms", its table "grdAlarms" (columns "Time", "Level",
// "Source", "Alarm", "State"; each row's alarm id in Qt::UserRole of its first cell), the
// buttons "cmdAcknowledge", "cmdAcknowledgeAll" and "cmdAlarmHelp".

#include "common/alarms/AlarmModel.h"

#include <QDockWidget>

class QPushButton;
class QTableWidget;

namespace tlv {

class StatusLine;

class AlarmPanel : public QDockWidget {
    Q_OBJECT
public:
    // `model` must outlive the panel.
    explicit AlarmPanel(AlarmModel& model, QWidget* parent = nullptr);

    // How many rows of cleared alarms are listed below the open ones.
    static constexpr int kClearedRows = 100;

    // The window title: "Alarms", with the open and unacknowledged counts when there are any
    // ("Alarms: 2 open, 1 to acknowledge").
    static QString TitleFor(const AlarmModel& model);

public slots:
    // Acknowledges the alarms of the selected rows.
    void acknowledgeSelected();
    void acknowledgeAll();
    // Opens the alarm panel's help page.
    void showHelp();

private:
    void rebuild();
    void updateButtons();

    AlarmModel& m_model;
    QTableWidget* m_table = nullptr;
    QPushButton* m_acknowledge = nullptr;
    QPushButton* m_acknowledgeAll = nullptr;
};

// Adds the alarm panel to the bottom of a main window (shown) and returns it.
AlarmPanel* InstallAlarmPanel(QMainWindow* window, AlarmModel& model);

// The status line follows the alarms: a raised alarm (or a warning that became an alarm) shows
// its text; once that alarm has cleared, the line empties if it still shows it.
void ShowAlarmsOnStatusLine(StatusLine& line, const AlarmModel& model);

} // namespace tlv
