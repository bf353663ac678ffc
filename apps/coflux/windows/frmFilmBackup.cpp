#include "frmFilmBackup.h"

#include "EntryChecks.h"
#include "frmFilmControls.h"

#include "common/EntryGuard.h"
#include "common/FormUtil.h"
#include "common/NumberFormat.h"

#include "instrument/cTLV880a.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>

namespace coflux {

namespace {

const QString kToolingFormat = QStringLiteral("#0.00");

} // namespace

FilmBackupRow::FilmBackupRow(QWidget* form, QHBoxLayout* row, tlv::EntryGuard& guard)
    : QObject(form)
{
    m_cboBackup = Named(new QComboBox(form), QStringLiteral("cboBackup"));
    m_cboBackup->setToolTip(QStringLiteral("Sensor that takes over this film's loop when all "
                                           "its sensors have failed."));
    m_cboBackup->addItem(QStringLiteral("None"), -1);
    for (int s = 0; s < kConfiguredSensors; ++s)
        m_cboBackup->addItem(QString::number(s + 1), s);
    m_txtBackupTooling =
        MakeEdit(form, QStringLiteral("txtBackupTooling"), QStringLiteral("0.00"),
                 QStringLiteral("Tooling of the backup sensor for this film in %; 0 keeps the "
                                "sensor's own."));
    row->addWidget(tlv::MakeLabel(form, QStringLiteral("lblBackup"), QStringLiteral("Backup")));
    row->addWidget(m_cboBackup);
    row->addWidget(tlv::MakeLabel(form, {}, QStringLiteral("Tooling")));
    row->addWidget(m_txtBackupTooling);
    row->addStretch(1);
    guard.AddEntry(m_txtBackupTooling,
                   RangeCheck(cTLV880a::ToolingMin(), cTLV880a::ToolingMax(), kToolingFormat,
                              QStringLiteral("Tooling must be between ")));
    guard.Watch(m_cboBackup);
}

void FilmBackupRow::Fill(const OutputRecord& record, int shownSensors)
{
    // Sensors the cards do not have cannot be chosen.
    while (m_cboBackup->count() > shownSensors + 1)
        m_cboBackup->removeItem(m_cboBackup->count() - 1);
    for (int s = m_cboBackup->count() - 1; s < shownSensors && s < kConfiguredSensors; ++s)
        m_cboBackup->addItem(QString::number(s + 1), s);
    const int index = m_cboBackup->findData(static_cast<int>(record.Backup));
    m_cboBackup->setCurrentIndex(index < 0 ? 0 : index);
    m_txtBackupTooling->setText(tlv::Format(record.BackupTooling, kToolingFormat));
}

int FilmBackupRow::SelectedBackup() const
{
    return m_cboBackup->currentData().toInt();
}

bool FilmBackupRow::Changed(const OutputRecord& record) const
{
    return SelectedBackup() != record.Backup ||
           !SameNumber(m_txtBackupTooling->text(), record.BackupTooling, kToolingFormat);
}

void FilmBackupRow::Apply(OutputEdit& edit) const
{
    edit.backup = static_cast<short>(SelectedBackup());
    edit.backupTooling = ParseEntry(m_txtBackupTooling->text()).value_or(0.0);
}

} // namespace coflux
