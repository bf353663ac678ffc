#pragma once
// The backup row of the output editor: the sensor that takes over the output's loop when every
// sensor of the output has failed ("None" or 1..8), and the tooling it measures the output's
// film with (0: the sensor's own). The editor owns the row and applies it with the rest.

#include "ProcessEdits.h"
#include "ProcessTables.h"

#include <QObject>
#include <QString>

class QComboBox;
class QHBoxLayout;
class QLineEdit;
class QWidget;

namespace tlv {
class EntryGuard;
}

namespace coflux {

class FilmBackupRow : public QObject {
    Q_OBJECT
public:
    // Builds cboBackup and txtBackupTooling into `row` of `form`; the entry guard checks the
    // tooling like the other boxes.
    FilmBackupRow(QWidget* form, QHBoxLayout* row, tlv::EntryGuard& guard);

    void Fill(const OutputRecord& record, int shownSensors);
    bool Changed(const OutputRecord& record) const;
    // The backup and its tooling into the output editor's command (which checks the backup).
    void Apply(OutputEdit& edit) const;

private:
    int SelectedBackup() const; // sensor slot, -1 none

    QComboBox* m_cboBackup = nullptr;
    QLineEdit* m_txtBackupTooling = nullptr;
};

} // namespace coflux
