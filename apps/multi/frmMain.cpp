// Start-up, card detection, the settings file and closing of the main window.

#include "frmMain.h"

#include "FormHelpers.h"
#include "frmSensorMap.h"

#include "common/DialogService.h"
#include "common/NumberFormat.h"
#include "common/ProgramInfo.h"
#include "common/SetupFile.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace multi {

frmMain::frmMain(QWidget* parent) : frmMain(std::make_unique<cTLV880a>(), parent) {}

frmMain::frmMain(std::unique_ptr<cTLV880a> instrument, QWidget* parent)
    : QMainWindow(parent), m_tlv(std::move(instrument))
{
    BuildControls();
    m_statusLine = tlv::InstallStatusLine(this);
    ConnectControls();
    FormLoad();
}

frmMain::~frmMain()
{
    if (m_sensorMap) delete m_sensorMap.data();
}

void frmMain::FormLoad()
{
    // Events raised while the instrument was being built reached no handler; from here on the
    // window hears them.
    connect(m_tlv.get(), &cTLV880a::TLVReading, this, &frmMain::TLV880_TLVReading);
    connect(m_tlv.get(), &cTLV880a::TLVError, this, &frmMain::TLV880_TLVError);
    if (const short result = m_tlv->Revision(0); result != 0)
        m_statusLine->showError(result, cTLV880a::StartupMessage(result));

    IniRead(QString::fromLatin1(kIniFileName));

    for (OutputRow& row : m_setup.outputs) {
        row.pidChosen = optPower[0]->isChecked();
        row.manualChosen = optPower[1]->isChecked();
        row.powerText = txtPower->text();
    }

    lstCard[0]->setCurrentIndex(1);
    lstCard[1]->setCurrentIndex(1);
    lstSensor->setCurrentIndex(1);
    lstOutputs->setCurrentIndex(1);

    CardDetection();
}

void frmMain::CardDetection()
{
    m_tlv->SendStartup(0);
    for (int n = 1; n <= kMaxCards; ++n) {
        const int revision = m_tlv->Revision(static_cast<short>(n));
        if (revision > 0) {
            fraCard[n - 1]->setTitle(
                QStringLiteral("Card %1: %2")
                    .arg(n)
                    .arg(tlv::Format(revision / 100.0, QStringLiteral("0.00"))));
            m_tlv->setNumCards(static_cast<short>(n));
        } else if (m_tlv->NumCards() == 0) {
            m_tlv->setNumCards(static_cast<short>(kMaxCards));
        }
    }
    // Without any card only simulated readings exist.
    if (m_tlv->Revision(1) == 0) {
        optSimulate[0]->setEnabled(false);
        optSimulate[1]->setChecked(true);
        optSimulate_Click(1);
    }
}

int frmMain::NumCards() const
{
    return m_tlv->NumCards();
}

void frmMain::IniRead(const QString& file)
{
    const QString path = tlv::ProgramFolder() + QLatin1Char('/') + file;
    const QString refusal =
        tlv::SetupFileRefusal(path,
                              {QStringLiteral("Card"), QStringLiteral("Sensor"),
                               QStringLiteral("Output"), QStringLiteral("Loop")},
                              QStringLiteral("tlvmulti settings"));
    m_iniRefused = !refusal.isEmpty();
    QStringList replaced;
    m_setup = m_iniRefused ? MultiSetup{} : ReadMultiSetup(path, &replaced);
    if (m_iniRefused) {
        m_statusLine->showMessage(refusal);
        tlv::DialogService::message(
            this,
            refusal + QStringLiteral("\nThe defaults are used; the file is not written over."),
            QMessageBox::Ok, QMessageBox::Warning, windowTitle());
    } else if (!replaced.isEmpty()) {
        // Told once here rather than refused at every send.
        constexpr int kListed = 12;
        QString text = file + QStringLiteral(" holds values outside their limits:\n") +
                       replaced.mid(0, kListed).join(QLatin1Char('\n'));
        if (replaced.size() > kListed)
            text += QStringLiteral("\n(and %1 more)").arg(replaced.size() - kListed);
        m_statusLine->showMessage(replaced.front() +
                                  (replaced.size() > 1
                                       ? QStringLiteral(" (and %1 more)").arg(replaced.size() - 1)
                                       : QString()));
        tlv::DialogService::message(this, text, QMessageBox::Ok, QMessageBox::Warning,
                                    windowTitle());
    }

    // Only "0" chooses "Normal"; any other value keeps the safe choice "Simulate".
    const int mode = m_setup.card.simulate == 0 ? 0 : 1;
    m_setup.card.simulate = mode;
    optSimulate[mode]->setChecked(true);
    optSimulate_Click(mode);

    txtInit[0]->setText(m_setup.card.period);
    txtInit[1]->setText(m_setup.card.fMax);
    txtInit[2]->setText(m_setup.card.fMin);
    txtInit[3]->setText(m_setup.card.fInit);
    txtInit[4]->setText(m_setup.card.filter);
}

void frmMain::IniWrite(const QString& file)
{
    const QString path = tlv::ProgramFolder() + QLatin1Char('/') + file;
    if (m_iniRefused) return; // not a settings file of ours: told at reading, never replaced
    if (!QFileInfo::exists(path)) {
        QFile created(path);
        created.open(QIODevice::WriteOnly);
    }

    // Read-only: this user may not write it, or nobody may (even an administrator's session
    // keeps a file the operator marked read-only).
    const QFileInfo info(path);
    const bool readOnly =
        info.exists() &&
        (!info.isWritable() ||
         !(info.permissions() &
           (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)));
    if (readOnly)
        tlv::DialogService::message(this, path + QStringLiteral(" is Read Only!"), QMessageBox::Ok,
                                    QMessageBox::Warning, windowTitle());

    m_setup.card.simulate = optSimulate[0]->isChecked() ? 0 : 1;
    m_setup.card.period = txtInit[0]->text();
    m_setup.card.fMax = txtInit[1]->text();
    m_setup.card.fMin = txtInit[2]->text();
    m_setup.card.fInit = txtInit[3]->text();
    m_setup.card.filter = txtInit[4]->text();
    if (readOnly) return; // the operator protected the file: its contents stay as they are

    // Settings that cannot be saved are lost at exit unless the operator learns of it.
    if (!WriteMultiSetup(path, m_setup))
        tlv::DialogService::message(this, path + QStringLiteral(" could not be written!"),
                                    QMessageBox::Ok, QMessageBox::Warning, windowTitle());
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_sensorMap) m_sensorMap->close();
    IniWrite(QString::fromLatin1(kIniFileName));
    event->accept();
}

} // namespace multi
